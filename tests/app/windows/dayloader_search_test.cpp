#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <memory>
#include <map>
#include <random>

#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/stationsettings.h"
#include "data/timerules.h"
#include "data/daymodel.h"
#include "app/windows/tdayloader.h"
#include "app/windows/tdayloaderhost.h"
#include "peers/dbbwriter.h"

// The day loader's file search and minute levels against the plain routines they replace,
// on random data trees and random days.
namespace {

// CalcLeq as first written: the power of each valid word into four partial sums.
double ReferenceLeq(const uint16_t* samples, int n)
{
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const double level = (samples[i] >> 2) * 0.015625;
        if (level >= MinDb && level <= MaxDb) {
            sum[i < (n & ~3) ? i % 4 : 0] += std::pow(10.0, 0.1 * level);
            ++count;
        }
    }
    const double total = (sum[0] + sum[1]) + (sum[2] + sum[3]);
    return count > 0 ? 10.0 * std::log10((1.0 / count) * total) : 0.0;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

// Files at random minutes and of random lengths (restarts), of two stations, some entries
// folders: each word is that of the latest-starting file of the station holding its instant.
TEST(DayLoaderSearch, FillsWhatTheFilesHoldOnRandomTrees)
{
    const TStationSettings saved = CurrentStation;
    std::mt19937 rng(20071123);
    // +05:45 and -03:30 put the month boundary inside an hour's minutes.
    for (const int bias : {-3600, -20700, 12600, 0}) {
        QTemporaryDir dir;
        CurrentStation.InitialDir = dir.path() + (bias == 0 ? "/" : "");
        CurrentStation.ZoneBias = bias;
        CurrentStation.RegionNumber = 1;
        CurrentStation.StationNumber = 5;
        std::map<int64_t, int> files;  // UTC start -> minutes
        for (int i = 0; i < 160; ++i) {
            const dbbtest::HourFile f{.station = rng() % 8 ? 5 : 6,
                                      .utcStart = dbbtest::UtcSeconds(2007, 11, 29, 12) + 60 * int64_t(rng() % 5760),
                                      .minutes = 1 + int(rng() % 60)};
            if (rng() % 10 == 0)
                QDir().mkpath(dir.filePath(dbbtest::LocalTreePath(1, f.station, f.utcStart)));
            else if (!dbbtest::WriteLocalHour(dir.path(), f).isEmpty() && f.station == 5)
                files[f.utcStart] = f.minutes;
        }
        auto samples = std::make_unique<TSampleBuffer>();
        auto levels = std::make_unique<TMinuteLevels>();
        TDayLoaderHost host;
        TDayLoader loader(*samples, *levels, host);
        for (const TDateTime date : {EncodeDate(2007, 11, 29), EncodeDate(2007, 11, 30), EncodeDate(2007, 12, 1)}) {
            loader.LoadDay(date);
            int wrong = 0;
            for (int i = 0; i < SampleBufferWords; ++i) {
                const int64_t tenths = 10 * int64_t(LocalToUnix(date, 0, 0)) + 6 * int64_t(i);
                uint16_t expected = 0;
                for (auto it = files.lower_bound(tenths / 10 - 3600); it != files.upper_bound(tenths / 10); ++it)
                    if (tenths - 10 * it->first < 600 * int64_t(it->second))  // files start at whole minutes
                        expected = dbbtest::PositionWord(tenths / 600 * 60, int(tenths % 600 / 6));
                wrong += (*samples)[size_t(i)] != expected;
            }
            EXPECT_EQ(wrong, 0) << "zone " << bias << " day " << date;
        }
    }
    CurrentStation = saved;
}

TEST(DayLoaderSearch, LeqLoopsGiveTheFirstLoopsResultsBitForBit)
{
    std::mt19937 rng(42);
    auto samples = std::make_unique<TSampleBuffer>();
    auto levels = std::make_unique<TMinuteLevels>();
    for (int round = 0; round < 4; ++round) {
        // Any word at all, runs of one level, and whole minutes without samples.
        for (int i = 0; i < SampleBufferWords; ++i)
            (*samples)[size_t(i)] = round == 0 ? uint16_t(rng()) : round == 1 ? uint16_t(i / 7 * 5) : 0;
        if (round == 3)
            for (int i = 0; i < SampleBufferWords; i += 1 + int(rng() % 300))
                (*samples)[size_t(i)] = uint16_t(rng());
        CalcMinuteLevels(*samples, *levels);
        for (int m = 0; m < MinutesPerDay; ++m) {
            const double expected = ReferenceLeq(samples->data() + SamplesPerMinute * m, SamplesPerMinute);
            ASSERT_TRUE(SameBits((*levels)[size_t(m)], expected))
                << "round " << round << " minute " << m << ": " << (*levels)[size_t(m)] << " instead of " << expected;
        }
        // Spans of any length and start, as the graph asks for them.
        for (int k = 0; k < 200; ++k) {
            const int n = 1 + int(rng() % 3000), first = int(rng() % unsigned(SampleBufferWords - n));
            ASSERT_TRUE(SameBits(CalcLeq(samples->data() + first, n), ReferenceLeq(samples->data() + first, n)))
                << "round " << round << " words " << first << " + " << n;
        }
    }
}
