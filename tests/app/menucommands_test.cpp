#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include "app/setlanguage.h"
#include "app/texts/tfrmselsprache.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmstatistik.h"
#include "platform/core/shellopen.h"
#include "app/windows/tfrmlogview.h"
#include "app/windows/tfrmexceltransfer.h"
#include "app/windows/tfrmimport.h"
#include "common/netns.h"
#include "device/tfrmconnect.h"
#include "platform/gui/tstringgrid.h"
#include "device/tdatamodudp.h"
#include "platform/gui/tradiogroup.h"
#include "startup/appfixture.h"

namespace {

// Three stations in the data folder of the test, the second active.
QByteArray threeStations(const QString& dataDir)
{
    QByteArray ini = "[Station]\nInitialDir=" + dataDir.toUtf8() + "\n[Stations]\nActiv=2\nCount=0\nCount2=3\n";
    const char* names[] = {"Hafen", "Markt", "Schule"};
    for (int i = 1; i <= 3; ++i)
        ini += "[Station" + QByteArray::number(i) + "]\nRegion=001\nNumber=00" + QByteArray::number(i) +
               "\nName=" + names[i - 1] + "\n";
    return ini;
}

class MenuCommands : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        writeIni(threeStations(dir.path()));
        driveModals([](QWidget* w) { w->close(); });
        start();
        f = MainFormHvtk;
    }
    // As if the program had gone online (the device part is another window's test).
    void pretendOnline()
    {
        f->OnlineMode = true;
        f->rdgOnline->SetItemIndex(1);
        f->lblDevice->setText("online");
        f->RemoteFileList->Add("00000000.dbb");
        QFile tmp(dir.filePath("Temp.dbb"));
        ASSERT_TRUE(tmp.open(QIODevice::WriteOnly));
    }
    TMainFormHvtk* f = nullptr;
};

TEST_F(MenuCommands, StationBoxFollowsTheListAndTheActiveStationDoesNothing)
{
    ASSERT_EQ(f->cbxStations->count(), 3);
    EXPECT_EQ(f->cbxStations->currentText(), "Markt (001/002)");

    pretendOnline();
    f->cbxStations->setCurrentIndex(1);
    f->cbxStationsSelect();  // already active: stays online
    EXPECT_TRUE(f->OnlineMode);

    f->cbxStations->setCurrentIndex(2);
    f->cbxStationsSelect();
    EXPECT_FALSE(f->OnlineMode);
    EXPECT_EQ(f->rdgOnline->ItemIndex(), 0);
    EXPECT_EQ(frmStation->ActiveRow, 3);
    EXPECT_EQ(CurrentStation.StationName, "Schule");
    EXPECT_EQ(f->RemoteFileList->Count(), 0);
    EXPECT_EQ(f->ZoomLevel, 0);

    // A list shorter than the old choice shows its first station, whatever ActiveRow says.
    frmStation->stgList->SetRowCount(3);
    frmStation->ActiveRow = 2;
    f->FillStationCombo();
    EXPECT_EQ(f->cbxStations->count(), 2);
    EXPECT_EQ(f->cbxStations->currentIndex(), 0);
    f->cbxStations->setCurrentIndex(0);
    f->FillStationCombo();
    EXPECT_EQ(f->cbxStations->currentIndex(), 1);
}

TEST_F(MenuCommands, StationListLeavesOnlineModeSavesAndRemovesTheDayFile)
{
    pretendOnline();
    driveModals([](QWidget* w) { w->close(); });
    f->mnuStationsdatenClick();
    stopDriving();
    EXPECT_FALSE(f->OnlineMode);
    EXPECT_FALSE(QFile::exists(dir.filePath("Temp.dbb")));
    EXPECT_EQ(f->lblDevice->text(), TxtValuesIn + dir.path());
    EXPECT_EQ(iniValue("Stations", "Activ"), "2");
}

