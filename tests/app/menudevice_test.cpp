// Menu commands that talk to the simulated device's FTP server.
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>
#include <QPushButton>
#include <QToolButton>
#include <csignal>

#include "data/tdatetime.h"
#include "common/pump.h"
#include "common/userinput.h"
#include "comms/ftp/tapdftpclient.h"
#include "device/tdatamodftp.h"
#include "device/tfrmftptransfer.h"
#include "app/startup.h"
#include "app/windows/tfrmlogview.h"
#include "peers/dbbwriter.h"
#include "peers/ftpdevice.h"
#include "platform/core/signalclose.h"
#include "platform/gui/tradiogroup.h"
#include "platform/gui/tstringgrid.h"
#include "startup/appfixture.h"

namespace {

class MenuDevice : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(deviceRoot.isValid());
        // Today's hours so far, on a station at UTC without summer time.
        const int64_t now = QDateTime::currentSecsSinceEpoch();
        for (int64_t u = now / 86400 * 86400 - 3600; u <= now; u += 3600) {
            dbbtest::HourFile f;
            f.utcStart = u;
            f.region = 1;
            f.station = 5;
            dbbtest::WriteDeviceHour(deviceRoot.path(), f);
        }
        peer = std::make_unique<FtpDevicePeer>(deviceRoot.path());
        ASSERT_TRUE(peer->started()) << peer->error().toStdString();
        writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
                 "\n[Stations]\nActiv=1\nCount=0\nCount2=1\n[Station1]\nRegion=001\nNumber=005\nName=Hafen\n"
                 "IPAddress=127.0.0.1\nTimezone=0\nDaylight=0\nLastUpdate=" +
                 QByteArray::number(int(Now()) - 1) + "\n");
        driveModals([](QWidget* w) { w->close(); });
        start();
        DataModFtp->ApdFtpClient->SetWsPort(QString::number(peer->port()));
    }
    void TearDown() override
    {
        stopDriving();
        // Log out while an event loop runs: a closed connection frees its parts later.
        if (MainFormHvtk && MainFormHvtk->OnlineMode)
            MainFormHvtk->GoOffline();
        pumpFor(100);
        peer.reset();
        AppFixture::TearDown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // "from device": the transfer window identifies the device. No search responder runs
    // here, so the region and station come from the station list, which is closed at once.
    void goOnline()
    {
        platform::DialogScript::answer(platform::mrYes);
        driveModals([](QWidget* w) {
            if (w != frmFtpTransfer)
                return;
            // The station list runs its own loop inside the button's handler.
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [] {
                if (frmStation->isVisible())
                    frmStation->close();
            });
            closer.start(20);
            frmFtpTransfer->bbtConnect->click();
        });
        MainFormHvtk->rdgOnline->SetItemIndex(1);
        stopDriving();
    }
    QTemporaryDir deviceRoot;
    std::unique_ptr<FtpDevicePeer> peer;
};

TEST_F(MenuDevice, DownloadFetchesTheDaysAndTheMainWindowShowsTodaysCurve)
{
    EXPECT_FALSE(MainFormHvtk->DayHasData);
    driveModals([](QWidget* w) {
        if (w != frmFtpTransfer)
            return;
        frmFtpTransfer->bbtConnect->click();
        frmFtpTransfer->bbtDownLoad->click();
        frmFtpTransfer->bbtExit->click();
    });
    MainFormHvtk->mnuDatDownLoadClick();
    stopDriving();
    EXPECT_TRUE(MainFormHvtk->DayHasData);
    EXPECT_EQ(MainFormHvtk->ZoomLevel, 0);
    EXPECT_GT(CurrentStation.LastUpdate, Now() - 1.0 / 24);
    EXPECT_EQ(frmStation->stgList->Cells(7, 1).toInt(), int(CurrentStation.LastUpdate));  // whole days
}

}  // namespace

namespace {

TEST_F(MenuDevice, OnlineShowsTodayFromTheDeviceAndTheStationListGoesOffline)
{
    goOnline();
    ASSERT_TRUE(MainFormHvtk->OnlineMode);
    EXPECT_EQ(MainFormHvtk->lblDevice->text(), TxtConnectedTo + "Hafen (127.0.0.1)");
    EXPECT_TRUE(MainFormHvtk->DayHasData);
    EXPECT_FALSE(QDir(dir.filePath("Reg001")).exists());  // nothing stored, only Temp.dbb used

    driveModals([](QWidget* w) { w->close(); });
    MainFormHvtk->mnuStationsdatenClick();
    stopDriving();
    EXPECT_FALSE(MainFormHvtk->OnlineMode);
    EXPECT_EQ(MainFormHvtk->rdgOnline->ItemIndex(), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("Temp.dbb")));
    EXPECT_FALSE(MainFormHvtk->DayHasData);  // the local tree holds nothing
}

