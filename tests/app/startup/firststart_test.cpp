#include <QComboBox>
#include <QLabel>

#include "data/scramblepassword.h"
#include "app/graph/graphgeometry.h"
#include "platform/gui/tstringgrid.h"
#include "appfixture.h"

namespace {
// Fills the editor with a new station and confirms; then closes the list with OK.
void acceptNewStation(QWidget* w)
{
    if (w == frmStatEdit) {
        frmStatEdit->edRegNum->setText("1");
        frmStatEdit->edStatNum->setText("5");
        frmStatEdit->edAktName->setText("Marktplatz");
        frmStatEdit->bbtOk->click();
    } else if (w == frmStation && !frmStatEdit->isVisible()) {
        frmStation->bbtExit->click();
    }
}

QStringList sectionKeys(const QByteArray& ini, const QByteArray& section)
{
    QStringList keys;
    bool in = false;
    for (const QByteArray& line : ini.split('\n')) {
        if (line.startsWith('['))
            in = line == "[" + section + "]";
        else if (in && line.contains('='))
            keys << QString::fromUtf8(line.left(line.indexOf('=')));
    }
    return keys;
}
}  // namespace

TEST_F(AppFixture, FirstStartOpensTheEditorOnTheDefaultRowAndSavesTheNewStation)
{
    int sawEditor = 0;
    driveModals([&](QWidget* w) {
        if (w == frmStatEdit)
            ++sawEditor;
        acceptNewStation(w);
    });
    start();
    ASSERT_TRUE(MainFormHvtk->isVisible());
    EXPECT_GT(sawEditor, 0);
    EXPECT_EQ(CurrentStation.RegionNumber, 1);
    EXPECT_EQ(CurrentStation.StationNumber, 5);
    EXPECT_EQ(CurrentStation.StationName, "Marktplatz");
    EXPECT_EQ(CurrentStation.ZoneBias, -3600);
    EXPECT_TRUE(CurrentStation.Daylight);
    EXPECT_EQ(CurrentStation.InitialDir, dir.path());
    ASSERT_EQ(MainFormHvtk->cbxStations->count(), 1);
    EXPECT_EQ(MainFormHvtk->cbxStations->itemText(0), "Marktplatz (001/005)");
    EXPECT_EQ(MainFormHvtk->cbxStations->currentIndex(), 0);
    EXPECT_EQ(MainFormHvtk->lblDevice->text(), TxtValuesIn + dir.path());
    EXPECT_FALSE(TxtValuesIn.isEmpty());
    EXPECT_TRUE(platform::DialogScript::shown().empty());

    closeMain();
    const QByteArray ini = iniBytes();
    EXPECT_EQ(iniValue("Stations", "Count"), "0");
    EXPECT_EQ(iniValue("Stations", "Count2"), "1");
    EXPECT_EQ(iniValue("Stations", "Activ"), "1");
    EXPECT_EQ(sectionKeys(ini, "Station1"),
        QStringList({"Region", "Number", "Name", "IPAddress", "Timezone", "Daylight", "LastUpdate", "AddrMask",
            "LoginName", "LoginPass", "WDNightLow", "WDNightHigh", "WDDay1Low", "WDDay1High", "WDDay2Low",
            "WDDay2High", "SDNightLow", "SDNightHigh", "SDDay1Low", "SDDay1High", "SDDay2Low", "SDDay2High"}));
    EXPECT_EQ(iniValue("Station1", "Region"), "001");
    EXPECT_EQ(iniValue("Station1", "Number"), "005");
    EXPECT_EQ(iniValue("Station1", "Timezone"), "-3600");
    EXPECT_EQ(iniValue("Station1", "Daylight"), "1");
    EXPECT_EQ(iniValue("Station1", "LastUpdate"), "38353");
    EXPECT_EQ(iniValue("Station1", "LoginPass"), ScramblePassword("kqv"));
    EXPECT_NE(iniValue("Station1", "LoginPass"), "kqv");
    EXPECT_EQ(iniValue("Station1", "WDDay1High"), "18");
    EXPECT_EQ(iniValue("Station", "InitialDir"), dir.path());
    EXPECT_EQ(iniValue("Station", "Organisation"), "<missing>");  // never written
    EXPECT_EQ(iniValue("Timezone", "Zone"), "-3600");  // the last active station's zone
    EXPECT_EQ(iniValue("Timezone", "Daylight"), "1");
    EXPECT_EQ(iniValue("Form", "Height"), QString::number(MainFormHvtk->height()));
    EXPECT_EQ(iniValue("View", "Average"), "0");
    EXPECT_EQ(iniValue("IO", "PortNumber"), "1");
}

