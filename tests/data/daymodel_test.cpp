#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data/daymodel.h"
#include "peers/dbbwriter.h"

TEST(DayModel, CalcLeq)
{
    std::vector<uint16_t> w(100, 0);
    EXPECT_EQ(CalcLeq(w.data(), 100), 0.0);
    for (int i = 0; i < 50; ++i)
        w[size_t(i)] = dbbtest::WordOfLevel(60.0);
    EXPECT_NEAR(CalcLeq(w.data(), 100), 60.0, 1e-12);
    w.assign(100, dbbtest::WordOfLevel(127.0));
    EXPECT_NEAR(CalcLeq(w.data(), 100), 127.0, 1e-12);
    w.assign(100, dbbtest::WordOfLevel(127.015625));
    EXPECT_EQ(CalcLeq(w.data(), 100), 0.0);
    w.assign(100, dbbtest::WordOfLevel(29.984375));
    EXPECT_EQ(CalcLeq(w.data(), 100), 0.0);
    const uint16_t two[] = {dbbtest::WordOfLevel(70.0), dbbtest::WordOfLevel(80.0)};
    EXPECT_NEAR(CalcLeq(two, 2), 77.4036268949, 1e-9);
    // The flag bits do not change the level.
    const uint16_t flagged[] = {uint16_t(dbbtest::WordOfLevel(30.0) | Overload | UnderRange)};
    EXPECT_NEAR(CalcLeq(flagged, 1), 30.0, 1e-12);
    EXPECT_EQ(CalcLeq(nullptr, 5), 0.0);
    EXPECT_EQ(CalcLeq(two, 0), 0.0);
}

TEST(DayModel, ReadsOutsideTheBufferGiveNothing)
{
    auto buffer = std::make_unique<TSampleBuffer>();
    buffer->fill(dbbtest::WordOfLevel(50.0));
    EXPECT_NEAR(CalcLeqAt(*buffer, SampleBufferWords - 10, 100), 50.0, 1e-12);
    EXPECT_NEAR(CalcLeqAt(*buffer, -50, 100), 50.0, 1e-12);
    EXPECT_EQ(CalcLeqAt(*buffer, SampleBufferWords, 100), 0.0);
    EXPECT_EQ(SampleAt(*buffer, SampleBufferWords), 0);
    EXPECT_EQ(SampleAt(*buffer, -1), 0);
    TMinuteLevels levels{};
    levels.fill(1.0);
    EXPECT_EQ(MinuteLevelAt(levels, MinutesPerDay), 0.0);
    EXPECT_EQ(MinuteLevelAt(levels, 1439), 1.0);
}
