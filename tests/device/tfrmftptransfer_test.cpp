#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QCloseEvent>
#include <QPushButton>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "data/dbbnames.h"
#include "data/runtimetexts.h"
#include "data/tdatetime.h"
#include "comms/core/adexcept.h"
#include "common/pump.h"
#include "common/userinput.h"
#include "device/programstate.h"
#include "ftpfixture.h"
#include "peers/tcppeer.h"
#include "app/setlanguage.h"
#include "samples.h"

using dbbtest::UtcSeconds;
using platform::DialogScript;

namespace {

QStringList Texts(QListWidget* l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

}  // namespace

class FtpDownload : public FtpFixture {
protected:
    // Shows the window in download mode for [start, end] and connects.
    void connectFor(TDateTime start, TDateTime end, bool www = false, bool connects = true)
    {
        CurrentStation.LastUpdate = start;
        w().DownloadMode = true;
        w().show();
        w().SetStartDateTime(start);
        w().SetEndDateTime(end);
        w().cbxCopyWww->setChecked(www);
        w().bbtConnect->click();
        ASSERT_NE(w().bbtConnect->isEnabled(), connects) << shownTexts().join(u'|').toStdString();
    }
    void selectOnly(const QString& remoteStart)
    {
        for (int i = 0; i < w().lbxDir->count(); ++i)
            w().lbxDir->item(i)->setSelected(w().lbxDir->item(i)->text().startsWith(remoteStart));
    }
    static TfrmFtpTransfer& w() { return *frmFtpTransfer; }
};

TEST_F(FtpDownload, ShowsTheControlsOfEachModeAndHoldsTheAddressToOctets)
{
    ServiceMode = false;
    const struct {
        bool TfrmFtpTransfer::*flag;
        std::vector<const char*> shown, hidden;
    } modes[] = {
        {&TfrmFtpTransfer::LogDownloadMode, {"bbtQuit"}, {"bbtExit", "pnlTransfer", "lbxFtp"}},
        {&TfrmFtpTransfer::SysUpdateMode, {"bbtUpLoad", "bbtExit"},
         {"bbtDownLoad", "cbxOverwrite", "cbxCopyWww", "pnlDateRange", "bbtQuit"}},
        {&TfrmFtpTransfer::DownloadMode, {"bbtDownLoad", "cbxOverwrite", "cbxCopyWww", "pnlDateRange", "bbtExit"},
         {"bbtUpLoad", "bbtQuit"}},
        {nullptr, {"bbtQuit"}, {"bbtExit", "pnlTransfer"}},
    };
    for (const auto& m : modes) {
        if (m.flag)
            w().*m.flag = true;
        w().show();
        for (const char* name : m.shown)
            EXPECT_FALSE(w().findChild<QWidget*>(name)->isHidden()) << name;
        for (const char* name : m.hidden)
            EXPECT_TRUE(w().findChild<QWidget*>(name)->isHidden()) << name;
        EXPECT_TRUE(w().bbtConnect->isEnabled());
        EXPECT_FALSE(w().bbtAbort->isEnabled());
        EXPECT_EQ(w().edStatName->text(), QStringLiteral("Hafen"));
        EXPECT_EQ(w().edUser->text(), QStringLiteral("KQV"));
        w().close();
        EXPECT_EQ(w().result(), 2);
        EXPECT_FALSE(w().DownloadMode || w().SysUpdateMode || w().LogDownloadMode);
    }

    // A dotted address comes back canonical; any other text unchanged, with empty edits.
    const struct {
        const char* address;
        const char* normalised;
    } addresses[] = {
        {"192.168.1.20", "192.168.1.20"}, {" 10. 0.0.300", " 10. 0.0.300"}, {"1.-5.2.3", "1.-5.2.3"},
        {"1.2", "1.2"},                   {"", ""},                         {"1.2.3.4.5", "1.2.3.4.5"},
        {"010.000.000.001", "10.0.0.1"},  {"10.0.0.009", "10.0.0.9"},       {"localhost", "localhost"},
    };
    for (const auto& a : addresses)
        EXPECT_EQ(w().SetIpAddressEdits(QString::fromLatin1(a.address)), QString::fromLatin1(a.normalised)) << a.address;

    // Keys: Ctrl-A selects every file, other keys reach neither the list nor the pickers;
    // an octet edit takes digits only.
    w().DownloadMode = true;
    w().show();
    w().lbxDir->addItems({QStringLiteral("a"), QStringLiteral("b")});
    const auto key = [](QWidget* target, int k, Qt::KeyboardModifiers mods, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, k, mods, text);
        QCoreApplication::sendEvent(target, &press);
    };
    key(w().lbxDir, Qt::Key_A, Qt::ControlModifier, QString());
    EXPECT_EQ(w().lbxDir->selectedItems().size(), 2);
    const QDateTime before = w().dtpStart->dateTime();
    key(w().dtpStart, Qt::Key_Up, Qt::NoModifier, QString());
    key(w().dtpStart, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
    EXPECT_EQ(w().dtpStart->dateTime(), before);
    w().edAddr1->clear();
    for (const char* typed : {"1", "x", "2", ".", "7"})
        key(w().edAddr1, 0, Qt::NoModifier, QString::fromLatin1(typed));
    EXPECT_EQ(w().edAddr1->text(), QStringLiteral("127"));
    w().close();

    EXPECT_EQ(w().windowTitle(), QStringLiteral("Geräteverbindung über FTP"));
    ApplyTextsFtpTransfer(1);
    EXPECT_EQ(w().windowTitle(), QStringLiteral("Device connection via FTP"));
    EXPECT_EQ(w().cbxCopyWww->text(), QStringLiteral("Copying with mean value files (*.www)."));
}

// Several days at minute 0 and 20 across a month boundary, east and west of UTC: every hour
// byte-identical in its month folder of the station, nothing else written, LastUpdate moved.
TEST_F(FtpDownload, DownloadsEveryHourOfTheRangeIntoTheTree)
{
    const struct {
        const char* what;
        int bias, minute;
    } stations[] = {{"UTC+1", -3600, 0}, {"UTC-5", 5 * 3600, 20}, {"UTC+05:45", -(5 * 3600 + 45 * 60), 20}};
    for (const auto& s : stations) {
        SCOPED_TRACE(s.what);
        QDir(device.path()).removeRecursively();
        QDir(dataDir).removeRecursively();
        QDir().mkpath(device.path());
        QDir().mkpath(dataDir);
        CurrentStation.ZoneBias = s.bias;
        DialogScript::clearShown();
        QMap<QString, QByteArray> expected;
        const TDateTime start = Local(2007, 11, 29), end = Local(2007, 12, 1, 23, 59);
        for (int64_t u = UtcSeconds(2007, 11, 28, 0, s.minute); u < UtcSeconds(2007, 12, 3); u += 3600) {
            const QByteArray bytes = deviceHour(u);
            const TDateTime local = (double(u) - s.bias) / 86400.0 + UnixEpochDays;
            if (local >= start - 59.0 / 1440 - 1e-9 && local <= end)
                expected[dbbtest::LocalTreePath(1, 5, u)] = bytes;
        }
        dbbtest::WriteFile(device.path(), QStringLiteral("DATA/WWW/2007/11/20071130.www"), "average");
        startDevice();
        connectFor(start, end, true);
        EXPECT_EQ(w().lbxDir->count(), expected.size() + 1);
        EXPECT_TRUE(Texts(w().lbxDir).last().startsWith(QStringLiteral("WWW\\2007\\11\\20071130.www (")));

        w().bbtDownLoad->click();
        QStringList wanted = expected.keys();
        wanted << QStringLiteral("www/2007/11/20071130.www");
        wanted.sort();
        EXPECT_EQ(filesBelow(outer.path() + QStringLiteral("/data")), wanted);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            ASSERT_EQ(bytesOf(dataDir + u'/' + it.key()), it.value()) << it.key().toStdString();
        EXPECT_EQ(filesBelow(outer.path()).size(), wanted.size());
        EXPECT_EQ(w().lblLoadFile->text(), TxtTransferDone);
        EXPECT_EQ(w().lblPercent->text(), QStringLiteral("100 %"));
        EXPECT_EQ(w().pgbCopy->value(), w().pgbCopy->maximum());
        const QFontMetrics fm = w().lblLoadFile->fontMetrics();  // the dots of the "Ü" drawn
        EXPECT_GE((w().lblLoadFile->height() - fm.height()) / 2 + fm.ascent(),
                  -fm.tightBoundingRect(TxtTransferDone).top());
        EXPECT_DOUBLE_EQ(CurrentStation.LastUpdate, end);
        EXPECT_TRUE(Texts(w().lbxDir).filter(QStringLiteral(" - Dateien kopiert")).size() == w().lbxDir->count());
        EXPECT_EQ(DialogScript::shown().size(), 1u) << shownTexts().join(u'|').toStdString();  // the new folder
        w().bbtExit->click();
        EXPECT_EQ(w().result(), 1);
    }
}

TEST_F(FtpDownload, ExistingFilesStayUnlessOverwriteIsChosen)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    const QByteArray fresh = deviceHour(u);
    dbbtest::HourFile old;
    old.utcStart = u;
    old.samples = dbbtest::PositionSamples(u + 86400);  // a whole hour, other samples
    const QString local = dbbtest::WriteLocalHour(dataDir, old);
    const QByteArray oldBytes = bytesOf(local);
    startDevice();
    connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));

    w().bbtDownLoad->click();
    EXPECT_TRUE(Texts(w().lbxDir).first().endsWith(QStringLiteral(" - vorhanden")));
    EXPECT_EQ(bytesOf(local), oldBytes);
    EXPECT_EQ(w().lblLoadFile->text(), TxtTransferDone);
    EXPECT_EQ(filesBelow(dataDir).size(), 1);
    // xvfb-run with QT_QPA_PLATFORM=xcb and this variable keeps a picture in both languages.
    if (const QString shots = qEnvironmentVariable("QWL_SCREENSHOT_DIR"); !shots.isEmpty()) {
        w().grab().save(shots + QStringLiteral("/ftptransfer_de.png"));
        SetLanguage(1);
        pumpFor(50);
        w().grab().save(shots + QStringLiteral("/ftptransfer_en.png"));
        SetLanguage(0);
    }

    // Overwrite: asked once (OK), then replaced whole.
    w().cbxOverwrite->setChecked(true);
    w().ScanRemoteFiles();
    DialogScript::clearShown();
    w().bbtDownLoad->click();
    EXPECT_EQ(bytesOf(local), fresh);
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_TRUE(DialogScript::shown()[0].text.startsWith(QStringLiteral("Alle Dateien werden im Verzeichnis [")));

    // Cancelled confirmation: nothing happens.
    w().ScanRemoteFiles();
    DialogScript::answer(platform::mrCancel);
    w().bbtDownLoad->click();
    EXPECT_TRUE(w().bbtDownLoad->isEnabled());
}

