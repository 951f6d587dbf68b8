#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "peers/dbbwriter.h"
#include "platform/core/settingsfile.h"
#include "platform/gui/tstringgrid.h"
#include "platform/gui/tradiogroup.h"
#include "stationwindows.h"

namespace {

class StationEditor : public ::testing::Test {
protected:
    StationWindows w;
    TfrmStatEdit* ed = w.ed.get();

    void SetUp() override
    {
        // One other station 001/005 in the list; the edited one is not in it.
        TStringGrid* g = w.st->stgList;
        g->SetRowCount(2);
        g->SetRowTexts(1, TfrmStation::DefaultRow());
        g->SetCells(0, 1, "001");
        g->SetCells(1, 1, "005");
        w.st->ActiveRow = -1;
        ed->edRegNum->setText("2");
        ed->edStatNum->setText("5");
        ed->edAktName->setText("Schule");
        ed->edTimezone->setText("-3600");
        ed->edDaylight->setText("1");
        const char* hours[12] = {"22", "6", "6", "18", "0", "0", "22", "6", "6", "18", "0", "0"};
        for (int i = 0; i < 12; ++i)
            ed->HourEdit(i)->setText(hours[i]);
        ed->show();
        platform::DialogScript::clearShown();
    }
    void TearDown() override { ed->hide(); }

    // Presses OK; returns the one message shown ("" when none) and checks the focused field.
    QString pressOk(QLineEdit* expectFocus)
    {
        platform::DialogScript::clearShown();
        ed->bbtOk->click();
        const auto& shown = platform::DialogScript::shown();
        if (shown.empty())
            return QString();
        EXPECT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].type, platform::MsgDlgType::Error);
        EXPECT_EQ(shown[0].buttons, unsigned(platform::mbOK));
        EXPECT_TRUE(ed->isVisible());
        if (expectFocus) {
            EXPECT_EQ(ed->focusWidget(), expectFocus) << expectFocus->objectName().toStdString();
            EXPECT_EQ(expectFocus->selectedText(), expectFocus->text());
        }
        return shown[0].text;
    }
};

void type(QLineEdit* e, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(e, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(e, &release);
}

}  // namespace

TEST_F(StationEditor, ChecksInOrderWithMessageAndFocus)
{
    ed->edRegNum->clear();
    ed->edAktName->clear();
    EXPECT_EQ(pressOk(ed->edRegNum), "Ungültige Stations-/Regionsnummer (0...999)");
    ed->edRegNum->setText("2");
    ed->edStatNum->clear();
    EXPECT_EQ(pressOk(ed->edStatNum), MsgInvalidStationNumber);
    ed->edStatNum->setText("5");
    EXPECT_EQ(pressOk(ed->edAktName), "Geben Sie einen Namen für diese Station ein!");
    ed->edAktName->setText("Schule");
    ed->edRegNum->setText("01");  // 1/5 exists already
    EXPECT_EQ(pressOk(ed->edStatNum), "Die Kombination Regions-/Stationsnummer ist nicht eindeutig!");
    ed->edRegNum->setText("2");
    ed->edWdDay2Low->setText("17");
    ed->edWdDay2High->setText("20");
    EXPECT_EQ(pressOk(ed->edWdDay1High), "Inkonsistente Zeitangabe, die Bereiche dürfen sich nicht überschneiden!");
    ed->edWdDay2Low->setText("0");
    ed->edWdDay2High->setText("0");
    EXPECT_EQ(pressOk(nullptr), "");
    EXPECT_FALSE(ed->isVisible());
    EXPECT_EQ(ed->result(), 1);
}

TEST_F(StationEditor, EachHourRuleFocusesItsField)
{
    struct Case {
        int first;  // index of the first of the four fields set (day 1 low .. day 2 high)
        const char* values[4];
        QLineEdit* focus;
    };
    const Case cases[] = {
        {2, {"19", "18", "0", "0"}, ed->edWdDay1Low},
        {2, {"6", "12", "15", "14"}, ed->edWdDay2Low},
        {2, {"6", "18", "17", "20"}, ed->edWdDay1High},
        {2, {"6", "12", "13", "23"}, ed->edWdDay2High},
        {8, {"19", "18", "0", "0"}, ed->edSdDay1Low},
        {8, {"6", "12", "15", "14"}, ed->edSdDay2Low},
        {8, {"6", "18", "17", "20"}, ed->edSdDay1High},
        {8, {"6", "12", "13", "23"}, ed->edSdDay2High},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focus->objectName().toStdString());
        for (int i = 0; i < 4; ++i)
            ed->HourEdit(c.first + i)->setText(c.values[i]);
        EXPECT_EQ(pressOk(c.focus), MsgHourRangesOverlap);
        const char* reset[4] = {"6", "18", "0", "0"};
        for (int i = 0; i < 4; ++i)
            ed->HourEdit(c.first + i)->setText(reset[i]);
    }
    EXPECT_EQ(pressOk(nullptr), "");
}

