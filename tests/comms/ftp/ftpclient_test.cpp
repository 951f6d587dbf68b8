// The FTP client against real servers: pyftpdlib with scripted faults, and vsftpd.
#include "comms/core/adexcept.h"
#include "comms/core/exception.h"
#include "comms/ftp/tapdftplog.h"
#include "comms/net/tapdwinsockdispatcher.h"
#include "comms/ftp/ftpclientfixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ftptest;

// ---- Transfers: byte-exact both ways, both modes ----

class FtpTransferTest : public FtpClientTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FtpTransferTest, RetrieveAndStoreAreByteExact)
{
    const bool passive = GetParam();
    StartPeer();
    client.SetPassiveMode(passive);
    LogIn();
    for (qint64 size : {qint64(0), qint64(1), qint64(32769), qint64(16) << 20}) {
        SCOPED_TRACE(size);
        const QByteArray data = Pattern(size);
        const QString name = QStringLiteral("f%1.bin").arg(size);
        ASSERT_TRUE(WriteFile(root + '/' + name, data));
        peer->ClearCommands();
        EXPECT_EQ(Run([&] { return client.Retrieve(name, local + '/' + name, rmReplace); }),
                  (Events{"log lcReceive", "status scTransferOK"}));
        EXPECT_TRUE(ReadFile(local + '/' + name) == data);
        EXPECT_EQ(client.BytesTransferred(), size);
        // Every transfer asks for its type.
        QStringList sent = peer->Commands();
        ASSERT_EQ(sent.size(), 3);
        EXPECT_EQ(sent.takeAt(passive ? 0 : 1), QStringLiteral("TYPE I"));
        if (passive)
            EXPECT_EQ(sent[0], QStringLiteral("PASV"));
        else
            EXPECT_TRUE(sent[0].startsWith(QStringLiteral("PORT 127,0,0,1,"))) << sent[0].toStdString();
        EXPECT_EQ(sent[1], QStringLiteral("RETR ") + name);

        EXPECT_EQ(Run([&] { return client.Store(QStringLiteral("up-") + name, local + '/' + name, smReplace); }),
                  (Events{"log lcStore", "status scTransferOK"}));
        EXPECT_TRUE(ReadFile(root + QStringLiteral("/up-") + name) == data);
    }
    EXPECT_FALSE(rec.firedInCall);
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpTransferTest, ::testing::Values(true, false),
                         [](const auto& I) { return I.param ? "Passive" : "Active"; });

TEST_F(FtpClientTest, RestartAppendAndTheHistoryLog)
{
    StartPeer();
    client.SetPassiveMode(true);
    TApdFtpLog log;
    log.SetEnabled(true);
    log.SetFtpHistoryName(tmp.path() + QStringLiteral("/LNKRFTP.HIS"));
    client.SetFtpLog(&log);
    LogIn();
    const QByteArray data = Pattern(100000);
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/r.bin"), data));

    // RETR from where the local file ends; a RestartAt beyond it starts at its size.
    ASSERT_TRUE(WriteFile(local + QStringLiteral("/r.bin"), data.left(40000)));
    client.SetRestartAt(1 << 30);
    peer->ClearCommands();
    EXPECT_EQ(Run([&] { return client.Retrieve(QStringLiteral("r.bin"), local + QStringLiteral("/r.bin"), rmRestart); }),
              (Events{"status scTransferOK"}));
    EXPECT_TRUE(ReadFile(local + QStringLiteral("/r.bin")) == data);
    EXPECT_EQ(peer->Commands(), (QStringList{"TYPE I", "PASV", "REST 40000", "RETR r.bin"}));

    // STOR from an offset, then APPE.
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/s.bin"), data.left(30000)));
    client.SetRestartAt(30000);
    EXPECT_EQ(Run([&] { return client.Store(QStringLiteral("s.bin"), local + QStringLiteral("/r.bin"), smRestart); }),
              (Events{"status scTransferOK"}));
    EXPECT_TRUE(ReadFile(root + QStringLiteral("/s.bin")) == data);
    EXPECT_EQ(Run([&] { return client.Store(QStringLiteral("s.bin"), local + QStringLiteral("/r.bin"), smAppend); }),
              (Events{"status scTransferOK"}));
    EXPECT_TRUE(ReadFile(root + QStringLiteral("/s.bin")) == data + data);

    const QStringList history = QString::fromLocal8Bit(ReadFile(log.FtpHistoryName())).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(history.size(), 3);
    EXPECT_TRUE(history[0].endsWith(QStringLiteral(" : Attempting re-transfer at 40000 bytes"))) << history[0].toStdString();
    EXPECT_TRUE(history[2].endsWith(QStringLiteral(" : Uploading ") + local + QStringLiteral("/r.bin")));

    // A history file that cannot be opened raises; a disabled log writes nothing.
    log.SetFtpHistoryName(tmp.path());
    EXPECT_THROW(log.WriteLine(lcOpen, {}), EInOutError);
    log.SetEnabled(false);
    EXPECT_NO_THROW(log.WriteLine(lcOpen, {}));
}