TEST_F(FtpDownload, AbortInTheMiddleOfAFileLeavesNoPartAndTheOldFileWhole)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    deviceHour(u);
    deviceHour(u + 3600);
    dbbtest::HourFile old;
    old.utcStart = u;
    old.minutes = 10;
    const QString local = dbbtest::WriteLocalHour(dataDir, old);
    const QByteArray oldBytes = bytesOf(local);
    startDevice();
    ASSERT_TRUE(peer->command(QStringLiteral("slow %1 1000 20").arg(dbbtest::HexName(u))));
    connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));
    w().cbxOverwrite->setChecked(true);

    // The abort button is clicked once the slow file is under way.
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (DataModFtp->ApdFtpClient->BytesTransferred() > 2000 && w().bbtAbort->isEnabled()) {
            clicker.stop();
            w().bbtAbort->click();
        }
    });
    clicker.start(5);
    w().bbtDownLoad->click();

    EXPECT_EQ(bytesOf(local), oldBytes);
    EXPECT_EQ(filesBelow(outer.path()), QStringList{QStringLiteral("data/") + dbbtest::LocalTreePath(1, 5, u)});
    EXPECT_EQ(w().lblLoadFile->text(), QStringLiteral("2 ") + TxtFilesNotTransferred);
    EXPECT_FALSE(shownTexts().contains(MsgTransferRetry));
    EXPECT_DOUBLE_EQ(CurrentStation.LastUpdate, Local(2007, 11, 20));
    pumpFor(100);
    EXPECT_EQ(DataModFtp->FtpResult(), frAborted);
}

