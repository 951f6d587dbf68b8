#include <QFile>

#include "ftpfixture.h"

using dbbtest::UtcSeconds;

namespace {

// The command layer alone, without the transfer window; its log comes through the callback.
class FtpCommandLayer : public FtpFixture {
protected:
    FtpCommandLayer() { withWindow = false; }
    void SetUp() override
    {
        FtpFixture::SetUp();
        DataModFtp->OnLogLine = [this](const QString& line) { ftpLog << line; };
    }
    QStringList ftpLog;
};

}  // namespace

// One conversation with the device through the command layer, step by step.
TEST_F(FtpCommandLayer, CommandLayerConversation)
{
    const QByteArray log = "device started\r\n";
    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/current.log"), log);
    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/OLD/a.log"), "a");
    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/OLD/b.log"), "b");
    QDir(device.path()).mkpath(QStringLiteral("BIN"));
    startDevice();
    TDataModFtp& ftp = *DataModFtp;

    // Not logged in: nothing is sent.
    EXPECT_FALSE(ftp.FtpRetrieve(QStringLiteral("LOG\\current.log"), dataDir + QStringLiteral("/x.log")));
    EXPECT_EQ(ftp.FtpResult(), frNotLoggedIn);

    ASSERT_TRUE(ftp.FtpConnect(QStringLiteral("127.0.0.1"), QStringLiteral("KQV"), QStringLiteral("KQV")));
    EXPECT_EQ(ftp.FtpResult(), frNone);

    QStringList list{QStringLiteral("kept")};
    EXPECT_EQ(ftp.FtpListDir(list, QStringLiteral("LOG\\OLD\\*.*")), 2);
    EXPECT_EQ(list, (QStringList{QStringLiteral("kept"), QStringLiteral("a.log"), QStringLiteral("b.log")}));
    EXPECT_EQ(ftp.FtpListDir(list, QStringLiteral("BIN\\*.*")), 0);
    EXPECT_EQ(list.size(), 3);
    EXPECT_TRUE(ftp.FtpRemoteExists(QStringLiteral("log\\CURRENT.LOG")));
    EXPECT_FALSE(ftp.FtpRemoteExists(QStringLiteral("LOG\\missing.log")));

    const QString local = dataDir + QStringLiteral("/Log/current.log");
    ASSERT_TRUE(ftp.FtpRetrieve(QStringLiteral("LOG\\current.log"), local));
    EXPECT_EQ(bytesOf(local), log);

    // A missing file: 550, and the code stays until the next listing or log-in.
    EXPECT_FALSE(ftp.FtpRetrieve(QStringLiteral("LOG\\missing.log"), dataDir + QStringLiteral("/m.log")));
    EXPECT_EQ(ftp.FtpResult(), frFileNotAvailable);
    EXPECT_FALSE(ftp.FtpRetrieve(QStringLiteral("LOG\\current.log"), dataDir + QStringLiteral("/again.log")));
    EXPECT_FALSE(QFile::exists(dataDir + QStringLiteral("/again.log")));
    EXPECT_FALSE(QFile::exists(dataDir + QStringLiteral("/m.log")));
    ftp.FtpListDir(list, QStringLiteral("LOG\\*.*"));
    EXPECT_TRUE(ftp.FtpRetrieve(QStringLiteral("LOG\\current.log"), dataDir + QStringLiteral("/again.log")));

    // A local folder that cannot be made: 97, nothing fetched.
    dbbtest::WriteFile(dataDir, QStringLiteral("plainfile"), "x");
    EXPECT_FALSE(ftp.FtpRetrieve(QStringLiteral("LOG\\current.log"), dataDir + QStringLiteral("/plainfile/sub/c.log")));
    EXPECT_EQ(ftp.FtpResult(), frLocalFolder);

    ftp.FtpListDir(list, QStringLiteral("*.*"));
    EXPECT_TRUE(ftp.FtpChangeDir(QStringLiteral("BIN")));
    EXPECT_TRUE(ftp.FtpMakeDir(QStringLiteral("set1")));
    EXPECT_TRUE(ftp.FtpMakeDir(QStringLiteral("SET1")));  // exists: nothing sent
    EXPECT_TRUE(ftp.FtpChangeDir(QStringLiteral("set1")));
    dbbtest::WriteFile(dataDir, QStringLiteral("up/sys.bin"), "system");
    EXPECT_TRUE(ftp.FtpStore(QStringLiteral("sys.bin"), dataDir + QStringLiteral("/up/sys.bin")));
    EXPECT_EQ(bytesOf(device.path() + QStringLiteral("/BIN/set1/sys.bin")), "system");

    // Nothing running: an abort is no failure.
    EXPECT_TRUE(ftp.FtpAbort());
    EXPECT_EQ(ftp.FtpResult(), frNone);
    ftp.FtpLogout(true);
    EXPECT_FALSE(ftp.ApdFtpClient->Connected());
    for (const char* line : {"User: KQV", "Status: Login Ok!", "DIR LOG\\OLD\\*.*", "Status: Transfer Ok!",
                             "FtpError: 550", "Mkdir Ok!", "STORE sys.bin", "LOGOUT"})
        EXPECT_TRUE(ftpLog.contains(QString::fromLatin1(line))) << line;
}

TEST_F(FtpCommandLayer, RefusedLoginAndADeviceThatIsNotThere)
{
    startDevice();
    ASSERT_TRUE(peer->command(QStringLiteral("login 530")));
    EXPECT_FALSE(DataModFtp->FtpConnect(QStringLiteral("127.0.0.1"), QStringLiteral("kqv"), QStringLiteral("kqv")));
    EXPECT_EQ(DataModFtp->FtpResult(), 530);
    EXPECT_EQ(shownTexts(), QStringList{MsgFtpLoginFailed});
    DataModFtp->FtpLogout(true);

    ASSERT_TRUE(peer->command(QStringLiteral("login ok")));
    EXPECT_TRUE(DataModFtp->FtpConnect(QStringLiteral("127.0.0.1"), QStringLiteral("kqv"), QStringLiteral("kqv")));
    DataModFtp->FtpLogout(true);

    peer->kill();
    platform::DialogScript::clearShown();
    EXPECT_FALSE(DataModFtp->FtpConnect(QStringLiteral("127.0.0.1"), QStringLiteral("kqv"), QStringLiteral("kqv")));
    EXPECT_EQ(shownTexts(), QStringList{MsgFtpLoginFailed});
}

// No data at all for longer than the wait: the time-out code, and no file left behind.
TEST_F(FtpCommandLayer, AStalledTransferEndsWithTheTimeOutCode)
{
    deviceHour(UtcSeconds(2007, 11, 20, 10));
    startDevice();
    ASSERT_TRUE(peer->command(QStringLiteral("stall *.dbb")));
    ASSERT_TRUE(DataModFtp->FtpConnect(QStringLiteral("127.0.0.1"), QStringLiteral("kqv"), QStringLiteral("kqv")));
    const QString local = dataDir + QStringLiteral("/t.dbb");
    EXPECT_FALSE(DataModFtp->FtpRetrieve(dbbtest::DeviceTreePath(UtcSeconds(2007, 11, 20, 10)).replace(u'/', u'\\'), local));
    EXPECT_EQ(DataModFtp->FtpResult(), frTimeout);
    EXPECT_EQ(filesBelow(dataDir), QStringList{});
}
