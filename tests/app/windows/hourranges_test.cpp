#include <gtest/gtest.h>

#include <array>

#include "app/windows/hourranges.h"

namespace {

using Ranges = std::array<int32_t, 10>;

Ranges derive(HourBounds b, int32_t fill = 77)
{
    Ranges r;
    r.fill(fill);
    DeriveHourRanges(b, r.data());
    return r;
}

HourBounds bounds(int nl, int nh, int d1l, int d1h, int d2l, int d2h)
{
    return HourBounds{nl, nh, d1l, d1h, d2l, d2h};
}

}  // namespace

TEST(HourRanges, DefaultBoundsGiveNightAndEveningEdgeOnly)
{
    // Elements a step leaves alone keep what they held (77 here).
    EXPECT_EQ(derive(HourBounds{}), (Ranges{0, 6, 22, 24, -1, 6, -1, 77, 18, 22}));
}

TEST(HourRanges, AllFiveEdgesWithTwoDayRanges)
{
    EXPECT_EQ(derive(bounds(22, 6, 7, 12, 13, 18)), (Ranges{0, 6, 22, 24, 6, 7, 12, 13, 18, 22}));
}

TEST(HourRanges, SecondDayRangeStartingInsideTheFirstMerges)
{
    // 6-14 and 12-18 become one day 6-18: no midday edge, evening edge from 18.
    EXPECT_EQ(derive(bounds(22, 6, 6, 14, 12, 18)), (Ranges{0, 6, 22, 24, -1, 6, -1, 77, 18, 22}));
    // Touching ranges (day 2 starts where day 1 ends) merge as well.
    EXPECT_EQ(derive(bounds(22, 6, 7, 12, 12, 20)), (Ranges{0, 6, 22, 24, 6, 7, -1, 77, 20, 22}));
}

TEST(HourRanges, NightBoundsThatMeetOrStayBeforeMidnight)
{
    // Equal night bounds: no night at all.
    const Ranges equal = derive(bounds(0, 0, 6, 18, 0, 0));
    EXPECT_EQ(equal[0], -1);
    EXPECT_EQ(equal[2], -1);
    EXPECT_EQ(equal[1], 77);
    // A night from 2 to 5 colours 0..5; the part before midnight is absent.
    const Ranges early = derive(bounds(2, 5, 6, 18, 0, 0));
    EXPECT_EQ(early[0], 0);
    EXPECT_EQ(early[1], 5);
    EXPECT_EQ(early[2], -1);
    EXPECT_EQ(early[3], 24);
    EXPECT_EQ(early[4], 5);  // morning edge 5..6
    EXPECT_EQ(early[5], 6);
    EXPECT_EQ(early[8], -1);  // evening: the night starts (2) before the day ends
}

TEST(HourRanges, EmptyFirstDayRangeHasNoEdges)
{
    const Ranges r = derive(bounds(22, 6, 9, 9, 0, 0));
    EXPECT_EQ(r[4], -1);
    EXPECT_EQ(r[6], -1);
    EXPECT_EQ(r[8], -1);
}

TEST(HourRanges, BoundsOutsideTheDayAreClampedFirst)
{
    EXPECT_EQ(derive(bounds(30, -4, 6, 18, 0, 0)), derive(bounds(24, 0, 6, 18, 0, 0)));
    const Ranges r = derive(bounds(99, 6, -3, 40, 0, 0));
    for (int i = 0; i < 10; i += 2)
        if (r[i] != -1) {
            EXPECT_GE(r[i], 0) << i;
            EXPECT_LE(r[i + 1], 24) << i;
            EXPECT_LE(r[i], r[i + 1]) << i;
        }
    EXPECT_EQ(r[2], 24);  // night "from 24" is clamped, not past the day
}

TEST(HourRanges, TextsThatAreNoIntegersTakeTheDefaults)
{
    const QString texts[6] = {"x", "", "6", " 20", "1.5", "-"};
    const HourBounds b = HourBoundsOf(texts);
    EXPECT_EQ(b.NightLow, 22);
    EXPECT_EQ(b.NightHigh, 6);
    EXPECT_EQ(b.Day1Low, 6);
    EXPECT_EQ(b.Day1High, 20);
    EXPECT_EQ(b.Day2Low, 0);
    EXPECT_EQ(b.Day2High, 0);
}

TEST(CheckHourBounds, FirstBrokenRuleIsReportedPerDayType)
{
    auto check = [](std::array<const char*, 6> wd, std::array<const char*, 6> sd) {
        QString t[12];
        for (int i = 0; i < 6; ++i) {
            t[i] = QString::fromLatin1(wd[i]);
            t[6 + i] = QString::fromLatin1(sd[i]);
        }
        return CheckHourBounds(t);
    };
    const std::array<const char*, 6> ok = {"22", "6", "6", "18", "0", "0"};
    EXPECT_EQ(check(ok, ok), 0);
    EXPECT_EQ(check({"22", "6", "19", "18", "0", "0"}, ok), 1);
    EXPECT_EQ(check({"22", "6", "6", "12", "15", "14"}, ok), 2);
    EXPECT_EQ(check({"22", "6", "6", "18", "17", "20"}, ok), 3);
    EXPECT_EQ(check({"22", "6", "6", "12", "13", "23"}, ok), 4);
    EXPECT_EQ(check({"22", "8", "6", "7", "7", "12"}, ok), 2);  // afternoon begins in the night
    EXPECT_EQ(check(ok, {"22", "6", "19", "18", "0", "0"}), 5);
    EXPECT_EQ(check(ok, {"22", "6", "6", "12", "15", "14"}), 6);
    EXPECT_EQ(check(ok, {"22", "6", "6", "18", "17", "20"}), 7);
    EXPECT_EQ(check(ok, {"22", "6", "6", "12", "13", "23"}), 8);
    // The weekday is checked first; an empty afternoon is never compared.
    EXPECT_EQ(check({"22", "6", "19", "18", "0", "0"}, {"22", "6", "19", "18", "0", "0"}), 1);
    EXPECT_EQ(check({"3", "20", "6", "18", "0", "0"}, ok), 0);
    // Non-integers count as 22, 6, 6, 20, 0, 0 here (day 1 ends at 20).
    EXPECT_EQ(check({"", "", "", "", "19", "21"}, ok), 3);
}