TEST_F(FtpDownload, AStalledFileTimesOutAndADroppedOneIsRetried)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    const QByteArray first = deviceHour(u);
    const QByteArray second = deviceHour(u + 3600);
    startDevice();
    ASSERT_TRUE(peer->command(QStringLiteral("drop %1 3000 1").arg(dbbtest::HexName(u))));
    ASSERT_TRUE(peer->command(QStringLiteral("stall %1 4000 1").arg(dbbtest::HexName(u + 3600))));
    connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));

    // Each failure asks; Retry (the default answer) reconnects and fetches the file again.
    w().bbtDownLoad->click();

    EXPECT_EQ(bytesOf(dataDir + u'/' + dbbtest::LocalTreePath(1, 5, u)), first);
    EXPECT_EQ(bytesOf(dataDir + u'/' + dbbtest::LocalTreePath(1, 5, u + 3600)), second);
    const QStringList shown = shownTexts();
    EXPECT_EQ(shown.count(MsgTransferRetry), 2) << shown.join(u'|').toStdString();
    EXPECT_EQ(w().lblLoadFile->text(), TxtTransferDone);
    EXPECT_EQ(filesBelow(outer.path()).size(), 2);
}

TEST_F(FtpDownload, HostileNamesWriteNothingOutsideTheDataFolder)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    deviceHour(u);
    // A file whose FILE chunk names no valid station is not placed.
    dbbtest::HourFile bad;
    bad.utcStart = u + 3600;
    bad.hasFileChunk = false;
    dbbtest::WriteFile(device.path(), dbbtest::DeviceTreePath(bad.utcStart), dbbtest::HourFileBytes(bad));
    startDevice();
    const QString hex = dbbtest::HexName(u);
    for (const QString& name : {QStringLiteral("../") + hex, QStringLiteral("a/") + hex, QStringLiteral("..")})
        ASSERT_TRUE(peer->command(QStringLiteral("extra /DATA/DBB/2007/11 ") + name));
    ASSERT_TRUE(peer->command(QStringLiteral("extra /DATA/DBB ../..")));
    dbbtest::WriteFile(device.path(), "DATA/WWW/2007/11/20071120x.www", "average");
    connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59), true);
    EXPECT_EQ(w().lbxDir->count(), 3);

    w().bbtDownLoad->click();
    EXPECT_EQ(filesBelow(outer.path()), QStringList{QStringLiteral("data/") + dbbtest::LocalTreePath(1, 5, u)});
    EXPECT_EQ(w().lblLoadFile->text(), QStringLiteral("2 ") + TxtFilesNotTransferred);
    EXPECT_EQ(Texts(w().lbxDir).mid(1).replaceInStrings(QRegularExpression(".* - "), QString()),
              QStringList({TxtNoStationInFile, TxtBadAverageName}));
}

