#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QTimeEdit>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <unistd.h>

#include "app/stationlistfile.h"
#include "appfixture.h"

namespace {
QByteArray stationIni(const QString& dataDir, const QByteArray& extra = {})
{
    return "[Station]\nInitialDir=" + dataDir.toUtf8() + "\n" + extra +
           "[Stations]\nActiv=1\nCount=0\nCount2=1\n[Station1]\nRegion=002\nNumber=015\nName=Hafen\n";
}

// Makes a file that not even root may change (immutable flag), undone at the end.
struct Immutable {
    QString path;
    bool ok = false;
    explicit Immutable(const QString& p) : path(p)
    {
        ok = QProcess::execute("chattr", {"+i", path}) == 0;
    }
    ~Immutable()
    {
        if (ok)
            QProcess::execute("chattr", {"-i", path});
    }
};
}  // namespace

TEST_F(AppFixture, StoredSettingsAreTakenAndBoundsClamped)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    writeIni(stationIni(dir.path(),
        "Organisation=Stadtwerke\nSprache=1\n[Form]\nTop=-50\nLeft=-10\nWidth=" +
            QByteArray::number(screen.width() + 500) + "\nHeight=300\n[IO]\nPortNumber=3\n[View]\nAverage=1\n"
            "ViewNum=0\n[Timezone]\nZone=-19800\nDaylight=0\n"));
    driveModals([](QWidget* w) { w->close(); });
    start();
    EXPECT_EQ(MainFormHvtk->frameGeometry().width(), screen.width());  // the frame on the screen too
    EXPECT_EQ(MainFormHvtk->height(), 694);
    EXPECT_EQ(MainFormHvtk->x(), 0);
    EXPECT_EQ(CurrentStation.CurrentLanguage, 1);
    EXPECT_EQ(CurrentStation.PortNumber, 3);
    EXPECT_EQ(CurrentStation.Organisation, "Stadtwerke");
    EXPECT_EQ(MainFormHvtk->lblHeader->text(), "Stadtwerke");
    EXPECT_TRUE(MainFormHvtk->cbxAverage->isChecked());
    EXPECT_EQ(CurrentStation.StationName, "Hafen");
    EXPECT_EQ(CurrentStation.RegionNumber, 2);
    // The station row had no zone keys: the [Timezone] values serve as its default.
    EXPECT_EQ(CurrentStation.ZoneBias, -19800);
    EXPECT_FALSE(ServiceMode);
    EXPECT_FALSE(MainFormHvtk->mnuSysUpdate->isVisible());
    EXPECT_FALSE(ProjectToolRunning);
    // The day shown is today; the zoomed views start at a whole ten minutes of the hour now.
    EXPECT_EQ(MainFormHvtk->DatePicker->date(), QDate::currentDate());
    EXPECT_EQ(MainFormHvtk->TimePicker->time().minute() % 10, 0);
    EXPECT_EQ(MainFormHvtk->ViewMinute, MainFormHvtk->TimePicker->time().minute());
    EXPECT_GT(MainFormHvtk->DisplayedDate, 45000.0);

    closeMain();
    EXPECT_EQ(iniValue("Station", "Organisation"), "Stadtwerke");
    EXPECT_EQ(iniValue("Station", "Sprache"), "1");
    EXPECT_EQ(iniValue("Station1", "Timezone"), "-19800");
    EXPECT_EQ(iniValue("Form", "Height"), "694");
}

TEST_F(AppFixture, MissingDataDirectoryFallsBackToTheCurrentOne)
{
    writeIni(stationIni(dir.filePath("gone")));
    driveModals([](QWidget* w) { w->close(); });
    start();
    EXPECT_EQ(CurrentStation.InitialDir, dir.path());
    // The stand-in serves this run only: a drive that is not mounted must not be forgotten.
    closeMain();
    EXPECT_EQ(iniValue("Station", "InitialDir"), dir.filePath("gone"));
}

TEST_F(AppFixture, ClosingDeletesTheTemporaryDayFile)
{
    writeIni(stationIni(dir.path()));
    QFile tmp(dir.filePath("Temp.dbb"));
    ASSERT_TRUE(tmp.open(QIODevice::WriteOnly));
    tmp.close();
    driveModals([](QWidget* w) { w->close(); });
    start();
    closeMain();
    EXPECT_FALSE(QFile::exists(dir.filePath("Temp.dbb")));
    EXPECT_EQ(iniValue("Station1", "Name"), "Hafen");
}

TEST_F(AppFixture, AReadOnlyFileWhoseModeCanBeChangedIsSaved)
{
    writeIni(stationIni(dir.path()));
    QFile::setPermissions(iniPath, QFileDevice::ReadOwner);
    driveModals([](QWidget* w) { w->close(); });
    start();
    MainFormHvtk->cbxNumView->setChecked(true);
    closeMain();
    EXPECT_TRUE(platform::DialogScript::shown().empty());
    EXPECT_TRUE(QFile::permissions(iniPath) & QFileDevice::WriteOwner);
    EXPECT_EQ(iniValue("View", "ViewNum"), "1");
    EXPECT_EQ(iniValue("Stations", "Count"), "0");
}

