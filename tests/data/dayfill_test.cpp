#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "data/daycsv.h"
#include "data/dayfill.h"
#include "peers/dbbwriter.h"

// A local day filled from generated trees, as the day loader walks them.
namespace {

struct TFilledDay : TLocalHourFiles::TVisitor {
    std::unique_ptr<TSampleBuffer> samples = std::make_unique<TSampleBuffer>();
    TRepeatedHour repeated;
    TDayPlacement day;
    int withoutSamples = 0;
    static int Filled(const uint16_t* w) { return int(SamplesPerHour - std::count(w, w + SamplesPerHour, 0)); }
    explicit TFilledDay(const TDayPlacement& p) : day(p) { repeated.WallHour = day.RepeatedWallHour(); }
    bool Visit(int64_t start, QFile* file) override
    {
        withoutSamples += !file || !PlaceDbbData(*file, start, day, *samples, &repeated).HasSamples;
        return true;
    }
};

}  // namespace

// Each case: files every hour at firstMinute; at the restart hour that file stops early and the device starts again at
// newMinute. Every wall hour is whole but the skipped 02:00, each word at the place of the instant it was measured, and
// the CSV's lines and the day's Leq hold both 02:xx hours of the day the clock goes back.
TEST(DayFill, EveryFileOfTheDayAtTheTimeItWasMeasured)
{
    const struct {
        int y, mo, d;
        bool daylight;
        int firstMinute, restartHour, restartMinutes, newMinute;
        int hour2, repeated;  // filled samples
    } cases[] = {
        {2025, 6, 12, false, 20, 9, 30, 50, 6000, 0},  // 09:20 for 30 minutes, then 09:50
        {2025, 6, 12, false, 0, 9, 20, 20, 6000, 0},  // 09:00 cut at 09:20, then :20
        {2025, 3, 30, true, 20, 99, 0, 0, 0, 0},        {2038, 3, 28, true, 20, 99, 0, 0, 0, 0},
        {2025, 10, 26, true, 20, 99, 0, 0, 6000, 6000}, {2038, 10, 31, true, 20, 99, 0, 0, 6000, 6000},
        {2025, 3, 30, false, 20, 99, 0, 0, 6000, 0},    {2038, 10, 31, false, 20, 99, 0, 0, 6000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.mo << "-" << c.d << " summer time " << c.daylight);
        const TDateTime date = EncodeDate(c.y, c.mo, c.d);
        const TStationZone zone{-3600, c.daylight};
        const int64_t start = LocalToUnix(date, 0, 0, zone);
        QTemporaryDir dir;
        int minute = c.firstMinute;
        for (int64_t u = start - 3600; u < start + 26 * 3600; u += 3600) {
            const bool restart = (u - start) / 3600 == c.restartHour;
            dbbtest::WriteLocalHour(dir.path(),
                                    {.utcStart = u + 60 * minute, .minutes = restart ? c.restartMinutes : 60});
            if (restart)
                dbbtest::WriteLocalHour(dir.path(), {.utcStart = u + 60 * (minute = c.newMinute)});
        }
        TFilledDay d(DayPlacement(date, zone));
        TLocalHourFiles tree;
        tree.SetStation(dir.filePath("Reg001/Stat005"), 5);
        tree.ForEach(d.day.Start - 3540, d.day.End, d);
        EXPECT_EQ(d.withoutSamples, 0);
        for (int h = 0; h < 25; ++h)
            EXPECT_EQ(d.Filled(d.samples->data() + h * SamplesPerHour), h == 2 ? c.hour2 : 6000) << "hour " << h;
        // After the clock's jump the wall time is an hour off the UTC time line.
        const auto measured = [&](int i) { return dbbtest::PositionWord(start + i / 100 * 60, i % 100); };
        int misplaced = 0;
        for (int i = 0; i < SampleBufferWords; ++i) {
            const int shift = !c.daylight || i < 2 * SamplesPerHour ? 0 : c.repeated ? SamplesPerHour : -SamplesPerHour;
            misplaced += (*d.samples)[size_t(i)] != 0 && (*d.samples)[size_t(i)] != measured(i + shift);
        }
        for (int i = 0; i < c.repeated; ++i)
            misplaced += d.repeated.Samples[size_t(i)] != measured(2 * SamplesPerHour + i);
        EXPECT_EQ(misplaced, 0);

        const QList<QByteArray> lines = DayCsvPart(d.samples->data(), {}, date, 0, &d.repeated).split('\n');
        ASSERT_EQ(lines.size() - 4, daycsv::SamplesPerPart + c.repeated);
        const std::pair<int, const char*> expected[] = {{-1, "01:59:59,4,"},
                                                        {0, c.repeated ? "02A:00:00,0," : "02:00:00,0,"},
                                                        {5999, c.repeated ? "02A:59:59,4," : "02:59:59,4,"},
                                                        {6000, c.repeated ? "02B:00:00,0," : "03:00:00,0,"},
                                                        {12000, c.repeated ? "03:00:00,0," : "04:00:00,0,"}};
        for (const auto& [at, text] : expected)  // after the header lines and two hours
            EXPECT_TRUE(lines[3 + 2 * SamplesPerHour + at].startsWith(text)) << text;
        // The export window's list marks the files as the CSV marks their hours.
        const std::string passes{RepeatedHourPass(start + 7259, zone), RepeatedHourPass(start + 10800, zone)};
        EXPECT_EQ(passes, c.repeated ? "AB" : std::string(2, 0));
        std::vector<uint16_t> all(d.samples->begin(), d.samples->begin() + 24 * SamplesPerHour);
        all.insert(all.end(), d.repeated.Samples.begin(), d.repeated.Samples.end());
        EXPECT_DOUBLE_EQ(CalcDayLeq(d.samples->data(), &d.repeated), CalcLeq(all.data(), int(all.size())));
    }
}

// Where two files overlap the later start wins; samples outside the day only are no error.
TEST(DayFill, LaterStartWinsAndShortFiles)
{
    const TDayPlacement day = DayPlacement(EncodeDate(2025, 6, 12), TStationZone{-3600, false});
    auto samples = std::make_unique<TSampleBuffer>();
    const auto place = [&](int64_t start, int m, int bodyBytes) {  // m minutes of samples, each byte m
        QByteArray bytes = dbbtest::HourFileBytes({.utcStart = start, .samples = QByteArray(m * 200, char(m))});
        bytes.chop(m * 200 - bodyBytes);
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        return PlaceDbbData(file, start, day, *samples, nullptr);
    };
    EXPECT_EQ(place(day.Start - 2400, 10, 2000), (TPlacedFile{0, true}));  // 23:20-23:30 the day before
    EXPECT_EQ(place(day.Start + 9 * 3600, 60, 12000), (TPlacedFile{12000, true}));
    EXPECT_EQ(place(day.Start + 9 * 3600 + 1800, 50, 10000), (TPlacedFile{10000, true}));
    EXPECT_EQ(place(day.Start + 12 * 3600, 60, 0), (TPlacedFile{0, false}));  // a DATA header, no samples
    EXPECT_EQ((*samples)[9 * SamplesPerHour + 2999], 60 * 0x101);
    EXPECT_EQ((*samples)[9 * SamplesPerHour + 3000], 50 * 0x101);
    EXPECT_EQ((*samples)[10 * SamplesPerHour + 1999], 50 * 0x101);
    EXPECT_EQ((*samples)[10 * SamplesPerHour + 2000], 0);
}