// The day still comes from the device: the source line keeps saying so, in each language.
TEST_F(MenuCommands, LanguageSwitchedTwiceWhileOnlineKeepsTheDeviceLine)
{
    pretendOnline();
    driveModals([](QWidget* w) {
        if (w == frmSelSprache) {
            frmSelSprache->SetItemIndex(1);
            frmSelSprache->done(1);
        }
    });
    f->mnuSelSpracheClick();
    stopDriving();
    EXPECT_EQ(CurrentStation.CurrentLanguage, 1);
    EXPECT_EQ(f->mnuBeenden->text(), "&End programme");
    EXPECT_TRUE(f->OnlineMode);
    const QString device = CurrentStation.StationName + " (" + CurrentStation.IPAddress + ")";
    EXPECT_EQ(f->lblDevice->text(), "Online with " + device);
    SetLanguage(0);
    EXPECT_EQ(f->lblDevice->text(), "Verbunden mit: " + device);
}

TEST_F(MenuCommands, LogViewWithAnotherStationRefreshesTheMainWindow)
{
    driveModals([](QWidget* w) {
        if (w == frmLogView)
            frmLogView->done(1);
    });
    f->mnuLogViewClick();
    stopDriving();
    EXPECT_TRUE(QDir(dir.filePath("Reg001/Stat002/Log")).exists());
    EXPECT_EQ(frmLogView->StationChanged, 0);

    // Picking the third station in the log window's station list.
    driveModals([](QWidget* w) {
        if (w != frmLogView)
            return;
        // The station list runs its own loop inside the button's handler.
        QTimer::singleShot(20, [] {
            frmStation->ActiveRow = 3;
            frmStation->close();
        });
        frmLogView->bbtStationClick();
        frmLogView->done(1);
    });
    f->mnuLogViewClick();
    stopDriving();
    EXPECT_EQ(frmLogView->StationChanged, 1);
    EXPECT_EQ(CurrentStation.StationName, "Schule");
    EXPECT_EQ(f->cbxStations->currentIndex(), 2);
    EXPECT_EQ(frmLogView->lblStation->text(), "Schule: 001/003");
    EXPECT_TRUE(QDir(dir.filePath("Reg001/Stat003/Log")).exists());
}

}  // namespace

namespace {

TEST_F(MenuCommands, ManualMissingNamesTheBareFileAndPresentOpensThroughTheShell)
{
    CurrentStation.CurrentLanguage = 0;
    QStringList started;
    platform::SetShellStarter([&](const QString& program, const QStringList& args, const QString& wd) {
        started << program << args << wd;
        return true;
    });
    const QString manual = QCoreApplication::applicationDirPath() + "/Handbuch_QWL620.pdf";
    QFile::remove(manual);
    f->mnuHandbookClick();
    ASSERT_FALSE(platform::DialogScript::shown().empty());
    EXPECT_EQ(platform::DialogScript::shown().back().text, MsgFileNotFound + "Handbuch_QWL620.pdf");
    EXPECT_TRUE(started.isEmpty());

    QFile pdf(manual);
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.close();
    f->mnuHandbookClick();
    QFile::remove(manual);
    platform::SetShellStarter({});
    EXPECT_EQ(started, QStringList({"xdg-open", manual, QCoreApplication::applicationDirPath()}));
}

TEST_F(MenuCommands, DataFolderTakenOnOkOnly)
{
    const QString other = dir.filePath("other");
    QDir().mkpath(other);
    driveModals([&](QWidget* w) {
        if (w == frmDirSelect)
            frmDirSelect->done(2);
    });
    f->mnuInitialDirClick();
    stopDriving();
    EXPECT_EQ(CurrentStation.InitialDir, dir.path());

    driveModals([&](QWidget* w) {
        if (w == frmDirSelect) {
            frmDirSelect->SelectFolder(other);
            frmDirSelect->bbtOk->click();
        }
    });
    f->mnuInitialDirClick();
    stopDriving();
    EXPECT_EQ(CurrentStation.InitialDir, other);
    EXPECT_EQ(f->lblDevice->text(), TxtValuesIn + other);
}

}  // namespace

