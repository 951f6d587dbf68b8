#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <memory>
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

struct Found {
    bool file = false;
    int minute = -1;
    QString path;
    QByteArray bytes;
    bool operator==(const Found&) const = default;
};

// The search as first written, passing over entries that are no files: one path per minute, QFile,
// a look whether the file that could not be opened is there; the path stays the last one looked at.
Found ReferenceSearch(int h, int m, int mMax, TDateTime date, const QString& lastPath)
{
    const TStationSettings& st = CurrentStation;
    Found out;
    out.path = lastPath;
    const uint32_t hourStart = LocalToUnix(date, h, 0);
    for (int k = m; k <= mMax; ++k) {
        const uint32_t start = hourStart + uint32_t(60 * k);
        out.path = JoinLocalPath({st.InitialDir, StationMonthDirOfUnix(start, st.RegionNumber, st.StationNumber),
                                  DatedDbbNameOfUnix(start, st.StationNumber)});
        if (const QFileInfo info(out.path); info.exists() && !info.isFile())
            continue;  // a folder by that name is no hour file
        QFile file(out.path);
        if (file.open(QIODevice::ReadOnly)) {
            out = {true, k, out.path, file.readAll()};
            return out;
        }
        if (QFileInfo::exists(out.path))
            return out;
    }
    return out;
}

Found NewSearch(TDayLoader& loader, int h, int m, int mMax, TDateTime date)
{
    Found out;
    auto file = loader.OpenHourFile(h, m, mMax, date);
    out.path = loader.LocalFilePath;
    if (file)
        out = {true, m, out.path, file->readAll()};
    return out;
}

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

TEST(DayLoaderSearch, FindsWhatTheFirstSearchFoundOnRandomTrees)
{
    const TStationSettings saved = CurrentStation;
    std::mt19937 rng(20071123);
    struct Zone {
        int bias;
        bool daylight;
    };
    // +05:45 and -03:30 put the month boundary inside an hour's minutes.
    const Zone zones[] = {{-3600, true}, {-20700, false}, {12600, false}, {0, false}};
    for (const Zone zone : zones) {
        QTemporaryDir dir;
        CurrentStation.InitialDir = dir.path() + (zone.bias == 0 ? "/" : "");
        CurrentStation.RegionNumber = 1;
        CurrentStation.StationNumber = 5;
        CurrentStation.ZoneBias = zone.bias;
        CurrentStation.Daylight = zone.daylight;
        // Files at random minutes from 30 November to 2 December, UTC; a few of them
        // empty, a few folders where a file is looked for.
        const int64_t from = dbbtest::UtcSeconds(2007, 11, 29, 12);
        for (int i = 0; i < 120; ++i) {
            dbbtest::HourFile f;
            f.utcStart = from + 60 * int64_t(rng() % (4 * 1440));
            const QString path = dir.filePath(dbbtest::LocalTreePath(1, 5, f.utcStart));
            const int kind = int(rng() % 10);
            f.minutes = kind == 0 ? 0 : 60;
            if (QFileInfo::exists(path))
                continue;
            if (kind == 1)
                ASSERT_TRUE(QDir().mkpath(path));
            else
                ASSERT_FALSE(dbbtest::WriteLocalHour(dir.path(), f).isEmpty());
        }
        // A regular file where the station's folder of another station would be.
        dbbtest::WriteFile(dir.path(), "Reg001/Stat006", "x");

        auto samples = std::make_unique<TSampleBuffer>();
        auto levels = std::make_unique<TMinuteLevels>();
        TDayLoaderHost host;
        TDayLoader loader(*samples, *levels, host);
        for (int day = 29; day <= 31; ++day) {
            const TDateTime date = day <= 30 ? EncodeDate(2007, 11, day) : EncodeDate(2007, 12, day - 30);
            for (int h = 0; h < 24; ++h) {
                const int m = int(rng() % 60), mMax = int(rng() % 60);
                CurrentStation.StationNumber = rng() % 8 == 0 ? 6 : 5;
                const Found expected = ReferenceSearch(h, m, mMax, date, loader.LocalFilePath);
                const Found found = NewSearch(loader, h, m, mMax, date);
                EXPECT_TRUE(found == expected)
                    << "zone " << zone.bias << " day " << day << " hour " << h << " minutes " << m << ".." << mMax
                    << ": " << found.file << " " << found.minute << " " << found.path.toStdString() << " instead of "
                    << expected.file << " " << expected.minute << " " << expected.path.toStdString();
            }
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
