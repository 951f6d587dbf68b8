#include <QDate>
#include <gtest/gtest.h>

#include "app/graph/graphgeometry.h"
#include "data/runtimetexts.h"
#include "app/graph/graphsamples.h"

using namespace graph;

TEST(GraphLayout, VerticalScaleAndPanelFollowTheWindowHeight)
{
    const struct { int Height, Ppdb, Panel; } rows[] = {
        {300, 1, 194}, {430, 1, 194}, {530, 2, 294}, {629, 2, 294}, {1030, 7, 794}, {1129, 7, 794}};
    for (const auto& r : rows) {
        EXPECT_EQ(PixelsPerDbForHeight(r.Height), r.Ppdb) << r.Height;
        EXPECT_EQ(GraphPanelHeight(PixelsPerDbForHeight(r.Height)), r.Panel) << r.Height;
    }
}

TEST(GraphLayout, PlotRectAndExtentsPerZoomLevelAndHeight)
{
    const struct { int Height, Zoom; TRect Plot; int ExtX, ExtY; } rows[] = {
        {430, 0, {50, 40, 1490, 140}, 1550, 185},
        {430, 1, {50, 40, 1250, 140}, 1310, 185},
        {430, 2, {50, 40, 1250, 140}, 1310, 185},
        {1030, 0, {50, 40, 1490, 740}, 1550, 785},
        {1030, 1, {50, 40, 1250, 740}, 1310, 785},
        {1030, 2, {50, 40, 1250, 740}, 1310, 785},
    };
    for (const auto& r : rows) {
        const TGraphFrame f = ComputeFrame(0, 0, r.Zoom, PixelsPerDbForHeight(r.Height));
        EXPECT_EQ(f.PlotRect, r.Plot) << r.Height << "/" << r.Zoom;
        EXPECT_EQ(f.DrawExtentX, r.ExtX);
        EXPECT_EQ(f.DrawExtentY, r.ExtY);
    }
    // Scrolled: everything moves left with the origin.
    const TGraphFrame scrolled = ComputeFrame(-120, 0, 0, 1);
    EXPECT_EQ(scrolled.PlotRect, (TRect{-70, 40, 1370, 140}));
    EXPECT_EQ(scrolled.DrawExtentX, 1430);
    EXPECT_EQ(VirtualWidth(0), 1550);
    EXPECT_EQ(VirtualWidth(2), 1320);
}

TEST(GraphLayout, ScrollBarForWideAndNarrowImages)
{
    const TScrollSetup wide = ScrollBarSetup(1550, 1600);
    EXPECT_EQ(wide.PageSize, 1550);
    EXPECT_EQ(wide.Maximum, 1550);
    EXPECT_EQ(wide.Range(), 0);
    const TScrollSetup narrow = ScrollBarSetup(1550, 1000);
    EXPECT_EQ(narrow.PageSize, 645);
    EXPECT_EQ(narrow.Maximum, 1550 - 1000 + 645);
    EXPECT_EQ(narrow.Range(), 550);
    EXPECT_EQ(ScrollBarSetup(1320, 1320).Range(), 0);
}

TEST(GraphLayout, PrintScaleAndOrigin)
{
    // A4-like page of 4680 x 3300 device pixels, whole-day screen drawing with 4 px/dB.
    const TGraphFrame day = ComputeFrame(0, 0, 0, 4);
    EXPECT_DOUBLE_EQ(PrintScale(4680, 3300, day), 3.0);
    EXPECT_EQ(PrintOriginY(3300, 3.0, 7), 200);
    // A tall window: the height decides.
    const TGraphFrame tall = ComputeFrame(0, 0, 0, 11);
    EXPECT_DOUBLE_EQ(PrintScale(4680, 3300, tall), 3300.0 / 1195.0);
    // Scrolled screen drawings print from their left end: the width does not change.
    EXPECT_DOUBLE_EQ(PrintScale(4680, 3300, ComputeFrame(-300, 0, 0, 4)), 3.0);
    EXPECT_DOUBLE_EQ(PrintScale(13200, 3300, ComputeFrame(0, 0, 1, 1)), 10.0);
}


TEST(GraphBands, WholeDayBandsFromHourPairs)
{
    const auto bands = DayBands(Ranges22);
    ASSERT_EQ(bands.size(), 4u);
    EXPECT_EQ(bands[0], (TBand{1320, 1440, ClNight, ClNight}));
    EXPECT_EQ(bands[1], (TBand{0, 360, ClNight, ClNight}));
    // Edge bands keep the night pen: a one-pixel night outline.
    EXPECT_EQ(bands[2], (TBand{360, 420, ClNight, ClEdge}));
    EXPECT_EQ(bands[3], (TBand{1200, 1320, ClNight, ClEdge}));
}

TEST(GraphBands, AbsentPairsNeverColourAnHour)
{
    // "from" -1 marks an absent pair whatever "to" holds.
    const int32_t ranges[10] = {-1, 5, -1, -1, -1, 24, 3, 3, -1, -1};
    EXPECT_TRUE(DayBands(ranges).empty());
    for (int h = 0; h < 24; ++h) {
        EXPECT_FALSE(HourInPairs(ranges, h, 0, 4)) << h;
        EXPECT_TRUE(HourBands(ranges, h).empty()) << h;
    }
}