TEST_F(FtpDownload, ARefusedLoginLeavesTheWindowUsable)
{
    deviceHour(UtcSeconds(2007, 11, 20, 10));
    startDevice();
    ASSERT_TRUE(peer->command(QStringLiteral("login 530")));
    CurrentStation.LastUpdate = Local(2007, 11, 20);
    w().DownloadMode = true;
    w().show();
    w().bbtConnect->click();
    EXPECT_TRUE(w().bbtConnect->isEnabled());
    const QStringList shown = shownTexts();
    ASSERT_EQ(shown.size(), 2) << shown.join(u'|').toStdString();
    EXPECT_TRUE(shown[0].startsWith(MsgFtpError));
    EXPECT_EQ(shown[1], MsgFtpLoginFailed);
    EXPECT_EQ(w().lbxDir->count(), 0);

    ASSERT_TRUE(peer->command(QStringLiteral("login ok")));
    w().SetEndDateTime(Local(2007, 11, 20, 23, 59));
    w().bbtConnect->click();
    EXPECT_FALSE(w().bbtConnect->isEnabled());
    EXPECT_EQ(w().lbxDir->count(), 1);
    EXPECT_EQ(w().lblLoadFile->text(), TxtCopyTo + dataDir);

    // A log-in answered by closing (421) says why as well.
    w().hide();
    DataModFtp->FtpLogout(true);
    ASSERT_TRUE(peer->command(QStringLiteral("login 421")));
    DialogScript::clearShown();
    w().show();
    w().bbtConnect->click();
    EXPECT_EQ(shownTexts(), QStringList({MsgFtpError + "421 Login incorrect.", MsgFtpLoginFailed}));
}