// The control connection sends without delay, and every transfer asks for its type first.
TEST_F(FtpClientTest, CommandsGoOutAtOnceAndEveryTransferAsksForItsType)
{
    StartPeer();
    client.SetPassiveMode(true);
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/a.bin"), Pattern(1000)));
    const auto get = [&](const char* name) { return client.Retrieve(name, local + QStringLiteral("/x"), rmReplace); };
    const struct {
        std::function<bool()> op;
        QStringList sent;
    } steps[] = {
        {[&] { return get("a.bin"); }, {"TYPE I", "PASV", "RETR a.bin"}},
        {[&] { return get("a.bin"); }, {"TYPE I", "PASV", "RETR a.bin"}},
        {[&] { return client.ListDir(QString(), false); }, {"TYPE A", "PASV", "NLST"}},
        {[&] { return get("a.bin"); }, {"TYPE I", "PASV", "RETR a.bin"}},
        {[&] { return get("missing.bin"); }, {"TYPE I", "PASV", "RETR missing.bin"}},
        {[&] { return get("a.bin"); }, {"TYPE I", "PASV", "RETR a.bin"}},
        {[&] { return client.SendFtpCommand(QStringLiteral("TYPE A")); }, {"TYPE A"}},
        {[&] { return get("a.bin"); }, {"TYPE I", "PASV", "RETR a.bin"}},
    };
    LogIn();
    // Whole command lines go out at once, never held back for an acknowledgement.
    int nodelay = 0;
    socklen_t len = sizeof nodelay;
    ASSERT_EQ(getsockopt(client.WinsockDispatcher()->ComHandle.load(), IPPROTO_TCP, TCP_NODELAY, &nodelay, &len), 0);
    EXPECT_EQ(nodelay, 1);
    for (const auto& step : steps) {
        peer->ClearCommands();
        Run(step.op);
        EXPECT_EQ(peer->Commands(), step.sent);
    }
    EXPECT_TRUE(ReadFile(local + QStringLiteral("/x")) == Pattern(1000));
}

// ---- Commands ----