TEST(GraphBands, ZoomedViewsTakeTheHoursOfTheirParts)
{
    // Two-hour view from 23:00: left half hour 23 (night), right half hour 0 (night).
    EXPECT_EQ(HourBands(Ranges22, 23),
              (std::vector<TBand>{{0, 600, ClNight, ClNight}, {600, 1200, ClNight, ClNight}}));
    // From 05:00: hour 5 night, hour 6 edge.
    EXPECT_EQ(HourBands(Ranges22, 5),
              (std::vector<TBand>{{0, 600, ClNight, ClNight}, {600, 1200, ClEdge, ClEdge}}));
    EXPECT_TRUE(HourBands(Ranges22, 12).empty());
    // Twelve-minute view from 19:50: the last two minutes belong to hour 20 (edge).
    EXPECT_EQ(MinuteBands(Ranges22, 19, 50), (std::vector<TBand>{{1000, 1200, ClEdge, ClEdge}}));
    EXPECT_TRUE(MinuteBands(Ranges22, 19, 40).empty());
    // From 23:50 the next hour is 0.
    EXPECT_EQ(MinuteBands(Ranges22, 23, 50),
              (std::vector<TBand>{{0, 1000, ClNight, ClNight}, {1000, 1200, ClNight, ClNight}}));
    // 22/6/7/12/13/18 style bounds: night 22-24 and 0-6, edges 6-7, 12-13, 18-22.
    const int32_t other[10] = {22, 24, 0, 6, 6, 7, 12, 13, 18, 22};
    EXPECT_EQ(MinuteBands(other, 14, 50), (std::vector<TBand>{}));
    EXPECT_EQ(MinuteBands(other, 12, 50), (std::vector<TBand>{{0, 1000, ClEdge, ClEdge}}));
}

TEST(GraphBands, SundaysAndHolidays)
{
    const int32_t weekday[10] = {}, sunday[10] = {};
    EXPECT_EQ(RangesForDay(true, false, false, weekday, sunday), sunday);
    EXPECT_EQ(RangesForDay(false, true, true, weekday, sunday), sunday);
    EXPECT_EQ(RangesForDay(false, true, false, weekday, sunday), weekday);
    EXPECT_EQ(RangesForDay(false, false, true, weekday, sunday), weekday);
}

TEST(GraphLabels, DbAndTimeLabels)
{
    EXPECT_EQ(DbLabel(0), "130");
    EXPECT_EQ(DbLabel(7), "60");
    EXPECT_EQ(DbLabel(10), "30");
    EXPECT_EQ(DayTimeLabel(0), "00:00");
    EXPECT_EQ(DayTimeLabel(24), "24:00");

    QStringList from22, from23;
    for (int i = 0; i <= 8; ++i) {
        from22 << HourTimeLabel(22, i);
        from23 << HourTimeLabel(23, i);
    }
    EXPECT_EQ(from22.join(' '), "22:00 22:15 22:30 22:45 23:00 23:15 23:30 23:45 24:00");
    EXPECT_EQ(from23.join(' '), "23:00 23:15 23:30 23:45 24:00 00:15 00:30 00:45 01:00");

    QStringList from2350, from0840;
    for (int i = 0; i <= 12; ++i) {
        from2350 << MinuteTimeLabel(23, 50, i);
        from0840 << MinuteTimeLabel(8, 50, i);
    }
    EXPECT_EQ(from2350.join(' '),
              "23:50 23:51 23:52 23:53 23:54 23:55 23:56 23:57 23:58 23:59 24:00 00:01 00:02");
    EXPECT_EQ(from0840.join(' '),
              "08:50 08:51 08:52 08:53 08:54 08:55 08:56 08:57 08:58 08:59 09:00 09:01 09:02");
}

TEST(GraphLabels, HeaderLines)
{
    const char* weekdays[] = {"", "Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
    const char* months[] = {"", "Januar", "Februar", "März", "April", "Mai", "Juni", "Juli",
                            "August", "September", "Oktober", "November", "Dezember"};
    for (int i = 1; i <= 7; ++i)
        WeekdayNames[i] = QString::fromUtf8(weekdays[i]);
    for (int i = 1; i <= 12; ++i)
        MonthNames[i] = QString::fromUtf8(months[i]);
    const auto day = [](int y, int m, int d) { return double(QDate(1899, 12, 30).daysTo(QDate(y, m, d))); };
    EXPECT_EQ(DateCaption(day(2007, 12, 4)), "Dienstag, 4. Dezember 2007");
    EXPECT_EQ(DateCaption(day(2008, 3, 2) + 0.75), QString::fromUtf8("Sonntag, 2. März 2008"));
    EXPECT_EQ(DayOfWeek(day(2007, 12, 2)), 1);
    EXPECT_EQ(DayOfWeek(day(2007, 12, 8)), 7);
    EXPECT_EQ(StationCaption("Halle", 2, 15), "Halle (002/015)");
    EXPECT_EQ(StationCaption("Halle", 0, 15), "Halle (015)");
    EXPECT_EQ(StationCaption("Halle", -1, 7), "Halle (007)");
}