// A failed log-in names its cause before "Login failed", in both languages; an address that
// no device can have is refused before any connect; a connection reset right after the log-in
// leaves the window not connected.
TEST_F(FtpDownload, AFailedLogInNamesItsCauseAndLeavesTheWindowNotConnected)
{
    startDevice();
    const QString device = QString::number(peer->port());
    TcpPeer silent;  // its backlog takes the connection; it never greets
    const QString refused = QString::number(TcpPeer().port());
    const struct {
        int lang;
        QString address, port, login, cause;
        const QString* prefix;
    } rows[] = {
        {0, "127.0.0.1", refused, "ok", "The attempt to connect was forcibly refused", &MsgFtpError},
        {1, "127.0.0.1", device, "530", "530 Login incorrect.", &MsgFtpError},
        {1, "127.0.0.1", QString::number(silent.port()), "ok", "", &MsgFtpTimeout},
        {0, "127.0.0.1", device, "reset", "", &MsgTransferClosed},
        {1, "127.0.0.1", device, "220", "The FTP server does not complete the log-in: 220 QWL620 FTP server ready.", &MsgFtpError},
        {1, "0.0.0.7", device, "ok", "Not a device address: \"0.0.0.7\"", nullptr},
        {0, "255.255.255.255", device, "ok", QString::fromUtf8("Keine Geräteadresse: „255.255.255.255“"), nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE((r.address + ':' + r.port + ' ' + r.login).toStdString());
        SetLanguage(CurrentStation.CurrentLanguage = r.lang);
        CurrentStation.IPAddress = r.address;
        ASSERT_TRUE(peer->command("login " + r.login));
        DataModFtp->ApdFtpClient->SetWsPort(r.port);
        DialogScript::clearShown();
        w().DownloadMode = true;
        w().show();
        w().bbtConnect->click();
        const QStringList shown = shownTexts();
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(r.prefix ? shown[0] == *r.prefix + r.cause : shown[0].startsWith(r.cause)) << shown[0].toStdString();
        EXPECT_EQ(shown.mid(1), r.prefix && r.login != "reset" ? QStringList{MsgFtpLoginFailed} : QStringList{});
        EXPECT_TRUE(w().bbtConnect->isEnabled() && !DataModFtp->ApdFtpClient->Connected() && w().lbxDir->count() == 0);
        EXPECT_NE(w().lblLoadFile->text(), TxtCopyTo + dataDir);
        w().hide();
    }
}

// Only the listed hour, whole, enters the tree: a doubled file or one holding another hour is
// a failed transfer with its reason; a listed name that is no hour file's is not fetched.
TEST_F(FtpDownload, OnlyTheListedHourWholeEntersTheTree)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    const QByteArray own = deviceHour(u), other = deviceHour(u + 3600);
    const QString hex = dbbtest::HexName(u), remote = "DBB\\2007\\11\\" + hex;
    const struct {
        QString name;
        QByteArray content;
        QString shown, result;
    } rows[] = {{hex, own + own, MsgFileIncomplete, TxtIncomplete},
                {hex, other, MsgFileOtherHour, TxtIncomplete},
                {hex.left(8) + " 2.dbb", own, "", TxtBadHourName}};
    startDevice();
    for (const auto& r : rows) {
        QDir(device.path() + "/DATA").removeRecursively();
        QDir().mkpath(dataDir + "/Reg001/Stat005");
        dbbtest::WriteFile(device.path(), "DATA/DBB/2007/11/" + r.name, r.content);
        DialogScript::end(), DialogScript::begin(), DialogScript::answer(platform::mrOk), DialogScript::answer(platform::mrAbort);
        connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));
        w().bbtDownLoad->click();
        EXPECT_EQ(shownTexts(), r.shown.isEmpty() ? QStringList{} : QStringList({r.shown + remote, MsgTransferRetry}));
        EXPECT_EQ(Texts(w().lbxDir).value(0).section(" - ", 1), r.result);
        EXPECT_EQ(filesBelow(dataDir), QStringList{});  // the station's folder holds nothing
        w().hide(), DataModFtp->FtpLogout(true);
    }
}

