#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include "app/mainformhvtk.h"
#include "app/setlanguage.h"
#include "app/texts/sprachen.h"
#include "platform/gui/tstringgrid.h"
#include "data/runtimetexts.h"
#include "platform/gui/tradiogroup.h"
#include "../windows/stationwindows.h"

namespace {

class Texts : public ::testing::Test {
protected:
    StationWindows w;
};

}  // namespace

TEST_F(Texts, BothLanguagesAsWrittenAndOtherValuesRefused)
{
    ASSERT_TRUE(SetLanguage(0));
    EXPECT_EQ(MsgTransferRetry, "Fehler bei der Datenübertragung. \n Erneut Versuchen?");
    EXPECT_EQ(MsgNoStationForDevice, "Zu dem ausgewählten Gerät ist noch keine Station angeleg! \n Jetzt anlegen?");
    EXPECT_EQ(MsgFileWriteProtected, "Fehler beim Schreiben der Datei (kein Schreibzugriff): ");
    EXPECT_EQ(FmtLeq3, "Leq3: %5.1f dB(A)");
    EXPECT_EQ(TxtCopied, "Dateien kopiert");
    EXPECT_EQ(WeekdayNames[1], "Sonntag");
    EXPECT_EQ(WeekdayNames[7], "Samstag");
    EXPECT_EQ(MonthNames[3], "März");
    EXPECT_EQ(MonthNames[12], "Dezember");

    EXPECT_FALSE(SetLanguage(2));
    EXPECT_FALSE(SetLanguage(255));
    EXPECT_EQ(TxtNotConnected, "Nicht Verbunden");
    EXPECT_EQ(w.st->windowTitle(), "Lärmwart - Stationsdaten");

    ASSERT_TRUE(SetLanguage(1));
    EXPECT_EQ(MsgHourRangesOverlap, "Inconsistent times specification, the regions should not overlapp!");
    EXPECT_EQ(MsgRegionStationUnknown, "Region or Station number can't be evasluated. \n Select manualy?");
    EXPECT_EQ(MsgFileNotFound, "File does not exists: ");
    EXPECT_EQ(MsgStoreConfirm, "Store the Measuring data im directory [%s]? ");
    EXPECT_EQ(FmtLeq3, "Leq3: %2.1f dB(A)");
    EXPECT_EQ(TxtLines, "Columns");
    EXPECT_EQ(MonthNames[10], "Oktober");
    EXPECT_EQ(MonthNames[11], "November");
    EXPECT_EQ(WeekdayNames[1], "Sunday");
    EXPECT_FALSE(MsgDirectoryExists.isEmpty());
}

TEST_F(Texts, InitEmptiesEveryTextAndTheStationRecord)
{
    SetLanguage(0);
    CurrentStation.IPAddress = "1.2.3.4";
    CurrentStation.InitialDir = "/data";
    CurrentStation.LastUpdate = 40000;
    InitLanguageTexts();
    EXPECT_TRUE(MsgRs232Timeout.isEmpty());
    EXPECT_TRUE(MsgStoreConfirm.isEmpty());
    EXPECT_TRUE(WeekdayNames[1].isEmpty());
    EXPECT_TRUE(MonthNames[12].isEmpty());
    EXPECT_TRUE(CurrentStation.IPAddress.isEmpty());
    EXPECT_TRUE(CurrentStation.InitialDir.isEmpty());
    EXPECT_EQ(CurrentStation.LastUpdate, 0.0);
    SetLanguage(1);
    FreeLanguageTexts();
    EXPECT_TRUE(TxtTime.isEmpty());
    SetLanguage(0);
}

TEST_F(Texts, WindowsOfTheStationList)
{
    SetLanguage(0);
    EXPECT_EQ(platform::AppTitle(), "Lärmwart");
    EXPECT_EQ(w.st->windowTitle(), "Lärmwart - Stationsdaten");
    EXPECT_EQ(w.st->stgList->Cells(2, 0), "Namen");
    EXPECT_EQ(w.st->lblStation->text(), "Zum auswählen Station anklicken");
    EXPECT_EQ(w.ed->lblSundays->text(), "Sonntags:");
    EXPECT_EQ(w.tz->bbtDefault->text(), "Systemeinstellungen des PC übernehemen");
    EXPECT_EQ(w.tz->cbxDaylight->text(), "Europäische Sommerzeit berücksichtigen");
    EXPECT_EQ(w.sp->rdgSprachen->Item(1), "Englisch (Großbritannien)");
    EXPECT_EQ(w.sp->bbtOk->text(), "Übernehmen");

    SetLanguage(1);
    EXPECT_EQ(platform::AppTitle(), "Noisewart");
    EXPECT_EQ(w.st->windowTitle(), "Station data");
    EXPECT_EQ(w.st->stgList->Cells(4, 0), "Time Zone");
    EXPECT_EQ(w.st->bbtEdit->text(), "Edit station data");
    EXPECT_EQ(w.ed->lblSundays->text(), "Sunndays:");
    EXPECT_EQ(w.ed->bbtTimezone->text(), "setting");
    EXPECT_EQ(w.ed->lblOclock2->text(), "o'clock");
    EXPECT_EQ(w.tz->windowTitle(), "Time Zone");
    EXPECT_EQ(w.tz->bbtCancel->text(), "Abort");
    EXPECT_EQ(w.sp->rdgSprachen->Item(0), "German");
    EXPECT_EQ(w.sp->bbtQuit->text(), "Quit");
}