TEST_F(StationEditor, NumberFieldsTakeDigitsOnlyTypedOrPasted)
{
    QLineEdit* e = ed->edRegNum;
    e->clear();
    e->setFocus();
    type(e, Qt::Key_4, "4");
    type(e, Qt::Key_A, "a");
    type(e, Qt::Key_Minus, "-");
    type(e, Qt::Key_2, "2");
    EXPECT_EQ(e->text(), "42");
    type(e, Qt::Key_Backspace, QString(QChar(8)));
    EXPECT_EQ(e->text(), "4");
    type(ed->edWdNightLow, Qt::Key_Plus, "+");
    EXPECT_EQ(ed->edWdNightLow->text(), "22");

    QGuiApplication::clipboard()->setText("1x");
    e->paste();
    EXPECT_EQ(e->text(), "4");
    QGuiApplication::clipboard()->setText("23");
    e->paste();
    EXPECT_EQ(e->text(), "423");
    type(e, Qt::Key_5, "5");  // three digits at most
    EXPECT_EQ(e->text(), "423");

    // Text put there by other means is refused at OK.
    for (const char* bad : {"-5", "1a", " 7"}) {
        ed->edStatNum->setText(bad);
        EXPECT_EQ(pressOk(ed->edStatNum), MsgInvalidStationNumber) << bad;
    }
}

// What the station list puts there is shown whole; OK names what is wrong with it.
TEST_F(StationEditor, StoredValuesAreShownWholeAndCheckedAtOk)
{
    const QString longName(150, QLatin1Char('n'));
    ed->edRegNum->setText("1234");
    ed->edAktName->setText(longName);
    EXPECT_EQ(ed->edAktName->text(), longName);
    EXPECT_EQ(pressOk(ed->edRegNum), MsgInvalidStationNumber);
    type(ed->edRegNum, Qt::Key_End, QString()), type(ed->edRegNum, Qt::Key_Backspace, QString(QChar(8)));
    EXPECT_EQ(ed->edRegNum->text(), "123");
    EXPECT_EQ(pressOk(ed->edAktName), MsgStationNameTooLong.arg(100));
    ed->edAktName->setText(longName.left(100));
    type(ed->edAktName, Qt::Key_X, "x");  // typing stops at the limit
    EXPECT_EQ(ed->edAktName->text(), longName.left(100));
    EXPECT_EQ(pressOk(nullptr), "");
}

TEST_F(StationEditor, ZoneAndLanguageButtons)
{
    TfrmTimezone* tz = w.tz.get();
    whenShown(tz, [&] {
        EXPECT_EQ(tz->cobZones->currentIndex(), 4);
        EXPECT_TRUE(tz->cbxDaylight->isChecked());
        tz->cobZones->setCurrentIndex(7);
        tz->cbxDaylight->setChecked(false);
        tz->bbtOk->click();
    });
    ed->bbtTimezone->click();
    EXPECT_EQ(ed->edTimezoneStr->text(), "(UTC+05:45) Katmandu");
    EXPECT_EQ(ed->edTimezone->text(), "-20700");
    EXPECT_EQ(ed->edDaylight->text(), "0");

    whenShown(tz, [&] { tz->bbtCancel->click(); });
    ed->bbtTimezone->click();
    EXPECT_EQ(ed->edTimezone->text(), "-20700");

    TfrmSelSprache* sp = w.sp.get();
    EXPECT_EQ(ed->bbtCancel->text(), "Abbrechen");
    whenShown(sp, [&] {
        EXPECT_EQ(sp->rdgSprachen->ItemIndex(), 0);
        sp->rdgSprachen->SetItemIndex(1);
        sp->bbtOk->click();
    });
    ed->bbtLanguage->click();
    EXPECT_EQ(CurrentStation.CurrentLanguage, 1);
    EXPECT_EQ(ed->bbtCancel->text(), "Cancel");
    EXPECT_EQ(ed->windowTitle(), "Edit Station data:");
    EXPECT_EQ(MsgStationNameMissing, "Enter a name for this station!");
    EXPECT_TRUE(ed->isVisible());
}

TEST_F(StationEditor, ClosingInAnyOtherWayGivesCancel)
{
    ed->hide();
    whenShown(ed, [&] { ed->reject(); });
    EXPECT_EQ(ed->exec(), 2);
    whenShown(ed, [&] { ed->close(); });
    EXPECT_EQ(ed->exec(), 2);
    whenShown(ed, [&] {
        ed->edAktName->clear();
        ed->bbtOk->click();  // refused: the window stays and the result is still cancel
        ed->bbtCancel->click();
    });
    EXPECT_EQ(ed->exec(), 2);
}

// An older program's settings file (Windows-1252) cannot store "中": refused, field selected.
TEST_F(StationEditor, ANameTheSettingsFileCannotStoreIsRefused)
{
    QTemporaryDir dir;
    const QString ini = dbbtest::WriteFile(dir.path(), "qwlview.INI", "[Station1]\r\nName=S\374d\r\n");
    ASSERT_FALSE(ini.isEmpty());
    platform::SetSettingsFilePath(ini);
    ed->edAktName->setText(QString::fromUtf8("Nord 中 €"));
    const QString refused = pressOk(ed->edAktName);
    platform::SetSettingsFilePath(QString());
    EXPECT_TRUE(refused.contains(
        QString::fromUtf8("Windows-1252 geschrieben und kann diese Zeichen des Namens nicht speichern: „中“")));
}
