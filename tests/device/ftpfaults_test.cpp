// The download against a failing or hostile device: every failure is told, Retry completes
// the run, and nothing the day loader cannot read enters the data tree.
#include <QLabel>
#include <QProcess>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "app/data/dbbnames.h"
#include "ftpfixture.h"

using dbbtest::HexName;
using dbbtest::LocalTreePath;
using dbbtest::UtcSeconds;
using platform::DialogScript;

namespace {

const int64_t Ten = UtcSeconds(2007, 11, 20, 10);

// A folder nothing can be written into, for root too (immutable), for as long as it lives.
struct ReadOnlyFolder {
    QString path;
    bool ok = false;
    explicit ReadOnlyFolder(const QString& p) : path(p)
    {
        ok = geteuid() == 0 ? QProcess::execute("chattr", {"+i", path}) == 0
                            : QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~ReadOnlyFolder()
    {
        if (geteuid() == 0)
            QProcess::execute("chattr", {"-i", path});
        else
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

}  // namespace

class FtpFaults : public FtpDownload {
protected:
    // Hours 10, 11, 12 of the day on the device, a fresh data folder that has the station's
    // folder (no question about it), the device started; the window connected.
    QList<QByteArray> threeHours(const QStringList& faults = {})
    {
        QList<QByteArray> bytes;
        for (int h = 0; h < 3; ++h)
            bytes << deviceHour(Ten + 3600 * h);
        QDir(dataDir).removeRecursively();
        QDir().mkpath(dataDir + "/Reg001/Stat005");
        startDevice();
        for (const QString& f : faults)
            EXPECT_TRUE(peer->command(f)) << f.toStdString();
        DialogScript::clearShown();
        connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));
        return bytes;
    }
    QByteArray local(int hour) const { return bytesOf(dataDir + u'/' + LocalTreePath(1, 5, Ten + 3600 * hour)); }
    static QString remote(int hour) { return "DBB\\2007\\11\\" + HexName(Ten + 3600 * hour); }
    QString result(int hour) const { return Texts(w().lbxDir).value(hour).section(" - ", 1); }
    void finish()
    {
        w().hide();
        DataModFtp->FtpLogout(true);
    }
};

// The control connection closed, or 421, at the second file: told, asked, and Retry fetches
// it and the rest on a new connection.
TEST_F(FtpFaults, ALostConnectionIsToldAndRetryFetchesTheRest)
{
    const struct {
        const char* fault;
        QString told;
    } cases[] = {
        {"close %1 0 1", MsgTransferClosed},
        {"close %1 421 1", MsgFtpError + "421 Service not available, closing control connection."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const QList<QByteArray> bytes = threeHours({QString(c.fault).arg(HexName(Ten + 3600))});
        w().bbtDownLoad->click();
        EXPECT_EQ(shownTexts(), QStringList({c.told, MsgTransferRetry}));
        for (int h = 0; h < 3; ++h)
            EXPECT_EQ(local(h), bytes[h]) << h;
        EXPECT_EQ(w().lblLoadFile->text(), TxtTransferDone);
        finish();
    }
}

// 226 after 6,000 of the file's bytes, or the file and 1,000 bytes more: a failed transfer.
// Retry fetches it whole; Abort leaves nothing of it.
TEST_F(FtpFaults, AFileCutShortOrLengthenedNeverEntersTheTree)
{
    for (const char* fault : {"truncate %1 6000 1", "pad %1 1000 1"}) {
        SCOPED_TRACE(fault);
        const QList<QByteArray> bytes = threeHours({QString(fault).arg(HexName(Ten))});
        w().bbtDownLoad->click();
        EXPECT_EQ(shownTexts(), QStringList({MsgFileIncomplete + remote(0), MsgTransferRetry}));
        EXPECT_EQ(local(0), bytes[0]);
        EXPECT_EQ(w().lblLoadFile->text(), TxtTransferDone);
        finish();
    }

    threeHours({"truncate " + HexName(Ten + 3600) + " 6000 -1"});
    DialogScript::answer(platform::mrOk);
    DialogScript::answer(platform::mrAbort);
    w().bbtDownLoad->click();
    EXPECT_EQ(filesBelow(outer.path()), QStringList{"data/" + LocalTreePath(1, 5, Ten)});
    EXPECT_EQ(result(1), TxtIncomplete);
    EXPECT_EQ(w().lblLoadFile->text(), "2 " + TxtFilesNotTransferred);
    EXPECT_DOUBLE_EQ(CurrentStation.LastUpdate, Local(2007, 11, 20));
}

// Entries that are not taken say why; the run goes on. A file listed by the scan and gone
// before its turn is "not on the device", not a reason to stop every later download.
TEST_F(FtpFaults, EveryEntryNotTakenSaysWhy)
{
    dbbtest::HourFile anonymous;
    anonymous.utcStart = Ten + 3 * 3600;
    anonymous.hasFileChunk = false;
    dbbtest::WriteDeviceHour(device.path(), anonymous);
    dbbtest::WriteFile(device.path(), "DATA/WWW/2007/11/20071120x.www", "average");
    const QList<QByteArray> bytes = threeHours();
    w().cbxCopyWww->setChecked(true);
    w().ScanRemoteFiles();
    ASSERT_EQ(w().lbxDir->count(), 5);
    QFile::remove(device.path() + u'/' + dbbtest::DeviceTreePath(Ten + 3600));

    DialogScript::answer(platform::mrOk);     // the device's 550
    DialogScript::answer(platform::mrAbort);  // a retry question would end the run here
    w().bbtDownLoad->click();

    EXPECT_EQ(result(1), TxtNotOnDevice);
    EXPECT_EQ(result(3), TxtNoStationInFile);
    EXPECT_EQ(result(4), TxtBadAverageName);
    EXPECT_FALSE(shownTexts().contains(MsgTransferRetry));
    EXPECT_EQ(local(0), bytes[0]);
    EXPECT_EQ(local(2), bytes[2]);
    EXPECT_EQ(filesBelow(dataDir).size(), 2);
    EXPECT_EQ(w().lblLoadFile->text(), "3 " + TxtFilesNotTransferred);
}

// The device's current hour comes while it is written (40 minutes): the next download
// without overwrite completes it. A whole hour stays, as does one the device holds less of.
// What a killed download left in the data folder's root goes at the next one.
TEST_F(FtpFaults, TheHourInProgressIsCompletedByTheNextDownload)
{
    const auto deviceMinutes = [&](int minutes) {
        dbbtest::HourFile f;
        f.utcStart = Ten;
        f.minutes = minutes;
        dbbtest::WriteDeviceHour(device.path(), f);
        return dbbtest::HourFileBytes(f);
    };
    const QByteArray forty = deviceMinutes(40);
    startDevice();
    QDir().mkpath(dataDir + "/Reg001/Stat005");
    for (const char* stale : {"20071120-090000-nnn.dbb", "20071120-090000-nnn.dbb.part", "notes.part"})
        dbbtest::WriteFile(dataDir, stale, "stale");
    connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));
    w().bbtDownLoad->click();
    EXPECT_EQ(local(0), forty);
    EXPECT_EQ(filesBelow(dataDir), QStringList({LocalTreePath(1, 5, Ten), "notes.part"}));