// A failing or hostile device at the second of three files: each case ends in a message naming
// what failed; what can be retried is asked about and Retry (the default answer) completes
// the run; nothing that does not hold together enters the tree.
TEST_F(FtpDownload, EveryFaultOfTheDeviceIsToldAndRetryCompletesTheRun)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    QList<QByteArray> bytes;
    for (int h = 0; h < 3; ++h)
        bytes << deviceHour(u + 3600 * h);
    const QString hex = dbbtest::HexName(u + 3600), remote = "DBB\\2007\\11\\" + hex, month = "extra /DATA/DBB/2007/11 ";
    const struct {
        QStringList faults;
        QStringList shown;
        QString result;  // of the second file (a 550: gone since the scan)
        int entries;
    } cases[] = {
        {{"close " + hex + " 0 1"}, {MsgTransferClosed, MsgTransferRetry}, TxtCopied, 3},
        {{"close " + hex + " 421 1"},
         {MsgFtpError + "421 Service not available, closing control connection.", MsgTransferRetry}, TxtCopied, 3},
        {{"cut " + hex + " 6000 1"}, {MsgFileIncomplete + remote, MsgTransferRetry}, TxtCopied, 3},
        {{"cut " + hex + " -1000 1"}, {MsgFileIncomplete + remote, MsgTransferRetry}, TxtCopied, 3},
        {{"cut " + hex + " -300000"}, {MsgFileTooLarge.arg(FtpMaxHourFileBytes) + remote}, TxtTooLarge, 3},
        {{"fail " + hex + " 550"}, {MsgFtpError + "550 " + hex + ": No such file or directory."}, TxtNotOnDevice, 3},
        {{month + dbbtest::HexName(u) + " 1000", month + dbbtest::HexName(u).toLower() + " 3"}, {}, TxtCopied, 3},
        {{month + "x.dbb " + QString::number(FtpMaxListingEntries)},
         {MsgListingTooLong.arg(FtpMaxListingEntries) + "DBB\\2007\\11\\*.*"}, QString(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults.join(u'|').toStdString());
        QDir(dataDir).removeRecursively();
        QDir().mkpath(dataDir + "/Reg001/Stat005");
        startDevice();
        for (const QString& f : c.faults)
            ASSERT_TRUE(peer->command(f));
        DialogScript::end();
        DialogScript::begin();
        if (!c.shown.contains(MsgTransferRetry))  // a question not to be asked ends the run
            for (int answer : {platform::mrOk, platform::mrAbort})
                DialogScript::answer(answer);
        connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59), false, c.entries != 0);
        ASSERT_EQ(w().lbxDir->count(), c.entries);
        if (c.entries)
            w().bbtDownLoad->click();
        EXPECT_EQ(shownTexts(), c.shown);
        EXPECT_EQ(Texts(w().lbxDir).value(1).section(" - ", 1), c.result);
        QStringList stored;
        for (int h = 0; h < 3; ++h)
            if (bytesOf(dataDir + u'/' + dbbtest::LocalTreePath(1, 5, u + 3600 * h)) == bytes[h])
                stored << dbbtest::LocalTreePath(1, 5, u + 3600 * h);
        EXPECT_EQ(filesBelow(dataDir), stored);  // nothing else, each as the device has it
        EXPECT_EQ(stored.size(), c.entries == 0 ? 0 : c.result == TxtCopied ? 3 : 2);
        w().hide();
        DataModFtp->FtpLogout(true);
    }
}