TEST_F(FtpClientTest, CommandsAndTheirEvents)
{
    StartPeer();
    client.SetPassiveMode(true);
    LogIn();
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/a.txt"), "abc"));
    const auto lastText = [&] { return rec.texts.back(); };

    EXPECT_EQ(Run([&] { return client.MakeDir(QStringLiteral("sub")); }), Events{});
    EXPECT_FALSE(client.InProgress());
    EXPECT_EQ(Run([&] { return client.ChangeDir(QStringLiteral("sub")); }), (Events{"status scComplete"}));
    EXPECT_EQ(Run([&] { return client.CurrentDir(); }), (Events{"status scCurrentDir"}));
    EXPECT_EQ(lastText(), "/sub");
    EXPECT_EQ(Run([&] { return client.ChangeDir(QStringLiteral("..")); }), (Events{"status scComplete"}));
    EXPECT_EQ(Run([&] { return client.Rename(QStringLiteral("a.txt"), QStringLiteral("b.txt")); }),
              (Events{"log lcRename", "status scComplete"}));
    EXPECT_EQ(Run([&] { return client.ListDir(QString(), false); }), (Events{"status scDataAvail"}));
    EXPECT_EQ(lastText(), "b.txt\r\nsub\r\n");
    EXPECT_EQ(Run([&] { return client.Delete(QStringLiteral("b.txt")); }),
              (Events{"log lcDelete", "status scComplete"}));
    EXPECT_EQ(Run([&] { return client.RemoveDir(QStringLiteral("sub")); }),
              (Events{"log lcDelete", "status scComplete"}));
    EXPECT_EQ(Run([&] { return client.ListDir(QString(), true); }), (Events{"status scDataAvail"}));
    EXPECT_EQ(lastText(), "");
    // Multi-line replies arrive whole, after their code.
    EXPECT_EQ(Run([&] { return client.Help(QString()); }), (Events{"status scDataAvail"}));
    EXPECT_NE(lastText().find("RETR"), std::string::npos);
    EXPECT_EQ(Run([&] { return client.Status(QString()); }), (Events{"status scDataAvail"}));
    EXPECT_EQ(Run([&] { return client.Delete(QStringLiteral("nothing")); }), (Events{"log lcDelete", "error 550"}));
    EXPECT_EQ(lastText().substr(0, 4), "550 ");

    // Refused without a trace: line breaks or NUL in arguments, busy or empty names.
    peer->ClearCommands();
    EXPECT_EQ(Run([&] { return client.Delete(QStringLiteral("x\r\nDELE y")); }), Events{"refused"});
    EXPECT_EQ(Run([&] { return client.ChangeDir(QStringLiteral("x\ny")); }), Events{"refused"});
    EXPECT_EQ(Run([&] { return client.Retrieve(QString("a") + QChar(0), local + "/x", rmReplace); }), Events{"refused"});
    EXPECT_EQ(Run([&] { return client.Rename(QString(), QStringLiteral("x")); }), Events{"refused"});
    EXPECT_FALSE(client.Abort());
    EXPECT_FALSE(QFile::exists(local + "/x"));
    EXPECT_TRUE(peer->Commands().isEmpty());
    EXPECT_FALSE(rec.firedInCall);
}

TEST_F(FtpClientTest, LongListingIsWholeAndBytewiseRepliesAndMultiLineGreeting)
{
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(WriteFile(root + QStringLiteral("/%1-a-rather-long-file-name.dbb").arg(i, 5, 10, QChar('0')), "x"));
    StartPeer({true, true});
    client.SetPassiveMode(true);
    LogIn();
    EXPECT_EQ(rec.events, (Events{"status scOpen", "status scLogin"}));
    ASSERT_EQ(rec.texts.size(), 2u);
    EXPECT_NE(rec.texts[0].find("continuation line begins with the code"), std::string::npos);
    EXPECT_NE(rec.texts[0].find(" and this one with a blank"), std::string::npos);
    EXPECT_EQ(Run([&] { return client.ListDir(QString(), false); }, 20, 60000), (Events{"status scDataAvail"}))
        << peer->Commands().join('|').toStdString() << " state " << FtpStateName(client.ProcessState()) << " bytes "
        << client.BytesTransferred();
    const std::string& text = rec.texts.back();
    EXPECT_GT(text.size(), 64u * 1024);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3000);
}

// ---- Faults: each ends in the right event, back to idle, file closed, next command works ----