TEST_F(AppFixture, AFileThatCannotBeWrittenIsReportedAndLeftUnchanged)
{
    writeIni(stationIni(dir.path()));
    driveModals([](QWidget* w) { w->close(); });
    start();
    const QByteArray before = iniBytes();
    QFile::setPermissions(iniPath, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    std::unique_ptr<Immutable> lock;
    const QFileDevice::Permissions dirPerms = QFile::permissions(dir.path());
    if (geteuid() == 0) {
        lock = std::make_unique<Immutable>(iniPath);
        if (!lock->ok)
            GTEST_SKIP() << "no way to make a file unwritable for root here";
    } else {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    MainFormHvtk->cbxNumView->setChecked(true);
    closeMain();
    QFile::setPermissions(dir.path(), dirPerms);
    lock.reset();
    EXPECT_EQ(iniBytes(), before);
    ASSERT_EQ(platform::DialogScript::shown().size(), 1u);
    const platform::ShownDialog& d = platform::DialogScript::shown()[0];
    EXPECT_EQ(d.type, platform::MsgDlgType::Warning);
    EXPECT_EQ(d.buttons, unsigned(platform::mbOK));
    EXPECT_EQ(d.text, MsgFileWriteProtected + iniPath);
    EXPECT_TRUE(MsgFileWriteProtected.startsWith("Fehler beim Schreiben") ||
                MsgFileWriteProtected.startsWith("Error writing file"));
}

TEST(ServiceMode, ExecutableNameOrParameterInAnyCase)
{
    EXPECT_TRUE(DecideServiceMode("/opt/q/TOLVAD.EXE", {"x"}));
    EXPECT_TRUE(DecideServiceMode("/opt/q/Tolvad", {"x"}));
    EXPECT_FALSE(DecideServiceMode("/opt/q/tolvad.sh", {"x"}));
    EXPECT_FALSE(DecideServiceMode("/opt/q/qwlview", {"x"}));
    EXPECT_TRUE(DecideServiceMode("/opt/q/qwlview", {"qwlview", "-a", "YhC"}));
    EXPECT_FALSE(DecideServiceMode("/opt/q/qwlview", {"yhc"}));  // the program name itself does not count
    EXPECT_FALSE(DecideServiceMode("/opt/q/qwlview", {"qwlview", "yhcx"}));
}

TEST_F(AppFixture, ASettingsFileTooLargeToBeOneIsReportedAndLeftAlone)
{
    writeIni(stationIni(dir.path()) + QByteArray(IniFile::MaxFileBytes, ';'));
    const QByteArray before = iniBytes();
    driveModals([](QWidget* w) { w->close(); });
    start();
    closeMain();
    ASSERT_GE(platform::DialogScript::shown().size(), 1u);
    EXPECT_TRUE(platform::DialogScript::shown()[0].text.contains(iniPath));
    EXPECT_TRUE(iniBytes() == before);
}

// The largest station list the program can make, with the longest name, login and password
// the windows take, is written and read back by the next start.
TEST(StationListFile, TheLargestListFitsTheSettingsFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("qwlview.INI"), name = QString(MaxStationTextChars, QChar(0xFC));
    IniFile ini(path);
    QStringList row = TfrmStation::DefaultRow();
    row[2] = row[9] = row[10] = name;
    for (int i = 1; i <= stationlistfile::MaxStations; ++i)
        stationlistfile::WriteNewerRow(ini, i, row);
    ASSERT_TRUE(ini.UpdateFile());
    const IniFile next(path);
    EXPECT_TRUE(next.ReadOk());
    EXPECT_EQ(next.ReadString("Station10000", "Name", ""), name);
}

// A screen smaller than the window stored, 1024x900 (the offscreen one is 800x800): the main
// window and the station list, with its long zone texts, open with title bars and buttons on it.
TEST_F(AppFixture, WindowsOpenOnASmallScreen)
{
    writeIni(stationIni(dir.path(), "[Form]\nTop=100\nLeft=300\nWidth=1024\nHeight=900\n[Timezone]\nZone=-7200\n"));
    start();
    const QRect screen = MainFormHvtk->screen()->availableGeometry();
    ASSERT_LT(screen.height(), 900);
    EXPECT_TRUE(screen.contains(MainFormHvtk->frameGeometry()));
    driveModals([&](QWidget* w) {
        if (w == frmStation) {
            EXPECT_TRUE(screen.contains(w->frameGeometry()) && screen.contains(QRect(frmStation->bbtExit->mapToGlobal(QPoint()), frmStation->bbtExit->size())));
        }
        w->close();
    });
    MainFormHvtk->mnuStationsdatenClick();
    stopDriving();
    closeMain();  // the size the screen forced is not the operator's
    EXPECT_EQ(iniValue("Form", "Width") + 'x' + iniValue("Form", "Height"), "1024x900");
}