// The device lost mid-day: offline, showing the local day (none), not the hours fetched before.
TEST_F(MenuDevice, ADeviceLostMidDayLeavesTheLocalDayShown)
{
    const int64_t day = QDateTime::currentSecsSinceEpoch() / 86400 * 86400;
    if (QDateTime::currentSecsSinceEpoch() < day + 3660)
        GTEST_SKIP() << "needs an hour of today on the device before the one that fails";
    ASSERT_TRUE(peer->command("close " + dbbtest::HexName(day + 3600) + " 0"));
    goOnline();
    EXPECT_FALSE(MainFormHvtk->OnlineMode);
    EXPECT_EQ(MainFormHvtk->lblDevice->text(), TxtValuesIn + CurrentStation.InitialDir);
    EXPECT_FALSE(MainFormHvtk->DayHasData);
    // A day step from there is a step in the local tree.
    const TDateTime shown = MainFormHvtk->DisplayedDate;
    MainFormHvtk->spbDatumZurckClick();
    EXPECT_EQ(MainFormHvtk->DisplayedDate, shown - 1.0);
    EXPECT_FALSE(MainFormHvtk->OnlineMode);
    EXPECT_EQ(MainFormHvtk->lblDevice->text(), TxtValuesIn + CurrentStation.InitialDir);
}

TEST_F(MenuDevice, CancellingTheTransferWindowStaysOffline)
{
    driveModals([](QWidget* w) { w->close(); });
    MainFormHvtk->rdgOnline->SetItemIndex(1);
    stopDriving();
    EXPECT_FALSE(MainFormHvtk->OnlineMode);
    EXPECT_EQ(MainFormHvtk->rdgOnline->ItemIndex(), 0);
}

}  // namespace

namespace {

TEST_F(MenuDevice, LogViewFetchesTheDeviceLogsAndFindsAText)
{
    dbbtest::WriteFile(deviceRoot.path(), "LOG/current.log", "boot\r\nntp ok\r\nftp upload failed\r\n");
    dbbtest::WriteFile(deviceRoot.path(), "LOG/OLD/20071101.log", "old\r\n");
    driveModals([](QWidget* w) {
        if (w != frmLogView)
            return;
        // The transfer window runs its own loop inside the load button's handler.
        QTimer connector;
        QObject::connect(&connector, &QTimer::timeout, [] {
            if (frmFtpTransfer->isVisible() && frmFtpTransfer->bbtConnect->isEnabled())
                frmFtpTransfer->bbtConnect->click();
        });
        connector.start(20);
        frmLogView->bbtLoadClick();
        connector.stop();
        frmLogView->done(1);
    });
    MainFormHvtk->mnuLogViewClick();
    stopDriving();
    EXPECT_EQ(frmLogView->redLog->toPlainText(), "boot\nntp ok\nftp upload failed\n");
    EXPECT_EQ(frmLogView->StatusPanel0->text(), "3 " + TxtLines);
    EXPECT_EQ(frmLogView->FileListBox->count(), 2);
    frmLogView->edSearch->setText("FAILED");
    frmLogView->bbtSearchClick();
    EXPECT_EQ(frmLogView->redLog->textCursor().selectedText(), "failed");
}

TEST_F(MenuDevice, ADayStepWhileOnlineFetchesFromTheDevice)
{
    goOnline();
    ASSERT_TRUE(MainFormHvtk->OnlineMode);
    ASSERT_TRUE(MainFormHvtk->DayHasData);
    MainFormHvtk->spbDatumZurckClick();  // yesterday: only its last hour is on the device
    EXPECT_TRUE(MainFormHvtk->OnlineMode);
    EXPECT_TRUE(MainFormHvtk->DayHasData);
    MainFormHvtk->spbDatumZurckClick();  // the day before: nothing there, still online
    EXPECT_TRUE(MainFormHvtk->OnlineMode);
    EXPECT_FALSE(MainFormHvtk->DayHasData);
}

}  // namespace