TEST_F(AppFixture, CancellingTheEditorStartsWithTheDefaultStation)
{
    driveModals([](QWidget* w) {
        if (w == frmStatEdit)
            frmStatEdit->bbtCancel->click();
        else if (w == frmStation && !frmStatEdit->isVisible())
            frmStation->bbtExit->click();
    });
    start();
    ASSERT_TRUE(MainFormHvtk->isVisible());
    EXPECT_EQ(frmStation->ActiveRow, 1);
    EXPECT_EQ(CurrentStation.RegionNumber, 0);
    EXPECT_EQ(CurrentStation.StationNumber, 0);
    EXPECT_EQ(CurrentStation.LastUpdate, 38353.0);
    EXPECT_EQ(CurrentStation.LoginPass, "kqv");
}

// Damaged entries never cost a stored station: with no valid active station the list opens
// for the user to pick one, and counts take only the stations the file holds.
TEST_F(AppFixture, DamagedActivAndCountsKeepEveryStoredStation)
{
    struct Row {
        const char* stations;  // the lines of [Stations] besides the sections
        bool listShown;
    } rows[] = {
        {"Activ=\nCount2=3\n", true},
        {"Activ=0\nCount2=3\n", true},
        {"Activ=-5\nCount2=3\n", true},
        {"Activ=2x\nCount2=3\n", true},
        {"Activ=99999999999\nCount2=3\n", true},
        {"Count2=3\n", true},
        {"Activ=1\nCount2=-5\n", false},
        {"Activ=1\nCount2=x\n", false},
        {"Activ=1\nCount2=2147483647\n", false},
        {"Activ=1\nCount=10000\nCount2=10000\n", false},
    };
    for (const Row& r : rows) {
        QByteArray ini = "[Station]\nInitialDir=" + dir.path().toUtf8() + "\n[Stations]\n" + r.stations;
        for (int i = 1; i <= 3; ++i)
            ini += "[Station" + QByteArray::number(i) + "]\nRegion=00" + QByteArray::number(i) + "\nNumber=001\nName=S" +
                   QByteArray::number(i) + "\n";
        writeIni(ini);
        bool listShown = false;
        driveModals([&](QWidget* w) {
            if (w == frmStatEdit) {
                frmStatEdit->bbtCancel->click();
            } else if (w == frmStation) {
                listShown = true;
                frmStation->stgList->setCurrentCell(1, 0);
                emit frmStation->stgList->cellClicked(1, 0);
                frmStation->bbtExit->click();
            }
        });
        start();
        EXPECT_EQ(listShown, r.listShown) << r.stations;
        EXPECT_EQ(frmStation->stgList->RowCount(), 4) << r.stations;
        EXPECT_EQ(CurrentStation.StationName, r.listShown ? "S2" : "S1") << r.stations;
        // The list's own loop painted before the day was set: the date line follows anyway.
        EXPECT_EQ(MainFormHvtk->lblDatum->text().toStdString(), graph::DateCaption(MainFormHvtk->DisplayedDate).toStdString());
        closeMain();
        DestroyForms();
        const QByteArray saved = iniBytes();
        EXPECT_LT(saved.count('\n'), 100) << r.stations;
        EXPECT_EQ(iniValue("Stations", "Count2"), "3") << r.stations;
        EXPECT_EQ(iniValue("Stations", "Activ"), r.listShown ? "2" : "1") << r.stations;
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(iniValue(qPrintable(QStringLiteral("Station%1").arg(i)), "Name"), QStringLiteral("S%1").arg(i));
        CurrentStation = TStationSettings{};
    }
}