// The device's current hour comes while it is written: the next download without overwrite
// completes it; a whole hour stays. What a killed download left in the data folder's root
// goes at the next one.
TEST_F(FtpDownload, TheHourInProgressIsCompletedByTheNextDownload)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    for (const char* stale : {"20071120-090000-nnn.dbb", "20071120-090000-nnn.dbb.part", "notes.part"})
        dbbtest::WriteFile(dataDir, stale, "stale");
    startDevice();
    dbbtest::HourFile f, held;
    f.utcStart = held.utcStart = u;
    for (int minutes : {40, 60, 20}) {  // of the device's copy
        f.minutes = minutes;
        dbbtest::WriteDeviceHour(device.path(), f);
        minutes == 40 ? connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59)) : w().ScanRemoteFiles();
        w().bbtDownLoad->click();
        held.minutes = minutes == 20 ? 60 : minutes;  // the device's shorter copy is not taken
        EXPECT_EQ(bytesOf(dataDir + u'/' + dbbtest::LocalTreePath(1, 5, u)), dbbtest::HourFileBytes(held)) << minutes;
    }
    EXPECT_EQ(filesBelow(dataDir), QStringList({dbbtest::LocalTreePath(1, 5, u), "notes.part"}));
}

// A path that leaves no room for a file's final name, and a data folder that cannot be
// written: the path and the system's reason, once, and the run stops.
TEST_F(FtpDownload, AFileThatCannotBeStoredSaysWhyOnceAndStops)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    for (int h : {0, 1})
        deviceHour(u + 3600 * h);
    QString deep = outer.path();  // PATH_MAX holds the temporary file in it, not Reg001/.../name
    while (deep.size() < 4060)
        deep += u'/' + QString(std::min<qsizetype>(200, 4060 - deep.size() - 1), u'd');
    const auto lock = [](const QString& dir, const char* flag) { return QProcess::execute("chattr", {flag, dir}) == 0; };
    startDevice();
    for (const QString& dir : {deep, dataDir}) {
        CurrentStation.InitialDir = dir;
        ASSERT_TRUE(QDir().mkpath(dir + "/Reg001/Stat005"));
        connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));
        DialogScript::clearShown();
        if (dir == dataDir && (geteuid() != 0 || !lock(dir, "+i")))
            GTEST_SKIP() << "a read-only folder needs root and chattr here";
        w().bbtDownLoad->click();
        if (dir == dataDir)
            lock(dir, "-i");
        const QString failed = dir == deep ? dir + u'/' + dbbtest::LocalTreePath(1, 5, u) + " (" + std::strerror(ENAMETOOLONG)
                                           : dir + "/20071120-100000-nnn.dbb.part (" + std::strerror(EPERM);
        EXPECT_EQ(shownTexts(), QStringList{MsgFileNotStored + failed + u')'});
        EXPECT_EQ(w().lblLoadFile->text(), "2 " + TxtFilesNotTransferred);
        EXPECT_EQ(filesBelow(dir).filter(".dbb"), QStringList());
        w().hide();
        DataModFtp->FtpLogout(true);
    }
}

