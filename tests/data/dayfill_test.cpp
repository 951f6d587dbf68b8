#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "data/daycsv.h"
#include "data/dayfill.h"
#include "peers/dbbwriter.h"

using dbbtest::UtcSeconds;

// A local day filled from generated trees: every file whose samples fall in the day, each
// word at the wall-clock place of the UTC instant it was measured at.
namespace {

struct TFile {
    int64_t start;
    int minutes;
};

struct TFilledDay {
    std::unique_ptr<TSampleBuffer> samples = std::make_unique<TSampleBuffer>();
    TRepeatedHour repeated;
    TDayPlacement day;
    int withoutSamples = 0;
};

class TPlacer : public TLocalHourFiles::TVisitor {
public:
    explicit TPlacer(TFilledDay& d) : m_d(d) {}
    bool Visit(int64_t start, QFile* file) override
    {
        m_d.withoutSamples += !file || !PlaceDbbData(*file, start, m_d.day, *m_d.samples, &m_d.repeated).HasSamples;
        return true;
    }

private:
    TFilledDay& m_d;
};

// The loader's walk without its window: the previous day's last hour to the buffer's end.
void FillDay(const std::vector<TFile>& files, TDateTime date, TStationZone zone, TFilledDay& out)
{
    QTemporaryDir dir;
    for (const TFile& f : files) {
        dbbtest::HourFile h;
        h.utcStart = f.start;
        h.minutes = f.minutes;
        dbbtest::WriteLocalHour(dir.path(), h);
    }
    out.day = DayPlacement(date, zone);
    out.samples->fill(0);
    out.repeated.WallHour = out.day.RepeatedWallHour();
    TLocalHourFiles tree;
    tree.SetStation(dir.filePath("Reg001/Stat005"), 5);
    TPlacer placer(out);
    tree.ForEach(out.day.Start - 3540, out.day.End, placer);
}

// Hourly files at minute m from an hour before first to past last (UTC).
std::vector<TFile> Hourly(int64_t first, int64_t last, int m)
{
    std::vector<TFile> files;
    for (int64_t u = first - 3600 + 60 * m; u < last; u += 3600)
        files.push_back({u, 60});
    return files;
}

int Filled(const uint16_t* w, int n)
{
    int c = 0;
    for (int i = 0; i < n; ++i)
        c += w[i] != 0;
    return c;
}

struct TCase {
    const char* name;
    int y, mo, d;
    bool daylight;
    std::vector<TFile> files;
    std::vector<int> perHour;  // filled samples of wall hours 0..24; empty: all 6000
    int repeatedFilled;
    // The wall hour from which the UTC instant is shifted by utcShift seconds (switch days).
    int shiftFrom;
    int utcShift;
};

}  // namespace

