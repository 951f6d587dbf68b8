#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "data/calendaryear.h"
#include "data/stationsettings.h"
#include "app/setlanguage.h"
#include "app/windows/tfrmstatistik.h"
#include "common/pump.h"
#include "peers/dbbwriter.h"

namespace {

using namespace dbbtest;

// Station 001/005 at UTC+01:00: 5 March 2007 complete, 6 March ten hours; a 1998 folder.
class Calendar : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    TStationSettings saved = CurrentStation;
    std::unique_ptr<TfrmStatistik> w;
    TfrmStatistik* old = frmStatistik;

    void SetUp() override
    {
        CurrentStation.InitialDir = tmp.path();
        CurrentStation.RegionNumber = 1;
        CurrentStation.StationNumber = 5;
        CurrentStation.StationName = QStringLiteral("Musterstadt");
        CurrentStation.ZoneBias = -3600;
        CurrentStation.Daylight = false;
        for (int h = 0; h < 34; ++h) {
            HourFile f;
            f.utcStart = UtcSeconds(2007, 3, 4, 23) + 3600 * h;
            f.minutes = 1;
            WriteLocalHour(tmp.path(), f);
        }
        QDir().mkpath(tmp.filePath("Reg001/Stat005/1998/01"));
        w = std::make_unique<TfrmStatistik>();
        frmStatistik = w.get();
    }
    void TearDown() override
    {
        frmStatistik = old;
        CurrentStation = saved;
    }
    // Shows the window and waits until the last year page is drawn.
    void showDrawn()
    {
        w->show();
        ASSERT_TRUE(pumpUntil([this] { return w->YearCount > 0 && w->YearImages[size_t(w->YearCount - 1)]->Tag == 1; }));
    }
    uint32_t cellColour(int month, int day) const
    {
        const QImage& img = w->YearImages[0]->Image;
        const QRgb c = img.pixel(CalendarCellLeft(day) + 9, CalendarCellTop(month) + 9);
        return uint32_t(qBlue(c) << 16 | qGreen(c) << 8 | qRed(c));
    }
};

TEST_F(Calendar, DrawsTheYearAndAClickOnADaySelectsIt)
{
    SetLanguage(1);
    showDrawn();
    ASSERT_EQ(w->YearCount, 1);
    EXPECT_EQ(w->PageCtrl->tabText(0), QStringLiteral("2007"));
    EXPECT_TRUE(w->PageCtrl->isVisible());
    EXPECT_EQ(cellColour(3, 5), 0xFFFFFFu);
    EXPECT_EQ(cellColour(3, 6), 0xC0C0C0u);
    EXPECT_EQ(cellColour(3, 7), 0xDCB43Cu);
    EXPECT_EQ(cellColour(1, 1), 0xDCB43Cu);
    // The month names are written in a font 20 pixels high, ascent to descent.
    int tallest = 0;
    for (int m = 0; m < 12; ++m) {
        int top = 999, bottom = -1;
        for (int y = 26 + 20 * m; y < 46 + 20 * m; ++y)
            for (int x = 0; x < 92; ++x)
                if (qRed(w->YearImages[0]->Image.pixel(x, y)) > 160)  // white on the light blue
                    top = std::min(top, y), bottom = y;
        tallest = std::max(tallest, bottom - top + 1);
    }
    EXPECT_TRUE(tallest >= 16 && tallest <= 20) << tallest;
    // Each day number stands apart, centred over its cell: nothing in the gap after the cell.
    for (int d = 1, left = CalendarCellLeft(1); d <= 31; left = CalendarCellLeft(++d)) {
        int first = 999, last = -1;
        for (int x = left - 1; x < left + 19; ++x)
            for (int y = 4; y < 24; ++y)
                if (qRed(w->YearImages[0]->Image.pixel(x, y)) > 160)
                    first = std::min(first, x), last = x;
        EXPECT_TRUE(first >= left && last < left + 18 && std::abs(first + last - 2 * left - 17) <= 2) << d;
    }
    if (qEnvironmentVariableIsSet("QWL_SCREENSHOTS")) {
        for (int lang : {0, 1}) {
            SetLanguage(lang);
            w->grab().save(qEnvironmentVariable("QWL_SCREENSHOTS") + QStringLiteral("/calendar_%1.png").arg(lang));
        }
    }

    w->ImageMouseDown(100 + 20 * 29 + 3, 28 + 20 + 3);  // 30 February
    w->ImageMouseDown(60, 33);                           // the month names
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->SelectedDate, 0.0);
    w->ImageMouseDown(105, 33);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), 1);
    EXPECT_EQ(w->SelectedDate, EncodeDate(2007, 1, 1));
    EXPECT_EQ(w->YearCount, 0) << "closing frees the pages";
}

TEST_F(Calendar, StopLeavesThePageUndrawnAndNoYearShowsNoData)
{
    // A device that is slow to list: the user stops, or picks a day, while it waits.
    static bool pick = false;
    class StoppingSource : public TLocalCalendarSource {
    public:
        using TLocalCalendarSource::TLocalCalendarSource;
        int ListFiles(QStringList& list, const QString& mask) override
        {
            pick ? frmStatistik->ImageMouseDown(105, 33) : frmStatistik->bbtOkClick();
            return TLocalCalendarSource::ListFiles(list, mask);
        }
    };
    w->IsOnline = [] { return true; };
    TfrmStatistik::SetOnlineSource([this] { return std::make_unique<StoppingSource>(tmp.path(), 1, 5); });
    w->show();
    ASSERT_TRUE(pumpUntil([this] { return w->StopDrawing == 1; }));
    pumpFor(50);
    EXPECT_EQ(w->YearImages[0]->Tag, 0);
    EXPECT_EQ(cellColour(3, 5), 0xDCB43Cu);
    w->done(2);

    pick = true;
    w->show();
    ASSERT_TRUE(pumpUntil([this] { return !w->isVisible(); }));
    pumpFor(50);
    EXPECT_EQ(w->result(), 1);
    EXPECT_EQ(w->SelectedDate, EncodeDate(2007, 1, 1));
    EXPECT_EQ(w->YearCount, 0) << "the pages go once the drawing has ended";
    TfrmStatistik::SetOnlineSource({});
    showDrawn();
    EXPECT_EQ(cellColour(3, 5), 0xFFFFFFu) << "shown again, the year is drawn from the start";
    w->done(2);

    QDir(tmp.filePath("Reg001/Stat005/2007")).removeRecursively();
    w->show();
    pumpFor(150);
    EXPECT_EQ(w->YearCount, 0);
    EXPECT_FALSE(w->PageCtrl->isVisible());
    EXPECT_TRUE(w->lblNoData->isVisible());
    w->bbtOk->click();
    EXPECT_EQ(w->result(), 2);
}

}  // namespace