TEST_F(FtpClientTest, FaultsEndCleanlyAndTheNextCommandWorks)
{
    StartPeer();
    const QByteArray data = Pattern(300000);
    for (const char* n : {"stall.bin", "slow.bin", "fail426.bin", "drop.bin"})
        ASSERT_TRUE(WriteFile(root + '/' + n, data));
    struct Row {
        bool passive;
        const char* file;
        std::vector<Events> expected;  // any of these
    };
    const Row rows[] = {
        {true, "stall.bin", {{"log lcReceive", "status scClose"}}},
        {false, "stall.bin", {{"log lcReceive", "status scClose"}}},
        {true, "slow.bin", {{"log lcReceive", "status scTransferOK"}}},
        {true, "fail426.bin", {{"log lcReceive", "error 426"}}},
        {false, "fail426.bin", {{"log lcReceive", "error 426"}}},
        {true, "drop.bin", {{"log lcReceive", "error 426"}, {"log lcReceive", "error 10054"}}},
        {true, "missing.bin", {{"log lcReceive", "error 550"}}},
    };
    // 0.55 s without a sign of life is a time-out; the slow file keeps it alive block by block.
    client.SetTransferTimeout(10);
    LogIn();
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.file) + (r.passive ? " passive" : " active"));
        client.SetPassiveMode(r.passive);
        const QString target = local + '/' + r.file;
        const Events got = Run([&] { return client.Retrieve(r.file, target, rmReplace); }, 150);
        EXPECT_NE(std::find(r.expected.begin(), r.expected.end(), got), r.expected.end()) << ::testing::PrintToString(got);
        EXPECT_EQ(client.ProcessState(), TFtpProcessState::psIdle);
        const qint64 size = QFileInfo(target).size();
        pumpFor(200);
        EXPECT_EQ(QFileInfo(target).size(), size) << "written after the end";
        EXPECT_TRUE(std::string(r.file) != "slow.bin" || ReadFile(target) == data);
        EXPECT_EQ(Run([&] { return client.CurrentDir(); }), (Events{"status scCurrentDir"}));
    }
    EXPECT_FALSE(rec.firedInCall);
}

TEST_F(FtpClientTest, AbortEndsTheTransferWith426)
{
    StartPeer();
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/stall.bin"), Pattern(100000)));
    client.SetPassiveMode(true);
    LogIn();
    const size_t mark = rec.events.size();
    ASSERT_TRUE(client.Retrieve(QStringLiteral("stall.bin"), local + QStringLiteral("/s.bin"), rmReplace));
    ASSERT_TRUE(pumpUntil([&] { return client.BytesTransferred() >= 4096; }));
    peer->ClearCommands();
    EXPECT_TRUE(rec.Call([&] { return client.Abort(); }));
    EXPECT_FALSE(rec.firedInCall);
    pumpUntil([&] { return HasFinal(mark); });
    pumpFor(100);
    EXPECT_EQ(rec.Since(mark), (Events{"log lcReceive", "log lcUserAbort", "error 426"}));
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psIdle);
    EXPECT_TRUE(client.TransferAborted());
    EXPECT_EQ(Run([&] { return client.ListDir(QString(), false); }), (Events{"status scDataAvail"}));
    EXPECT_EQ(peer->Commands().first(), QStringLiteral("ABOR"));
}

TEST_F(FtpClientTest, WrongPasswordKeepsTheConnectionForAnotherTry)
{
    StartPeer();
    client.SetPassword(QStringLiteral("wrong"));
    ASSERT_TRUE(rec.Call([&] { return client.Login(); }));
    ASSERT_TRUE(pumpUntil([&] { return HasFinal(0); }));
    EXPECT_EQ(rec.events, (Events{"status scOpen", "error 530"}));
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psLogin);
    client.SetPassword(QStringLiteral("kqv"));
    ASSERT_TRUE(client.Login());
    ASSERT_TRUE(pumpUntil([&] { return client.LoggedIn(); }));
    EXPECT_EQ(peer->Commands(), (QStringList{"USER kqv", "PASS wrong", "USER kqv", "PASS kqv"}));
    EXPECT_TRUE(client.Logout());
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psClosed);
    EXPECT_EQ(rec.Since(rec.events.size() - 2), (Events{"status scLogout", "log lcLogout"}));
    EXPECT_EQ(std::count(rec.events.begin(), rec.events.end(), "status scLogout"), 1);
}

// ---- Connecting ----

// A listener that accepts nothing; with Fill, its backlog is full so connects never complete.
struct DeafListener {
    int fd = -1;
    uint16_t port = 0;
    std::vector<int> fillers;
    explicit DeafListener(bool Fill)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 0);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        for (int i = 0; Fill && i < 4; ++i) {
            int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
            fillers.push_back(s);
        }
    }
    ~DeafListener()
    {
        for (int s : fillers)
            ::close(s);
        ::close(fd);
    }
};