TEST_F(Texts, MainWindowMenuHeaderAndHolidayRule)
{
    struct Restore {
        TMainFormHvtk* old = MainFormHvtk;
        QString organisation = CurrentStation.Organisation;
        ~Restore() { MainFormHvtk = old; CurrentStation.Organisation = organisation; }
    } restore;
    auto main = std::make_unique<TMainFormHvtk>();
    MainFormHvtk = main.get();
    CurrentStation.Organisation.clear();

    SetLanguage(0);
    EXPECT_TRUE(main->HolidayAsSunday);
    EXPECT_EQ(main->windowTitle(), "Lärmmessung");
    EXPECT_EQ(main->lblHeader->text(), "Lärmwart");
    EXPECT_EQ(main->mnuData->title(), "&Messdaten");
    EXPECT_EQ(main->mnuHandbook->text(), "&Handbuch öffnen");
    EXPECT_EQ(main->mnuDrucken->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    EXPECT_EQ(main->mnuExport->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(main->mnuBeenden->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(main->spbZoomAus->toolTip(), "Zurück zur Ganztagansicht");
    EXPECT_EQ(main->cbxAverage->text(), "&Leq3 Durchschnittskurve");
    EXPECT_EQ(main->rdgOnline->Item(1), "vom Messgerät");

    {
        const QSignalBlocker quiet(main->rdgOnline);  // no switch to online data here
        main->rdgOnline->SetItemIndex(1);
    }
    SetLanguage(1);
    EXPECT_FALSE(main->HolidayAsSunday);
    EXPECT_EQ(main->lblHeader->text(), "Noisewart");
    EXPECT_EQ(main->mnuDrucken->text(), "&Print ...");
    EXPECT_EQ(main->mnuDrucken->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(main->mnuSystem->title(), "S&ystem");
    EXPECT_EQ(main->rdgOnline->title(), "Representation of meas. values");
    EXPECT_EQ(main->rdgOnline->Item(0), "from PC");
    EXPECT_EQ(main->rdgOnline->ItemIndex(), 1);  // items replaced in place

    // An organisation text keeps the header.
    CurrentStation.Organisation = "Stadtwerke";
    main->lblHeader->setText("Stadtwerke");
    SetLanguage(0);
    EXPECT_EQ(main->lblHeader->text(), "Stadtwerke");
}

// German boxes and Qt's own dialogs, read from the windows; no application name that the
// window system would append to every title.
TEST_F(Texts, BoxesAndQtsOwnDialogsSpeakTheChosenLanguageAndTitlesStandAlone)
{
    SetLanguage(0);
    platform::DialogScript::end();
    QStringList seen;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>())
            seen << b->text().remove(u'&');
        if (box)
            box->buttons().first()->click();
    });
    platform::MessageDlg("?", platform::MsgDlgType::Error, platform::mbYes | platform::mbNo | platform::mbOK | platform::mbRetry | platform::mbAbort);
    platform::DialogScript::begin();
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (QStringList{"Abbrechen", "Ja", "Nein", "OK", "Wiederholen"}));
    const QStringList captions[2] = {{"Fehler", "Warnung", "Bestätigen"}, {"Error", "Warning", "Confirm"}};
    for (const int lang : {0, 1}) {
        SetLanguage(lang);
        platform::DialogScript::clearShown();
        for (auto type : {platform::MsgDlgType::Error, platform::MsgDlgType::Warning, platform::MsgDlgType::Confirmation})
            platform::MessageDlg("?", type, platform::mbOK);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(platform::DialogScript::shown().at(i).caption, captions[lang][i]);
        EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), lang == 0 ? "Drucken" : "Print");
    }
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    SetLanguage(0);
}

TEST(FileVersion, DottedPartsByMode)
{
    EXPECT_EQ(FormatFileVersion(3, 3, 1, 0, 0), "3.1");
    EXPECT_EQ(FormatFileVersion(3, 3, 1, 2, 0), "3.1.2");
    EXPECT_EQ(FormatFileVersion(3, 3, 1, 0, 7), "3.1.0");
    EXPECT_EQ(FormatFileVersion(2, 3, 1, 2, 7), "3.1");
    EXPECT_EQ(FormatFileVersion(1, 3, 1, 2, 7), "3");
    EXPECT_EQ(FormatFileVersion(3, 10, 0, 0, 0), "10.0");

    // The program's own version is the project version it was built with.
    const QStringList parts = QString::fromLatin1(QWL_VERSION).split('.');
    ASSERT_GE(parts.size(), 2);
    EXPECT_EQ(FileVersionString(1), parts[0]);
    EXPECT_EQ(FileVersionString(2), parts[0] + "." + parts[1]);
    uint16_t a = 9, b = 9, c = 9, d = 9;
    GetFileVersion(a, b, c, d);
    EXPECT_EQ(a, parts[0].toUInt());
    EXPECT_EQ(b, parts[1].toUInt());
}