TEST_F(AppFixture, OlderLayoutIsReadWithItsDefaultsAndSavedInTheNewerOne)
{
    writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
             "\n[IO]\nIPAddress=10.1.2.3\nFtpUsername=admin\nFtpPassword=Geheim7\n"
             "[Stations]\nActiv=2\nCount=3\nRegion1=5\nNumber1=1\nName1=Nord\nRegion2=5\nNumber2=2\nName2=Sued\n"
             "Region3=5\nNumber3=3\nName3=West\nTimezone2=-7200\nDaylight2=0\n");
    driveModals([](QWidget* w) { w->close(); });  // no window may open
    start();
    ASSERT_TRUE(MainFormHvtk->isVisible());
    TStringGrid* g = frmStation->stgList;
    ASSERT_EQ(g->RowCount(), 4);
    EXPECT_EQ(g->Cells(2, 3), "West");
    EXPECT_EQ(g->Cells(3, 1), "10.1.2.3");
    EXPECT_EQ(g->Cells(7, 1), "36161");
    EXPECT_EQ(g->Cells(14, 1), "20");  // weekday Day1High of the older layout
    EXPECT_EQ(g->Cells(10, 2), "Geheim7");  // read plain
    EXPECT_EQ(CurrentStation.StationName, "Sued");
    EXPECT_EQ(CurrentStation.ZoneBias, -7200);
    EXPECT_FALSE(CurrentStation.Daylight);
    EXPECT_EQ(MainFormHvtk->cbxStations->currentIndex(), 1);
    EXPECT_EQ(MainFormHvtk->cbxStations->itemText(2), "West (5/3)");

    closeMain();
    EXPECT_EQ(iniValue("Stations", "Count"), "0");
    EXPECT_EQ(iniValue("Stations", "Count2"), "3");
    EXPECT_EQ(iniValue("Stations", "Activ"), "2");
    EXPECT_EQ(iniValue("Station2", "LoginPass"), ScramblePassword("Geheim7"));
    EXPECT_EQ(iniValue("Station2", "Timezone"), "-7200");
    EXPECT_EQ(iniValue("Station3", "WDDay1High"), "20");
    EXPECT_EQ(iniValue("Stations", "Name1"), "Nord");  // older keys stay in the file
}

TEST_F(AppFixture, CountsAndActivFromADamagedFileAreClamped)
{
    writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
             "\n[Stations]\nActiv=9\nCount=-4\nCount2=2\n[Station1]\nName=A\n[Station2]\nName=B\n");
    driveModals([](QWidget* w) { w->close(); });
    start();
    EXPECT_EQ(frmStation->stgList->RowCount(), 3);
    EXPECT_EQ(frmStation->ActiveRow, 1);
    EXPECT_EQ(CurrentStation.StationName, "A");
    EXPECT_EQ(MainFormHvtk->cbxStations->currentIndex(), 0);
}

TEST_F(AppFixture, ABadNumberInTheActiveRowIsReportedAndChangesNothing)
{
    writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
             "\n[Stations]\nActiv=1\nCount2=1\n[Station1]\nRegion=abc\nName=Kaputt\n");
    driveModals([](QWidget* w) { w->close(); });
    start();
    ASSERT_TRUE(MainFormHvtk->isVisible());
    ASSERT_EQ(platform::DialogScript::shown().size(), 1u);
    EXPECT_TRUE(platform::DialogScript::shown()[0].text.contains("abc"));
    EXPECT_EQ(CurrentStation.StationName, "");
    closeMain();
    EXPECT_EQ(iniValue("Station1", "Region"), "abc");  // written back as it was
    EXPECT_EQ(iniValue("Station1", "Name"), "Kaputt");
}