namespace {

TEST_F(MenuCommands, CalendarChoiceBecomesTheShownDay)
{
    f->RemoteFileList->Add("00000000.dbb");
    driveModals([](QWidget* w) {
        if (w == frmStatistik) {
            frmStatistik->SelectedDate = EncodeDate(2007, 11, 20);
            frmStatistik->done(1);
        }
    });
    f->spbStatistikClick();
    stopDriving();
    EXPECT_EQ(f->DisplayedDate, EncodeDate(2007, 11, 20));
    EXPECT_EQ(f->DatePicker->date(), QDate(2007, 11, 20));
    EXPECT_EQ(f->RemoteFileList->Count(), 0);  // another month
}

}  // namespace

// The device web page opens only a dotted address, in its canonical decimal form.
TEST_F(MenuCommands, DeviceWebPageOpensTheCanonicalAddressOnly)
{
    DataModUDP->LocalUdpPort = 0;  // the search window's own search stays off the fixed ports
    DataModUDP->AddressTable = [] { return std::vector<platform::IpAddrRow>{}; };
    QStringList started;
    platform::SetShellStarter([&](const QString&, const QStringList& a, const QString&) { return started << a, true; });
    driveModals([](QWidget*) { frmConnect->ResultValue = 1; frmConnect->close(); });
    for (const char* stored : {"010.000.000.001", "10.0.0.009", "0x0a.0.0.1", "10.0.0.256", "localhost"}) {
        CurrentStation.IPAddress = QString::fromLatin1(stored);
        f->mnuFTPConfigClick();
    }
    stopDriving();
    platform::SetShellStarter({});
    EXPECT_EQ(started, QStringList({"http://10.0.0.1/", "http://10.0.0.9/"}));
}

namespace {

// The device search and the import may make another station current: the main window then
// shows it in its box, its day, the whole day, from the PC.
TEST_F(MenuCommands, StationMadeCurrentBySearchOrImportIsTheStationShown)
{
    QWL_RUN_IN_OWN_NETNS();  // the search window broadcasts while it is open
    platform::SetShellStarter([](auto&&...) { return true; });
    f->ZoomLevel = 1;
    driveModals([](QWidget* w) {
        if (w == frmConnect) {
            frmConnect->sgrDevices->SetRowCount(2);
            frmConnect->sgrDevices->SetRowTexts(1, {"Schule", "001", "003", "127.0.0.9", "255.0.0.0"});
            frmConnect->sgrDevices->SetRow(1);
            frmConnect->bbtOKClick();
        }
    });
    f->mnuFTPConfigClick();
    platform::SetShellStarter({});
    EXPECT_EQ(f->cbxStations->currentText(), "Schule (001/003)");
    EXPECT_EQ(f->ZoomLevel, 0);
    driveModals([&](QWidget* w) {  // import with "Select station" choosing the first
        if (w == frmDirSelect && frmDirSelect->SelectFolder(dir.path()))
            frmDirSelect->bbtOk->click();
        if (w != frmImport)
            return;
        QTimer::singleShot(20, [] { frmStation->ActiveRow = 1, frmStation->close(); });
        frmImport->bbtDestDirClick();
        frmImport->done(2);
    });
    f->mnuImportClick();
    stopDriving();
    EXPECT_EQ(f->cbxStations->currentText(), "Hafen (001/001)");
}

// Keys pressed while a picker has the focus, where a click in the graph or a day step puts it.
TEST_F(MenuCommands, ExportAndEndShortCutsWorkFromThePickers)
{
    f->SetZoomButtons(1);
    int exports = 0;
    driveModals([&](QWidget* w) { exports += w == frmExcelTransfer, w->close(); });
    for (QWidget* picker : {static_cast<QWidget*>(f->DatePicker), static_cast<QWidget*>(f->TimePicker), static_cast<QWidget*>(f->DatePicker)}) {
        QApplication::setActiveWindow(f);  // a closed modal window leaves none active here
        picker->setFocus();
        QTest::keyClick(QApplication::focusWidget(), exports < 2 ? Qt::Key_X : Qt::Key_E, Qt::ControlModifier);
    }
    stopDriving();
    EXPECT_EQ(exports, 2);
    EXPECT_TRUE(f->IsClosing());
}

}  // namespace
