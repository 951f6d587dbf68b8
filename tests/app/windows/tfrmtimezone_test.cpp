#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "app/mainformhvtk.h"
#include "stationwindows.h"
#include "app/setlanguage.h"

namespace {

class TimeZone : public ::testing::Test {
protected:
    StationWindows w;
    TfrmTimezone* tz = w.tz.get();
};

const int32_t Biases[11] = {21600, 18000, 10800, 0, -3600, -7200, -10800, -20700, -28800, -32400, -36000};

}  // namespace

TEST_F(TimeZone, EveryEntryRoundTripsBetweenBiasAndText)
{
    ASSERT_EQ(tz->cobZones->count(), 11);
    for (int i = 0; i < 11; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(tz->ZoneText(Biases[i]), TfrmTimezone::ZoneEntries()[i]);
        EXPECT_EQ(tz->cobZones->currentIndex(), i);
        tz->ZoneBias = 12345;  // OK must parse the entry, not keep the field
        tz->bbtOkClick();
        EXPECT_EQ(tz->ZoneBias, Biases[i]);
    }
    EXPECT_EQ(tz->ZoneText(0), "(UTC 00:00) Dublin, Casablanca, London, Lissabon, Monrovia");
    EXPECT_EQ(tz->ZoneText(-20700), "(UTC+05:45) Katmandu");
    EXPECT_EQ(tz->ZoneText(-3600), "(UTC+01:00) Berlin, Belgrad, Bern, Madrid, Prag, Rom, Paris");
}

TEST_F(TimeZone, UnknownBiasSelectsNothingAndOkKeepsIt)
{
    EXPECT_EQ(tz->cobZones->currentIndex(), -1);
    EXPECT_EQ(tz->ZoneText(-19800), "");  // +05:30 is no entry
    // Even after another zone was selected: nothing is selected, no text, and OK (with the
    // summer-time box ticked by the operator) keeps the zone handed in.
    EXPECT_EQ(tz->ZoneText(18000), TfrmTimezone::ZoneEntries()[1]);
    for (const int32_t bias : {-19800, INT32_MIN, INT32_MAX, INT32_MIN + 1}) {
        SCOPED_TRACE(bias);
        EXPECT_EQ(tz->ZoneText(bias), "");
        EXPECT_EQ(tz->cobZones->currentIndex(), -1);
        tz->cbxDaylight->setChecked(true);
        tz->bbtOkClick();
        EXPECT_EQ(tz->ZoneBias, bias);
        EXPECT_TRUE(tz->Daylight);
    }

    // A language change refills the list with nothing selected.
    SetLanguage(1);
    EXPECT_EQ(tz->cobZones->currentIndex(), -1);
    EXPECT_EQ(tz->cobZones->itemText(7), "(UTC+05:45) Katmandu");
}

TEST_F(TimeZone, ShowOkCancelAndDefault)
{
    tz->ZoneBias = 18000;
    tz->Daylight = false;
    whenShown(tz, [&] {
        EXPECT_EQ(tz->cobZones->currentIndex(), 1);
        EXPECT_FALSE(tz->cbxDaylight->isChecked());
        tz->cobZones->setCurrentIndex(7);
        tz->cbxDaylight->setChecked(true);
        tz->bbtOk->click();
    });
    EXPECT_EQ(tz->exec(), 1);
    EXPECT_EQ(tz->ZoneBias, -20700);
    EXPECT_TRUE(tz->Daylight);

    whenShown(tz, [&] {
        tz->cobZones->setCurrentIndex(0);
        tz->cbxDaylight->setChecked(false);
        tz->bbtCancel->click();
    });
    EXPECT_EQ(tz->exec(), 2);
    EXPECT_EQ(tz->ZoneBias, -20700);
    EXPECT_TRUE(tz->Daylight);
    // Escape and the close box cancel the same way.
    whenShown(tz, [&] { QTest::keyClick(tz->cobZones, Qt::Key_Escape); });
    EXPECT_EQ(tz->exec(), 2);
    whenShown(tz, [&] { tz->close(); });
    EXPECT_EQ(tz->exec(), 2);

    struct Restore {
        TMainFormHvtk* old = MainFormHvtk;
        ~Restore() { MainFormHvtk = old; }
    } restore;
    auto main = std::make_unique<TMainFormHvtk>();
    MainFormHvtk = main.get();
    main->SavedTimezone = -3600;
    main->SavedDaylight = 1;
    tz->ZoneBias = 0;
    tz->Daylight = false;
    tz->bbtDefaultClick();
    EXPECT_EQ(tz->cobZones->currentIndex(), 4);
    EXPECT_TRUE(tz->cbxDaylight->isChecked());
    EXPECT_EQ(tz->ZoneBias, -3600);
}