    const struct {
        int deviceMinutes;
        int heldMinutes;
        QString result;
    } steps[] = {{60, 60, TxtCopied}, {20, 60, TxtExisting}};
    for (const auto& s : steps) {
        const QByteArray now = deviceMinutes(s.deviceMinutes);
        w().ScanRemoteFiles();
        w().bbtDownLoad->click();
        dbbtest::HourFile held;
        held.utcStart = Ten;
        held.minutes = s.heldMinutes;
        EXPECT_EQ(local(0), dbbtest::HourFileBytes(held)) << s.deviceMinutes;
        EXPECT_EQ(result(0), s.result);
    }
}

// A data folder that cannot be written, and one whose path leaves no room for the file's
// final name: the system's reason and the path, once, and the run stops.
TEST_F(FtpFaults, AFileThatCannotBeStoredSaysWhyOnceAndStops)
{
    threeHours();
    {
        ReadOnlyFolder locked(dataDir);
        if (!locked.ok)
            GTEST_SKIP() << "no way to make a folder read-only here";
        w().bbtDownLoad->click();
    }
    QStringList shown = shownTexts();
    ASSERT_EQ(shown.size(), 1) << shown.join('|').toStdString();
    EXPECT_TRUE(shown[0].startsWith(MsgFileNotStored + dataDir + "/20071120-100000-nnn.dbb.part (")) << shown[0].toStdString();
    EXPECT_EQ(w().lblLoadFile->text(), "3 " + TxtFilesNotTransferred);
    finish();

    // PATH_MAX holds the temporary file in the root, not Reg001/Stat005/yyyy/mm/name.
    QString deep = outer.path();
    while (deep.size() < 4060)
        deep += u'/' + QString(std::min<qsizetype>(200, 4060 - deep.size() - 1), u'd');
    ASSERT_TRUE(QDir().mkpath(deep + "/Reg001/Stat005"));
    CurrentStation.InitialDir = deep;
    threeHours();
    w().bbtDownLoad->click();
    shown = shownTexts();
    ASSERT_EQ(shown.size(), 1) << shown.join('|').toStdString();
    EXPECT_EQ(shown[0], MsgFileNotStored + deep + u'/' + LocalTreePath(1, 5, Ten) + " ("
                            + QString::fromLocal8Bit(std::strerror(ENAMETOOLONG)) + ')');
    EXPECT_EQ(filesBelow(deep), QStringList{});
}

// A file beyond an hour file's bound is stopped and left out; a listing with more entries
// than a device holds is refused, and duplicate names are one file.
TEST_F(FtpFaults, OversizedFilesAndListingsAreRefused)
{
    const QList<QByteArray> bytes = threeHours({"pad " + HexName(Ten + 3600) + " 300000"});
    DialogScript::answer(platform::mrOk);
    DialogScript::answer(platform::mrAbort);  // a retry question would end the run here
    w().bbtDownLoad->click();
    EXPECT_EQ(shownTexts(), QStringList{MsgFileTooLarge.arg(FtpMaxHourFileBytes) + remote(1)});
    EXPECT_EQ(result(1), TxtTooLarge);
    EXPECT_EQ(local(2), bytes[2]);
    EXPECT_EQ(filesBelow(dataDir).size(), 2);
    finish();
    DialogScript::end();
    DialogScript::begin();

    const QString month = "extra /DATA/DBB/2007/11 ";
    threeHours({month + HexName(Ten) + " 1000", month + HexName(Ten).toLower() + " 3"});
    EXPECT_EQ(w().lbxDir->count(), 3);
    finish();
    threeHours({month + "x.dbb " + QString::number(FtpMaxListingEntries)});
    EXPECT_EQ(shownTexts(), QStringList{MsgListingTooLong.arg(FtpMaxListingEntries) + "DBB\\2007\\11\\*.*"});
    EXPECT_EQ(w().lbxDir->count(), 0);
    EXPECT_FALSE(w().bbtDownLoad->isEnabled());
}
