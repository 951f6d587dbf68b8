#include <QStringList>
#include <gtest/gtest.h>

#include "app/graph/graphgeometry.h"
#include "app/graph/levelscale.h"
#include "app/graph/readout.h"
#include "app/graph/graphsamples.h"

using namespace graph;

namespace {

QStringList Times(const std::vector<TNumRow>& rows)
{
    QStringList out;
    for (const auto& r : rows)
        out << r.Time;
    return out;
}
}  // namespace

TEST(Readout, WholeDay)
{
    std::vector<double> levels(1440, 0.0);
    levels[845] = 63.64;
    levels[846] = 131.0;
    TReadout r = DayReadout(845, levels);
    EXPECT_EQ(r.Text, "14:05 Uhr = 63.6 dB(A)");
    EXPECT_EQ(r.Color, ClBlack);
    r = DayReadout(846, levels);
    EXPECT_EQ(r.Text, "14:06 Uhr = 131.0 dB(A)");
    EXPECT_EQ(r.Color, ClMagenta);
    r = DayReadout(0, levels);
    EXPECT_EQ(r.Text, "00:00 Uhr = 0.0 dB(A)");
    EXPECT_EQ(r.Color, ClMediumGrey);
    // The right edge has no level of its own.
    EXPECT_TRUE(DayReadout(1440, levels).Text.isEmpty());
    EXPECT_TRUE(DayReadout(-1, levels).Text.isEmpty());
}

TEST(Readout, TwoHours)
{
    std::vector<double> levels(1200, 0.0);
    levels[757] = 54.24;
    TReadout r = HourReadout(757, 13, levels);
    EXPECT_EQ(r.Text, "14:15:42 Uhr = 054.2 dB(A)");
    EXPECT_EQ(r.Color, ClBlack);
    // The hour is not wrapped past midnight.
    EXPECT_EQ(HourReadout(600, 23, levels).Text, "24:00:00 Uhr = 000.0 dB(A)");
    EXPECT_TRUE(HourReadout(1200, 13, levels).Text.isEmpty());
}

TEST(Readout, TwelveMinutes)
{
    std::vector<uint16_t> samples(150000, 0);
    const int k = 8 * 6000 + 5000 + 1043;
    samples[k] = Word(63, 63);
    TReadout r = MinuteReadout(1043, 8, 50, samples);
    EXPECT_EQ(r.Text, "09:00:25,8 Uhr = 064,0 dB(A)");
    EXPECT_EQ(r.Color, ClBlack);
    samples[k] = Word(70, 0, Overload);
    EXPECT_EQ(MinuteReadout(1043, 8, 50, samples).Color, ClMagenta);
    // From 23:50 the right edge is the next day's first sample, still inside the buffer.
    samples[144000] = Word(45, 0);
    r = MinuteReadout(1000, 23, 50, samples);
    EXPECT_EQ(r.Text, "00:00:00,0 Uhr = 045,0 dB(A)");
    EXPECT_TRUE(MinuteReadout(1200, 23, 50, std::span<const uint16_t>(samples).first(144000)).Text.isEmpty());
}

TEST(NumView, DayRows)
{
    std::vector<double> levels(1440, 0.0);
    levels[1430] = 45.26;
    levels[1432] = 29.0;
    levels[1433] = 131.5;
    const auto rows = NumViewDayRows(1430, 23, 50, levels);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0], (TNumRow{"23:50", "045.3"}));
    EXPECT_EQ(rows[1], (TNumRow{"23:51", std::nullopt}));
    EXPECT_EQ(rows[2].Level, "029.0 <<");
    EXPECT_EQ(rows[3].Level, "131.5 >>");
    EXPECT_EQ(rows[9].Time, "23:59");
    EXPECT_EQ(NumViewDayRows(0, 0, 0, levels).size(), 16u);
    EXPECT_EQ(NumViewDayRows(59, 0, 59, levels)[1].Time, "01:00");
    EXPECT_TRUE(NumViewDayRows(1440, 24, 0, levels).empty());
}

TEST(NumView, TwoHourRows)
{
    std::vector<double> levels(1200, 62.0);
    const auto rows = NumViewHourRows(757, 14, 15, 42, levels);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[0], (TNumRow{"14:15:42", "062.0"}));
    EXPECT_EQ(rows[1].Time, "14:15:48");
    EXPECT_EQ(rows[3].Time, "14:16:00");
    EXPECT_EQ(rows[15].Time, "14:17:12");
    EXPECT_EQ(NumViewHourRows(1190, 15, 59, 0, levels).size(), 10u);
    EXPECT_EQ(NumViewHourRows(1190, 15, 59, 0, levels)[9].Time, "15:59:54");
    EXPECT_TRUE(NumViewHourRows(1200, 16, 0, 0, levels).empty());
}

TEST(NumView, RawSampleRows)
{
    std::vector<uint16_t> samples(150000, 0);
    const int k = 8 * 6000 + 5000 + 1099;  // 09:00:59,4
    samples[k] = Word(29, 32, UnderRange);
    samples[k + 1] = Word(131, 0, Overload);
    samples[k + 2] = 0;
    samples[k + 3] = Word(60, 0, UnderRange | Overload);
    samples[k + 4] = Word(59, 63);
    const auto rows = NumViewMinuteRows(k, 9, 0, 59, 4, samples);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[0], (TNumRow{"09:00:59,4", "029,5 <<"}));
    EXPECT_EQ(rows[1], (TNumRow{"09:01:00,0", "131,0 >>"}));
    EXPECT_EQ(rows[2], (TNumRow{"09:01:00,6", " "}));
    EXPECT_EQ(rows[3].Level, "060,0 << >>");
    EXPECT_EQ(rows[4].Level, "060,0");
    EXPECT_EQ(rows[15].Time, "09:01:08,4");
    // Rows past the buffer's end are left out.
    EXPECT_EQ(NumViewMinuteRows(149990, 24, 59, 54, 0, samples).size(), 10u);
    EXPECT_EQ(Times(NumViewMinuteRows(0, 23, 59, 59, 4, samples)).mid(0, 2).join(' '), "23:59:59,4 24:00:00,0");
}