TEST(DayFill, EveryFileOfTheDayAtTheTimeItWasMeasured)
{
    const TStationZone utcPlus1{-3600, false}, summer{-3600, true};
    // 12 June 2025 at UTC+1: local 00:00 is 23:00 UTC of the 11th.
    const int64_t june12 = UtcSeconds(2025, 6, 11, 23);
    std::vector<TFile> restart, cut;
    for (int h = 0; h < 9; ++h)
        restart.push_back({june12 + 3600 * h, 60});
    cut = restart;
    // Stopped at 09:50 after 30 minutes, restarted at once: files at minute 50 from then on.
    restart.push_back({june12 + 9 * 3600 + 1200, 30});
    for (int h = 9; h < 24; ++h)
        restart.push_back({june12 + 3600 * h + 3000, 60});
    // The 09:00 file cut at 09:20, then files at minute 20.
    cut.push_back({june12 + 9 * 3600, 20});
    for (int h = 9; h < 24; ++h)
        cut.push_back({june12 + 3600 * h + 1200, 60});
    std::vector<int> restartHours(25, 6000), cutHours(25, 6000), march(25, 6000);
    restartHours[9] = 4000;  // 09:20-09:50 and 09:50-10:00
    restartHours[24] = 5000;
    cutHours[24] = 2000;
    march[2] = 0;  // the hour the clock skips

    const TCase cases[] = {
        {"restart 09:20 + 09:50", 2025, 6, 12, false, restart, restartHours, 0, 25, 0},
        {"09:00 cut at 09:20, then :20", 2025, 6, 12, false, cut, cutHours, 0, 25, 0},
        {"March 2025", 2025, 3, 30, true, Hourly(UtcSeconds(2025, 3, 29, 23), UtcSeconds(2025, 3, 31), 20), march, 0, 3,
         -3600},
        {"March 2038", 2038, 3, 28, true, Hourly(UtcSeconds(2038, 3, 27, 23), UtcSeconds(2038, 3, 29), 20), march, 0, 3,
         -3600},
        {"October 2025",
         2025,
         10,
         26,
         true,
         Hourly(UtcSeconds(2025, 10, 25, 22), UtcSeconds(2025, 10, 27), 20),
         {},
         6000,
         2,
         3600},
        {"October 2038",
         2038,
         10,
         31,
         true,
         Hourly(UtcSeconds(2038, 10, 30, 22), UtcSeconds(2038, 11, 1), 20),
         {},
         6000,
         2,
         3600},
        {"March 2025 without summer time",
         2025,
         3,
         30,
         false,
         Hourly(UtcSeconds(2025, 3, 29, 23), UtcSeconds(2025, 3, 31), 20),
         {},
         0,
         25,
         0},
        {"October 2038 without summer time",
         2038,
         10,
         31,
         false,
         Hourly(UtcSeconds(2038, 10, 30, 23), UtcSeconds(2038, 11, 1), 20),
         {},
         0,
         25,
         0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFilledDay d;
        FillDay(c.files, EncodeDate(c.y, c.mo, c.d), c.daylight ? summer : utcPlus1, d);
        EXPECT_EQ(d.withoutSamples, 0);
        for (int h = 0; h < 25; ++h)
            EXPECT_EQ(Filled(d.samples->data() + h * SamplesPerHour, SamplesPerHour),
                      c.perHour.empty() ? 6000 : c.perHour[size_t(h)])
                << "hour " << h;
        EXPECT_EQ(d.repeated.WallHour, c.repeatedFilled ? 2 : -1);
        EXPECT_EQ(Filled(d.repeated.Samples.data(), SamplesPerHour), c.repeatedFilled);
        // Each word is the one measured at its instant.
        int misplaced = 0;
        for (int i = 0; i < SampleBufferWords; ++i) {
            const int64_t tenths =
                10 * d.day.Start + 6 * int64_t(i) + (i >= c.shiftFrom * SamplesPerHour ? 10 * c.utcShift : 0);
            const uint16_t w = (*d.samples)[size_t(i)];
            misplaced += w != 0 && w != dbbtest::PositionWord(tenths / 600 * 60, int(tenths % 600 / 6));
        }
        for (int i = 0; c.repeatedFilled && i < SamplesPerHour; ++i) {
            const int64_t tenths = 10 * d.day.Start + 6 * int64_t(2 * SamplesPerHour + i);
            misplaced += d.repeated.Samples[size_t(i)] != dbbtest::PositionWord(tenths / 600 * 60, i % 100);
        }
        EXPECT_EQ(misplaced, 0);

        // The CSV's first part: both 02:xx hours in the order measured, each line naming its pass.
        const QByteArray part = DayCsvPart(d.samples->data(), TCsvStation{QStringLiteral("S"), 1, 5, -3600},
                                           EncodeDate(c.y, c.mo, c.d), 0, &d.repeated);
        const QList<QByteArray> lines = part.split('\n');
        ASSERT_EQ(lines.size() - 4, daycsv::SamplesPerPart + c.repeatedFilled);
        const int at = 3 + 2 * SamplesPerHour;
        EXPECT_TRUE(lines[at - 1].startsWith("01:59:59,4,"));
        EXPECT_TRUE(lines[at].startsWith(c.repeatedFilled ? "02A:00:00,0," : "02:00:00,0,"));
        if (c.repeatedFilled) {
            EXPECT_TRUE(lines[at + 5999].startsWith("02A:59:59,4,"));
            EXPECT_TRUE(lines[at + 6000].startsWith("02B:00:00,0,"));
            EXPECT_TRUE(lines[at + 12000].startsWith("03:00:00,0,"));
            // The day's Leq counts both hours.
            std::vector<uint16_t> all(d.samples->begin(), d.samples->begin() + 24 * SamplesPerHour);
            all.insert(all.end(), d.repeated.Samples.begin(), d.repeated.Samples.end());
            EXPECT_DOUBLE_EQ(CalcDayLeq(d.samples->data(), &d.repeated), CalcLeq(all.data(), int(all.size())));
        }
    }
}

// Where two files overlap the later start wins; a file with samples outside the day is no
// error; one without samples is.
TEST(DayFill, OverlapsShortFilesAndFilesWithoutSamples)
{
    const TStationZone zone{-3600, false};
    const TDayPlacement day = DayPlacement(EncodeDate(2025, 6, 12), zone);
    auto samples = std::make_unique<TSampleBuffer>();
    samples->fill(0);
    const auto place = [&](int64_t start, int minutes, uint16_t word, bool cutData = false) {
        dbbtest::HourFile f;
        f.utcStart = start;
        f.samples = QByteArray(minutes * 200, '\0');
        for (int i = 0; i < minutes * 100; ++i) {
            f.samples[2 * i] = char(word & 0xFF);
            f.samples[2 * i + 1] = char(word >> 8);
        }
        if (cutData)
            f.truncateTo = dbbtest::HourFileBytes(f).size() - minutes * 200;
        QByteArray bytes = dbbtest::HourFileBytes(f);
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        return PlaceDbbData(file, start, day, *samples, nullptr);
    };
    const struct {
        int64_t start;
        int minutes;
        uint16_t word;
        bool cut;
        int bytes;
        bool hasSamples;
    } files[] = {
        {day.Start - 2400, 10, 0x3000, false, 0, true},  // 23:20-23:30 of the day before
        {day.Start - 600, 60, 0x3100, false, 10000, true},
        {day.Start + 9 * 3600, 60, 0x3200, false, 12000, true},
        {day.Start + 9 * 3600 + 1800, 60, 0x3300, false, 12000, true},
        {day.Start + 12 * 3600, 60, 0x3400, true, 0, false},  // DATA header, no samples
    };
    for (const auto& f : files) {
        const TPlacedFile placed = place(f.start, f.minutes, f.word, f.cut);
        EXPECT_EQ(placed.Bytes, f.bytes);
        EXPECT_EQ(placed.HasSamples, f.hasSamples);
    }
    EXPECT_EQ((*samples)[0], 0x3100);
    EXPECT_EQ((*samples)[9 * SamplesPerHour + 2999], 0x3200);
    EXPECT_EQ((*samples)[9 * SamplesPerHour + 3000], 0x3300);
    EXPECT_EQ((*samples)[10 * SamplesPerHour + 2999], 0x3300);
    EXPECT_EQ((*samples)[10 * SamplesPerHour + 3000], 0);
}