TEST_F(FtpClientTest, RefusedAndHangingConnectsEndInTheirCodes)
{
    int wsError = 0;
    client.OnWsError = [&](QObject*, int Code) { wsError = Code; };
    uint16_t closedPort;
    {
        DeafListener gone(false);
        closedPort = gone.port;
    }
    Point(closedPort, QStringLiteral("kqv"));
    ASSERT_TRUE(client.Login());
    ASSERT_TRUE(pumpUntil([&] { return HasFinal(0); }, 5000));
    EXPECT_EQ(wsError, wsaEConnRefused);
    EXPECT_EQ(rec.events, (Events{"status scClose"}));
    EXPECT_FALSE(client.Open());

    DeafListener full(true);
    Point(full.port, QStringLiteral("kqv"));
    client.SetConnectTimeout(10);
    const size_t mark = rec.events.size();
    ASSERT_TRUE(client.Login());
    // The error comes at once, the close status through the event queue after it.
    ASSERT_TRUE(pumpUntil([&] { return rec.Since(mark).size() >= 2; }, 5000));
    EXPECT_EQ(rec.Since(mark), (Events{"error -1", "status scClose"}));
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psClosed);
    EXPECT_FALSE(client.Open());
}

TEST_F(FtpClientTest, ASilentGreetingWaitsForItsCallerAndLogoutReturnsWithinItsLimit)
{
    DeafListener silent(false);
    Point(silent.port, QStringLiteral("kqv"));
    // The greeting runs under no time-out of the client's: its caller's wait ends it.
    client.SetTransferTimeout(10);
    ASSERT_TRUE(client.Login());
    pumpFor(1000);
    EXPECT_EQ(rec.events, (Events{}));
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psLogin);
    client.SetOpen(false);

    // Without a time-out the log-in waits; Logout still returns (after at most 5 s: the
    // figure is in the benchmark).
    client.SetTransferTimeout(0);
    ASSERT_TRUE(client.Login());
    pumpFor(100);
    EXPECT_TRUE(client.Logout());
    EXPECT_FALSE(client.Open());
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psClosed);
}

TEST_F(FtpClientTest, ManyTransfersInARowEachCompleteOnce)
{
    StartPeer();
    const QByteArray data = Pattern(1200);
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/small.bin"), data));
    client.SetPassiveMode(true);
    LogIn();
    int ok = 0;
    for (int i = 0; i < 200; ++i) {
        const QString target = local + QStringLiteral("/s%1.bin").arg(i % 4);
        // The client may be idle a pass before its posted events are delivered: wait for the
        // final one, so that a late or doubled event shows in the next transfer's list.
        const size_t mark = rec.events.size();
        ASSERT_TRUE(client.Retrieve(QStringLiteral("small.bin"), target, rmReplace));
        pumpUntil([&] { return !client.InProgress() && HasFinal(mark); }, 20000);
        ok += rec.Since(mark) == Events{"log lcReceive", "status scTransferOK"};
    }
    EXPECT_EQ(ok, 200);
    EXPECT_TRUE(ReadFile(local + QStringLiteral("/s3.bin")) == data);
}

TEST_F(FtpClientTest, DestroyedDuringATransfer)
{
    StartPeer();
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/stall.bin"), Pattern(100000)));
    auto c = std::make_unique<TApdFtpClient>();
    c->SetServerAddress(QStringLiteral("127.0.0.1"));
    c->SetWsPort(QString::number(peer->Port()));
    c->SetUserName(QStringLiteral("kqv"));
    c->SetPassword(QStringLiteral("kqv"));
    bool fired = false;
    ASSERT_TRUE(c->Login());
    ASSERT_TRUE(pumpUntil([&] { return c->LoggedIn(); }));
    ASSERT_TRUE(c->Retrieve(QStringLiteral("stall.bin"), local + QStringLiteral("/d.bin"), rmReplace));
    pumpUntil([&] { return c->BytesTransferred() > 0; });
    c->OnFtpStatus = [&](QObject*, TFtpStatusCode, const char*) { fired = true; };
    c.reset();
    pumpFor(100);
    EXPECT_FALSE(fired);
}