// Escape and the close box during the log-in, which offers no abort, and a day picked in the
// calendar during the scan are refused: the list, the range and the last download recorded
// agree. The files fetched before a long one show in the list and the labels while it runs.
TEST_F(FtpDownload, OnlyTheAbortReachesTheWaitsAndTheProgressShowsInThem)
{
    const int64_t u = UtcSeconds(2007, 11, 20, 10);
    for (int64_t h : {0, 1, 2, 3, 24, 48})
        deviceHour(u + 3600 * h);
    startDevice();
    const QString slow = dbbtest::HexName(u + 24 * 3600);
    ASSERT_TRUE(peer->command(QStringLiteral("slow %1 500 100").arg(slow)));
    DuringWait leave([] { return !w().bbtAbort->isEnabled(); }, [] {
        QTest::keyClick(&w(), Qt::Key_Escape);
        QCloseEvent box;
        QSpontaneKeyEvent::setSpontaneous(&box);
        qApp->notify(&w(), &box);
    });
    DuringWait pick([] { return w().bbtAbort->isEnabled(); }, [] {
        QTest::mouseClick(w().dtpEnd, Qt::LeftButton, {}, QPoint(w().dtpEnd->width() - 6, w().dtpEnd->height() / 2));
        if (QWidget* calendar = QApplication::activePopupWidget())
            for (Qt::Key key : {Qt::Key_Right, Qt::Key_Return})
                QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar, key);
    });
    connectFor(Local(2007, 11, 20), Local(2007, 11, 21, 23, 59));
    QStringList seen;
    DuringWait look([&] {
        return DataModFtp->ApdFtpClient->RemoteFile().endsWith(slow) && DataModFtp->ApdFtpClient->BytesTransferred() >= 1500;
    }, [&] { seen = Texts(w().lbxDir).mid(0, 4) << w().lblPercent->text() << w().lblLoadFile->text(); });
    w().bbtDownLoad->click();
    EXPECT_TRUE(leave.ran && pick.ran && look.ran && w().isVisible());
    EXPECT_EQ(seen.filter(TxtCopied).size(), 4) << seen.join(u'|').toStdString();
    EXPECT_EQ(seen.mid(4), QStringList({QStringLiteral("80 %"), dataDir + u'/' + dbbtest::LocalTreePath(1, 5, u + 3 * 3600)}));
    EXPECT_DOUBLE_EQ(CurrentStation.LastUpdate, Local(2007, 11, 21, 23, 59));
    EXPECT_DOUBLE_EQ(w().EndDateTime(), CurrentStation.LastUpdate);
}

// Odd servers' listings are read, a year folder's non-months not asked for; a listing unreadable,
// past its time-out or past its bound is told once and leaves the window not connected.
TEST_F(FtpDownload, OddAndEndlessListings)
{
    deviceHour(UtcSeconds(2007, 11, 20, 10)), deviceHour(UtcSeconds(2007, 11, 20, 11));
    startDevice();
    DataModFtp->ListingWaitSeconds = 2;
    QStringList dirs;
    DataModFtp->OnLogLine = [&](const QString& line) { dirs << line.split(u'\n').filter("DIR DBB\\2007\\"); };
    const std::pair<QStringList, QString> cases[] = {
        // faults, what is told (nothing: both hours)
        {{"lf on", "extra /DATA/DBB/2007 total", "extra /DATA/DBB/2007 13", "extra /DATA/DBB/2007 M\xC3\xA4r"}, {}},
        {{"nlst /DATA/DBB/2007 bad"}, MsgFtpError + MsgListingUnreadable + ": DBB\\2007\\*.*"},
        {{"nlst /DATA/DBB endless 20 100"}, MsgFtpTimeout},
        {{"nlst /DATA/DBB/2007 endless 0 0"}, MsgFtpError + ErrorMsg(int16_t(ecFtpListingTooLong))},
    };
    for (const auto& [faults, told] : cases) {
        SCOPED_TRACE(faults.join(u'|').toStdString());
        for (const QString& f : QStringList{"clear"} + faults)
            ASSERT_TRUE(peer->command(f));
        DialogScript::clearShown(), dirs.clear();
        connectFor(Local(2006, 12, 31), Local(2008, 1, 1), false, told.isEmpty());
        EXPECT_EQ(shownTexts(), told.isEmpty() ? QStringList() : QStringList{told});
        EXPECT_EQ(w().lbxDir->count(), told.isEmpty() ? 2 : 0);
        if (told.isEmpty())
            EXPECT_EQ(dirs, QStringList({"DIR DBB\\2007\\*.*", "DIR DBB\\2007\\11\\*.*"}));
        else
            EXPECT_TRUE(w().lblLoadFile->text() == TxtNotConnected && !DataModFtp->ApdFtpClient->Connected());
        w().bbtExit->click();
    }
}