// While a day step's load waits on the device, a second step and a fetch of its own start
// nothing: the first ends as it would alone. SIGTERM during the next load ends it and the
// program: the settings are saved and no box opens after the signal.
TEST_F(MenuDevice, OneOperationAtATimeAndASignalEndsIt)
{
    goOnline();
    ASSERT_TRUE(MainFormHvtk->OnlineMode && peer->command(QStringLiteral("slow *.dbb 4000 150")));
    ASSERT_TRUE(platform::InstallCloseOnSignal(CloseProgramOnSignal));
    const TDateTime shown = MainFormHvtk->DisplayedDate;
    platform::DialogScript::clearShown();
    bool nestedFetch = true;
    DuringWait next([] { return true; }, [&] {
        QTest::mouseClick(MainFormHvtk->spbDatumVor, Qt::LeftButton);
        nestedFetch = DataModFtp->FtpRetrieve(QStringLiteral("DATA\\DBB\\X.DBB"), dir.filePath("x.dbb"));
    });
    QTest::mouseClick(MainFormHvtk->spbDatumZurck, Qt::LeftButton);
    EXPECT_TRUE(next.ran && !nestedFetch);
    EXPECT_DOUBLE_EQ(MainFormHvtk->DisplayedDate, shown - 1);
    EXPECT_TRUE(MainFormHvtk->OnlineMode && MainFormHvtk->DayHasData);
    DuringWait signal([] { return true; }, [] { ::raise(SIGTERM); });
    QTest::mouseClick(MainFormHvtk->spbDatumVor, Qt::LeftButton);
    platform::RemoveCloseOnSignal();
    EXPECT_TRUE(signal.ran && MainFormHvtk->IsClosing());
    EXPECT_NE(iniValue("Form", "Height"), "<missing>");
    EXPECT_TRUE(platform::DialogScript::shown().empty()) << platform::DialogScript::shown()[0].text.toStdString();
}

// Escape leaves a trickling online load for the local day; a silent device is told as a time-out.
TEST_F(MenuDevice, AnOnlineLoadCanBeLeftAndASilentDeviceIsATimeOut)
{
    for (const bool escape : {true, false}) {
        ASSERT_TRUE(peer->command("clear"));
        if (!MainFormHvtk->OnlineMode)
            goOnline();
        ASSERT_TRUE(MainFormHvtk->OnlineMode && peer->command(escape ? "slow *.dbb 20 1000" : "stall *.dbb"));
        platform::DialogScript::clearShown();
        QString seen;
        DuringWait leave([] { return DataModFtp->ApdFtpClient->ProcessState() == TFtpProcessState::psGet; },
                         [&] {
                             seen = MainFormHvtk->bbtAbort->isVisible() ? MainFormHvtk->lblStatus->text() : QString();
                             if (escape)
                                 QTest::keyClick(MainFormHvtk, Qt::Key_Escape);
                         });
        MainFormHvtk->spbDatumZurckClick();  // yesterday's last hour is on the device
        EXPECT_TRUE(seen.startsWith(TxtReading));
        EXPECT_TRUE(!MainFormHvtk->OnlineMode && !MainFormHvtk->bbtAbort->isVisible() && !MainFormHvtk->DayHasData);
        EXPECT_EQ(platform::DialogScript::shown().size(), escape ? 0u : 1u);
        EXPECT_TRUE(escape || platform::DialogScript::shown()[0].text == MsgFtpTimeout);
        MainFormHvtk->spbDatumVorClick();
    }
}

// The log download shows logs whole of logs to fetch; Escape keeps those, nothing of the next.
TEST_F(MenuDevice, TheLogDownloadShowsItsProgressAndCanBeLeft)
{
    dbbtest::WriteFile(deviceRoot.path(), "LOG/current.log", "now\r\n");
    for (int i = 1; i <= 40; ++i)
        dbbtest::WriteFile(deviceRoot.path(), QString::asprintf("LOG/OLD/%02d.log", i), QByteArray(60, 'x'));
    ASSERT_TRUE(peer->command(QStringLiteral("slow ??.log 20 50")));
    QString seen;
    DuringWait leave([] { return frmLogView->StatusPanel1->text().endsWith(" 3 / 41"); },
                     [&] {
                         seen = frmLogView->bbtAbort->isVisible() ? frmLogView->StatusPanel1->text() : QString();
                         QTest::keyClick(frmLogView, Qt::Key_Escape);
                     });
    driveModals([](QWidget* w) {
        if (w == frmFtpTransfer)
            frmFtpTransfer->bbtConnect->click();
    });
    frmLogView->show(), frmLogView->bbtLoadClick();
    stopDriving();
    EXPECT_EQ(seen, TxtTransferring + " 3 / 41");
    EXPECT_EQ(QDir(dir.filePath("Reg001/Stat005/Log")).entryList(QDir::Files),
              QStringList({"01.log", "02.log", "current.log"}));
    EXPECT_TRUE(frmLogView->StatusPanel1->text().isEmpty() && !frmLogView->bbtAbort->isVisible());
    EXPECT_TRUE(platform::DialogScript::shown().empty());
    frmLogView->hide();
}