// Abort of a long download ends, once, long before the transfer time-out (60 s, as in the
// download window): vsftpd, blocked writing the data connection, reads the ABOR only once the
// client has reset it. The times are in the benchmark.
TEST_F(FtpClientTest, AbortOfALongDownloadEndsInTimeAgainstRealServers)
{
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);
    ::chmod(QFile::encodeName(root).constData(), 0755);
    QFile big(root + QStringLiteral("/big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(qint64(300) << 20));  // sparse
    big.close();
    big.setPermissions(QFile::ReadOwner | QFile::ReadOther);
    VsftpdPeer vs(root);
    const bool withVsftpd = vs.Start();
    StartPeer();
    for (const bool vsftpd : {true, false}) {
        if (vsftpd && !withVsftpd)
            continue;
        SCOPED_TRACE(vsftpd ? "vsftpd" : "pyftpdlib");
        Point(vsftpd ? vs.Port() : peer->Port(), vsftpd ? QStringLiteral("anonymous") : QStringLiteral("kqv"));
        client.SetPassiveMode(true);
        LogIn();
        const size_t mark = rec.events.size();
        ASSERT_TRUE(client.Retrieve(QStringLiteral("big.bin"), local + QStringLiteral("/big.bin"), rmReplace));
        ASSERT_TRUE(pumpUntil([&] { return client.BytesTransferred() >= (1 << 20); }, 20000));
        ASSERT_TRUE(client.Abort());
        EXPECT_TRUE(pumpUntil([&] { return HasFinal(mark); }, 30000));  // the time is in the benchmark
        pumpFor(100);
        EXPECT_EQ(rec.Since(mark), (Events{"log lcReceive", "log lcUserAbort", "error 426"}));
        EXPECT_EQ(Run([&] { return client.CurrentDir(); }), Events{"status scCurrentDir"});
        client.SetOpen(false);
        pumpFor(20);
    }
}

// ---- vsftpd: connects the active data channel after RETR, where pyftpdlib does so at PORT ----

class FtpVsftpdTest : public FtpClientTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FtpVsftpdTest, RetrieveAndStoreAreByteExact)
{
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);
    ::chmod(QFile::encodeName(root).constData(), 0755);
    VsftpdPeer vs(root);
    QString why;
    if (!vs.Start(&why))
        GTEST_SKIP() << "vsftpd cannot run here: " << why.toStdString();
    Point(vs.Port(), QStringLiteral("anonymous"));
    client.SetPassiveMode(GetParam());
    // vsftpd confirms each TYPE I: every transfer has asked for it.
    int binary = 0;
    client.OnFtpReply = [&](QObject*, int32_t Code, const char* Text) {
        binary += Code == 200 && std::string(Text).find("Binary") != std::string::npos;
    };
    LogIn();
    for (qint64 size : {qint64(0), qint64(32769), qint64(16) << 20}) {
        SCOPED_TRACE(size);
        const QByteArray data = Pattern(size);
        const QString name = QStringLiteral("v%1.bin").arg(size);
        ASSERT_TRUE(WriteFile(root + '/' + name, data));
        QFile::setPermissions(root + '/' + name, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::WriteOwner);
        EXPECT_EQ(Run([&] { return client.Retrieve(name, local + '/' + name, rmReplace); }),
                  (Events{"log lcReceive", "status scTransferOK"}));
        EXPECT_TRUE(ReadFile(local + '/' + name) == data);
        EXPECT_EQ(Run([&] { return client.Store(QStringLiteral("up/") + name, local + '/' + name, smReplace); }),
                  (Events{"log lcStore", "status scTransferOK"}));
        EXPECT_TRUE(ReadFile(root + QStringLiteral("/up/") + name) == data);
    }
    EXPECT_EQ(binary, 6);
    EXPECT_EQ(Run([&] { return client.Retrieve(QStringLiteral("none.bin"), local + "/n", rmReplace); }),
              (Events{"log lcReceive", "error 550"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpVsftpdTest, ::testing::Values(true, false),
                         [](const auto& I) { return I.param ? "Passive" : "Active"; });

}  // namespace
