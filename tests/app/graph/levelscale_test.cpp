#include <gtest/gtest.h>

#include "app/graph/canvas.h"
#include "app/graph/graphgeometry.h"
#include "app/graph/levelscale.h"
#include "app/graph/graphsamples.h"

using namespace graph;


TEST(LevelScale, YOfLevelsWithOffsetsAndClamps)
{
    for (int L : {1, 4, 7}) {
        const int y1 = 40 + 100 * L;
        EXPECT_EQ(LevelY(63.55, y1, L), y1 - 33 * L - 2) << L;
        EXPECT_EQ(LevelY(63.0, y1, L), y1 - 33 * L);
        EXPECT_EQ(LevelY(63.99, y1, L), y1 - 33 * L - 4);
        EXPECT_EQ(LevelY(127.0, y1, L), y1 - 97 * L);
        EXPECT_EQ(LevelY(127.5, y1, L), y1 - 97 * L);
        EXPECT_EQ(LevelY(160.0, y1, L), y1 - 97 * L);
        EXPECT_EQ(LevelY(30.0, y1, L), y1);
        EXPECT_EQ(LevelY(29.8, y1, L), y1);
        EXPECT_EQ(LevelY(1.0, y1, L), y1);
        EXPECT_FALSE(LevelY(0.0, y1, L));
        EXPECT_FALSE(LevelY(0.9, y1, L));
        EXPECT_FALSE(LevelY(-5.0, y1, L));
    }
}

TEST(LevelScale, YOfSampleWordsWithTenthsCarry)
{
    const int L = 3, y1 = 340;
    EXPECT_EQ(SampleY(Word(140, 0), y1, L), y1 - 97 * L);
    EXPECT_EQ(SampleY(Word(12, 0), y1, L), y1);
    EXPECT_EQ(SampleY(Word(0, 0, Overload), y1, L), y1);
    // 59 63/64 rounds to ten tenths: the next whole dB without offset.
    EXPECT_EQ(SampleY(Word(59, 63), y1, L), y1 - 30 * L);
    // Half a dB: five tenths, offset 2.
    EXPECT_EQ(SampleY(Word(60, 32), y1, L), y1 - 30 * L - 2);
    EXPECT_EQ(SampleY(Word(127, 32), y1, L), y1 - 97 * L);

    EXPECT_EQ(SampleLevelTenths(Word(63, 63)).Db, 64);
    EXPECT_EQ(SampleLevelTenths(Word(63, 63)).Tenths, 0);
    EXPECT_EQ(SampleLevelTenths(Word(29, 32, UnderRange)).Tenths, 5);
    EXPECT_EQ(SampleLevelTenths(Word(70, 6)).Tenths, 1);
}

TEST(LevelScale, Colours)
{
    EXPECT_EQ(LevelColor(29.99), ClMediumGrey);
    EXPECT_EQ(LevelColor(0.0), ClMediumGrey);
    EXPECT_EQ(LevelColor(30.0), ClBlack);
    EXPECT_EQ(LevelColor(127.0), ClBlack);
    EXPECT_EQ(LevelColor(127.01), ClMagenta);
    EXPECT_EQ(SampleColor(Word(29, 63)), ClMediumGrey);
    EXPECT_EQ(SampleColor(Word(60, 0, UnderRange)), ClMediumGrey);
    EXPECT_EQ(SampleColor(Word(60, 0, UnderRange | Overload)), ClMediumGrey);
    EXPECT_EQ(SampleColor(Word(60, 0, Overload)), ClMagenta);
    EXPECT_EQ(SampleColor(Word(128, 0)), ClMagenta);
    EXPECT_EQ(SampleColor(Word(127, 63)), ClBlack);
    EXPECT_EQ(ToQColor(ClSkyBlue), QColor(166, 202, 240));
}

TEST(LevelCurves, MissingPointsLiftThePen)
{
    const double levels[] = {50, 51, 0.0, 60, 0.0, 0.0, 70, 71, 72};
    const TCurve curve = LevelCurve(levels, 100, 500, 2);
    ASSERT_EQ(curve.size(), 9u);
    EXPECT_EQ(curve[1], QPoint(101, 500 - 21 * 2));
    EXPECT_FALSE(curve[2]);
    const auto runs = PenUpRuns(curve);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].size(), 2u);
    // A single valid point between gaps draws nothing: a run of one.
    EXPECT_EQ(runs[1].size(), 1u);
    EXPECT_EQ(runs[1][0].x(), 103);
    EXPECT_EQ(runs[2].size(), 3u);
    EXPECT_EQ(runs[2].back(), QPoint(108, 500 - 42 * 2));
}

TEST(LevelCurves, AverageRunsStartAtBlockEdgesAndEndAtTheRightEdge)
{
    std::vector<double> blocks(120, 60.0);
    TCurve full = AverageCurve(blocks, 65.0, 50, 140, 1);
    ASSERT_EQ(full.size(), 121u);
    EXPECT_EQ(full[0]->x(), 50);
    EXPECT_EQ(full[1]->x(), 65);
    EXPECT_EQ(full[119]->x(), 50 + 1195);
    EXPECT_EQ(*full[120], QPoint(1250, 140 - 35));

    blocks[10] = 0.0;
    blocks[119] = 0.0;
    const TCurve gapped = AverageCurve(blocks, 65.0, 50, 140, 1);
    ASSERT_EQ(gapped.size(), 120u);  // last block missing: no line to the edge
    EXPECT_FALSE(gapped[10]);
    EXPECT_EQ(gapped[11]->x(), 50 + 110);  // starts a run: left edge of its block
    EXPECT_EQ(gapped[12]->x(), 50 + 125);

    std::vector<double> ok(120, 60.0);
    EXPECT_EQ(AverageCurve(ok, 0.0, 50, 140, 1).size(), 120u);  // missing tail
}

TEST(LevelCurves, RawSamplesAndTicks)
{
    const uint16_t samples[] = {Word(60, 0), Word(0, 0, Overload), Word(0, 0), Word(20, 0, UnderRange),
                                Word(140, 0, Overload | UnderRange), Word(0, 63)};
    const int L = 1, y1 = 140;
    const TCurve curve = SampleCurve(samples, 50, y1, L);
    EXPECT_EQ(curve[0], QPoint(50, y1 - 30));
    EXPECT_FALSE(curve[1]);
    EXPECT_FALSE(curve[2]);
    EXPECT_EQ(curve[3], QPoint(53, y1));
    EXPECT_EQ(curve[4], QPoint(54, y1 - 97));
    EXPECT_EQ(curve[5], QPoint(55, y1));  // 0 63/64 carries into 1 dB: present, clamped
    const auto ticks = SampleTicks(samples, 50, y1, L);
    ASSERT_EQ(ticks.size(), 3u);
    // Overload at 0 dB still gets its tick, on the 30-dB line, pointing down.
    EXPECT_EQ(ticks[0], (TTick{51, y1, y1 + 10, ClMagenta}));
    EXPECT_EQ(ticks[1], (TTick{53, y1, y1 - 10, ClSkyBlue}));
    EXPECT_EQ(ticks[2], (TTick{54, y1 - 97, y1 - 87, ClMagenta}));
}
