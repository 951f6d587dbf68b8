#include <gtest/gtest.h>

#include "app/graph/viewnavigation.h"

using namespace graph;

TEST(ZoomChain, WholeDayToTwoHoursToTwelveMinutesAndBack)
{
    TViewMove m = ZoomClick({0, 7, 30}, 845);
    EXPECT_EQ(m, (TViewMove{{1, 14, 0}, 0}));
    m = ZoomClick(m.View, 1043);
    EXPECT_EQ(m, (TViewMove{{2, 15, 40}, 0}));
    m = ZoomClick(m.View, 300);
    EXPECT_EQ(m, (TViewMove{{0, 15, 40}, 0}));
    EXPECT_EQ(ZoomClick({1, 9, 0}, 0), (TViewMove{{2, 9, 0}, 0}));
    EXPECT_EQ(ZoomClick({1, 9, 0}, 599), (TViewMove{{2, 9, 50}, 0}));
}

TEST(ZoomChain, EdgesAndMidnight)
{
    // Column 1440 of the whole day zooms into hour 23.
    EXPECT_EQ(ZoomClick({0, 0, 0}, 1440), (TViewMove{{1, 23, 0}, 0}));
    EXPECT_EQ(ZoomClick({0, 0, 0}, 1439), (TViewMove{{1, 23, 0}, 0}));
    // The right edge of a two-hour view from 23:00 is 01:00 of the next day.
    EXPECT_EQ(ZoomClick({1, 23, 0}, 1200), (TViewMove{{2, 1, 0}, 1}));
    EXPECT_EQ(ZoomClick({1, 23, 0}, 1100), (TViewMove{{2, 0, 50}, 1}));
    EXPECT_EQ(ZoomClick({1, 22, 0}, 1200), (TViewMove{{2, 0, 0}, 1}));
    EXPECT_EQ(ZoomClick({1, 22, 0}, 1199), (TViewMove{{2, 23, 50}, 0}));
}

TEST(ViewSteps, HoursWithCarries)
{
    EXPECT_EQ(StepHour({1, 10, 0}, 1), (TViewMove{{1, 11, 0}, 0}));
    EXPECT_EQ(StepHour({1, 23, 0}, 1), (TViewMove{{1, 0, 0}, 1}));
    EXPECT_EQ(StepHour({1, 0, 0}, -1), (TViewMove{{1, 23, 0}, -1}));
    EXPECT_EQ(StepHour({2, 0, 30}, -1), (TViewMove{{2, 23, 30}, -1}));
}

TEST(ViewSteps, TenMinutesWithCarries)
{
    EXPECT_EQ(StepTenMinutes({2, 8, 40}, 1), (TViewMove{{2, 8, 50}, 0}));
    EXPECT_EQ(StepTenMinutes({2, 8, 50}, 1), (TViewMove{{2, 9, 0}, 0}));
    EXPECT_EQ(StepTenMinutes({2, 23, 50}, 1), (TViewMove{{2, 0, 0}, 1}));
    EXPECT_EQ(StepTenMinutes({2, 9, 0}, -1), (TViewMove{{2, 8, 50}, 0}));
    EXPECT_EQ(StepTenMinutes({2, 0, 0}, -1), (TViewMove{{2, 23, 50}, -1}));
    // A round trip across midnight comes back to where it started.
    TViewMove m = StepTenMinutes({2, 23, 40}, 1);
    int days = m.DayStep;
    for (int i = 0; i < 3; ++i) {
        m = StepTenMinutes(m.View, 1);
        days += m.DayStep;
    }
    EXPECT_EQ(m.View, (TViewWindow{2, 0, 20}));
    EXPECT_EQ(days, 1);
    for (int i = 0; i < 4; ++i) {
        m = StepTenMinutes(m.View, -1);
        days += m.DayStep;
    }
    EXPECT_EQ(m.View, (TViewWindow{2, 23, 40}));
    EXPECT_EQ(days, 0);
}

TEST(ViewSteps, PickedTime)
{
    TViewWindow v{1, 10, 0};
    EXPECT_FALSE(TakePickedTime(v, 10, 35));
    EXPECT_TRUE(TakePickedTime(v, 12, 35));
    EXPECT_EQ(v, (TViewWindow{1, 12, 0}));
    v = {2, 12, 30};
    EXPECT_FALSE(TakePickedTime(v, 12, 37));
    EXPECT_TRUE(TakePickedTime(v, 12, 41));
    EXPECT_EQ(v, (TViewWindow{2, 12, 40}));
    v = {0, 3, 0};
    EXPECT_FALSE(TakePickedTime(v, 7, 20));
    EXPECT_EQ(v, (TViewWindow{0, 3, 0}));
}
