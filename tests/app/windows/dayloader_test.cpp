#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <sys/stat.h>
#include <vector>

#include "data/stationsettings.h"
#include "data/timerules.h"
#include "data/daymodel.h"
#include "app/windows/tdayloader.h"
#include "app/windows/tdayloaderhost.h"
#include "app/texts/sprachen.h"
#include "peers/dbbwriter.h"
#include "platform/gui/dialogs.h"

using dbbtest::HourFile;
using dbbtest::UtcSeconds;
using platform::DialogScript;

namespace {

class RecordingHost : public TDayLoaderHost {
public:
    void ShowProgress(int percent) override { progress.push_back(percent); }
    bool Closing() const override { return closeAfterFirstBox && !DialogScript::shown().empty(); }
    std::vector<int> progress;
    bool closeAfterFirstBox = false;
};

std::vector<int> NormalProgress()
{
    std::vector<int> p{0};
    for (int s = 1; s <= 24; ++s)
        p.push_back(s * 100 / 25);
    p.push_back(100);
    p.push_back(101);
    return p;
}

}  // namespace

class DayLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = CurrentStation;
        m_savedRead = MsgFileReadError;
        m_savedReading = TxtReading;
        MsgFileReadError = QStringLiteral("Fehler beim Lesen der Datei: ");
        TxtReading = QStringLiteral("Lesen");
        CurrentStation.InitialDir = dir.path();
        CurrentStation.RegionNumber = 1;
        CurrentStation.StationNumber = 5;
        DialogScript::begin();
        samples = std::make_unique<TSampleBuffer>();
        levels = std::make_unique<TMinuteLevels>();
        expected.assign(SampleBufferWords, 0);
    }
    void TearDown() override
    {
        DialogScript::end();
        CurrentStation = m_saved;
        MsgFileReadError = m_savedRead;
        TxtReading = m_savedReading;
    }
    void Zone(int bias, bool daylight)
    {
        CurrentStation.ZoneBias = bias;
        CurrentStation.Daylight = daylight;
    }
    QString Write(int64_t utcStart, HourFile f = HourFile())
    {
        f.utcStart = utcStart;
        const QString path = dbbtest::WriteLocalHour(dir.path(), f);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }
    bool Load(TDateTime date)
    {
        TDayLoader loader(*samples, *levels, host, &repeated);
        const bool result = loader.LoadDay(date);
        lastPath = loader.LocalFilePath;
        return result;
    }
    // The words of a file starting at utcStart, placed where its time falls in a buffer
    // whose index 0 is midnightUtc, clipped to the buffer.
    void Place(int64_t midnightUtc, int64_t utcStart, int minutes = 60)
    {
        for (int m = 0; m < minutes; ++m)
            PlaceMinute(int((utcStart + 60 * m - midnightUtc) / 60), utcStart + 60 * m);
    }
    void PlaceMinute(int bufferMinute, int64_t unixMinute)
    {
        if (bufferMinute < 0 || bufferMinute >= SampleBufferWords / SamplesPerMinute)
            return;
        for (int i = 0; i < SamplesPerMinute; ++i)
            expected[size_t(bufferMinute * SamplesPerMinute + i)] = dbbtest::PositionWord(unixMinute, i);
    }
    // Fails with the first differing word's place.
    void ExpectBuffer()
    {
        for (int i = 0; i < SampleBufferWords; ++i) {
            if ((*samples)[size_t(i)] != expected[size_t(i)]) {
                ADD_FAILURE() << "first difference at hour " << i / SamplesPerHour << " minute "
                              << i % SamplesPerHour / SamplesPerMinute << " sample " << i % SamplesPerMinute << ": "
                              << (*samples)[size_t(i)] << " instead of " << expected[size_t(i)];
                return;
            }
        }
    }
    int Messages() const { return int(DialogScript::shown().size()); }

    QTemporaryDir dir;
    RecordingHost host;
    std::unique_ptr<TSampleBuffer> samples;
    std::unique_ptr<TMinuteLevels> levels;
    TRepeatedHour repeated;
    std::vector<uint16_t> expected;
    QString lastPath;

private:
    TStationSettings m_saved;
    QString m_savedRead, m_savedReading;
};

TEST_F(DayLoaderTest, FilesAtMinuteZero)
{
    Zone(-3600, false);
    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);  // 23 November 00:00 local
    // The previous day's 23:00 file is not looked at (the search starts at minute 1): a
    // damaged one shows no message.
    HourFile damaged;
    damaged.chunkAheadLength = 12001;
    Write(midnight - 3600, damaged);
    for (int h = 0; h <= 24; ++h) {
        Write(midnight + 3600 * h);
        Place(midnight, midnight + 3600 * h);
    }
    EXPECT_TRUE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();
    EXPECT_EQ(Messages(), 0);
    EXPECT_EQ(host.progress, NormalProgress());
    // Minute levels: the energy mean of each minute's words.
    for (const int minute : {0, 59, 60, 777, 1439}) {
        double sum = 0;
        for (int i = 0; i < 100; ++i)
            sum += std::pow(10.0, 0.1 * dbbtest::PositionLevel(midnight + 60 * minute, i));
        EXPECT_NEAR((*levels)[size_t(minute)], 10 * std::log10(sum / 100), 1e-9) << minute;
    }
}

TEST_F(DayLoaderTest, FilesAtMinuteTwenty)
{
    Zone(-3600, false);
    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);
    for (int h = -1; h <= 24; ++h) {
        Write(midnight + 3600 * h + 1200);
        Place(midnight, midnight + 3600 * h + 1200);
    }
    EXPECT_TRUE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();
    // The previous day's file gives 00:00-00:20, the next day's 24:20-25:00: no gaps.
    EXPECT_NE((*samples)[0], 0);
    EXPECT_NE((*samples)[SampleBufferWords - 1], 0);
    EXPECT_EQ(lastPath, dir.path() + QStringLiteral("/Reg001/Stat005/2007/11/20071123-232000-005.dbb"));
}

// A folder or a FIFO named like an hour file is no hour file: the search goes on to the
// real file later in the same hour.
TEST_F(DayLoaderTest, EntriesThatAreNoFilesAreSkipped)
{
    const int64_t midnight = UtcSeconds(2007, 11, 23);
    for (int64_t start : {midnight + 6 * 3600, midnight + 7 * 3600 + 1800}) {
        Write(start);
        Place(midnight, start);
    }
    const QString month = dir.path() + QStringLiteral("/Reg001/Stat005/2007/11/20071123-");
    ASSERT_TRUE(QDir().mkpath(month + QStringLiteral("070000-005.dbb")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(month + QStringLiteral("071000-005.dbb")).constData(), 0600), 0);
    EXPECT_TRUE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();
    EXPECT_EQ(Messages(), 0);
}

TEST_F(DayLoaderTest, StartMinuteChangesFromTwentyToFiveAtHourTen)
{
    Zone(-3600, false);
    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);
    for (int h = -1; h <= 24; ++h) {
        const int64_t start = midnight + 3600 * h + (h < 10 ? 1200 : 300);
        Write(start);
        Place(midnight, start);  // in the order the loader reads them
    }
    EXPECT_TRUE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();
    // 10:00-10:05 still come from the 09:20 file.
    EXPECT_EQ((*samples)[10 * 6000], dbbtest::PositionWord(midnight + 9 * 3600 + 1200 + 40 * 60, 0));
    EXPECT_EQ((*samples)[10 * 6000 + 500], dbbtest::PositionWord(midnight + 10 * 3600 + 300, 0));
}

TEST_F(DayLoaderTest, DayAcrossAMonthBoundaryEastAndWestOfUtc)
{
    struct Case {
        int bias;
        int fileMinute;  // local start minute of the files
        int y, mo, d;
    };
    // +01:00 on 1 March (its first hour is February in UTC); -05:00 on 28 February (its
    // evening is March in UTC); +05:45 on 1 March (files at local minute 45, the 05:45
    // file is the first of March).
    for (const Case c : {Case{-3600, 0, 2007, 3, 1}, Case{18000, 30, 2007, 2, 28}, Case{-20700, 45, 2007, 3, 1},
                         Case{-20700, 45, 2008, 1, 1}}) {
        SCOPED_TRACE(c.bias);
        QDir(dir.path() + QStringLiteral("/Reg001")).removeRecursively();
        expected.assign(SampleBufferWords, 0);
        Zone(c.bias, false);
        const int64_t midnight = UtcSeconds(c.y, c.mo, c.d) + c.bias;
        for (int h = -1; h <= 24; ++h) {
            Write(midnight + 3600 * h + 60 * c.fileMinute);
            Place(midnight, midnight + 3600 * h + 60 * c.fileMinute);
        }
        EXPECT_TRUE(Load(EncodeDate(c.y, c.mo, c.d)));
        ExpectBuffer();
        EXPECT_EQ(Messages(), 0);
    }
}

TEST_F(DayLoaderTest, SummerTimeChangeDays)
{
    Zone(-3600, true);
    // Files every UTC hour at minute 0 around both days.
    for (int64_t u = UtcSeconds(2007, 3, 24, 20); u <= UtcSeconds(2007, 3, 26, 0); u += 3600)
        Write(u);
    for (int64_t u = UtcSeconds(2007, 10, 27, 20); u <= UtcSeconds(2007, 10, 29, 0); u += 3600)
        Write(u);
    const auto placeHour = [this](int h, int64_t utcStart) {
        for (int m = 0; m < 60; ++m)
            PlaceMinute(h * 60 + m, utcStart + 60 * m);
    };
    // 25 March: the hour 02:00 that the clock skips stays empty.
    EXPECT_TRUE(Load(EncodeDate(2007, 3, 25)));
    placeHour(0, UtcSeconds(2007, 3, 24, 23));
    placeHour(1, UtcSeconds(2007, 3, 25, 0));
    for (int h = 3; h <= 24; ++h)
        placeHour(h, UtcSeconds(2007, 3, 25, h - 2));
    ExpectBuffer();

    // 28 October: 02:00 is the standard-time hour (01:00 UTC), the summer-time one (00:00 UTC) the repeated hour.
    expected.assign(SampleBufferWords, 0);
    EXPECT_TRUE(Load(EncodeDate(2007, 10, 28)));
    placeHour(0, UtcSeconds(2007, 10, 27, 22));
    placeHour(1, UtcSeconds(2007, 10, 27, 23));
    for (int h = 2; h <= 24; ++h)
        placeHour(h, UtcSeconds(2007, 10, 28, h - 1));
    ExpectBuffer();
    EXPECT_EQ(repeated.WallHour, 2);
    EXPECT_EQ(Messages(), 0);
}

TEST_F(DayLoaderTest, NoFilesAtAll)
{
    Zone(-3600, false);
    (*samples).fill(0x1234);
    (*levels).fill(55.0);
    EXPECT_FALSE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();
    for (const double l : *levels)
        ASSERT_EQ(l, 0.0);
    EXPECT_EQ(Messages(), 0);
    EXPECT_EQ(host.progress, NormalProgress());
}

TEST_F(DayLoaderTest, AFileWithoutSamplesIsReportedAndTheLoadGoesOn)
{
    Zone(-3600, false);
    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);
    QString damagedPath;
    for (int h = 0; h <= 24; ++h) {
        HourFile f;
        if (h == 5)
            f.chunkAheadLength = 12001;
        if (h == 8)
            f.minutes = 40;  // the device stopped after 40 minutes
        if (h == 9)
            f.samples = dbbtest::PositionSamples(midnight + 9 * 3600, 65);  // DATA longer than an hour
        const QString path = Write(midnight + 3600 * h, f);
        if (h == 5)
            damagedPath = path;
        else
            Place(midnight, midnight + 3600 * h, h == 8 ? 40 : 60);
    }
    EXPECT_TRUE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();
    ASSERT_EQ(Messages(), 1);
    const platform::ShownDialog& box = DialogScript::shown()[0];
    EXPECT_EQ(box.kind, platform::ShownDialog::AppBox);
    EXPECT_EQ(box.caption, QStringLiteral("Error"));
    EXPECT_EQ(box.text, QStringLiteral("Fehler beim Lesen der Datei: ") + damagedPath);
    EXPECT_EQ((*levels)[5 * 60 + 30], 0.0);
    EXPECT_EQ(host.progress, NormalProgress());
}

TEST_F(DayLoaderTest, ThreeFilesWithoutSamplesStopTheLoad)
{
    Zone(-3600, false);
    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);
    HourFile damaged;
    damaged.chunkAheadLength = 12001;
    Write(midnight - 3600 + 1200, damaged);  // the previous day's file counts too
    for (int h = 0; h <= 24; ++h) {
        const bool bad = h == 3 || h == 7;
        Write(midnight + 3600 * h + 1200, bad ? damaged : HourFile());
        if (!bad && h < 7)
            Place(midnight, midnight + 3600 * h + 1200);
    }
    EXPECT_TRUE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();  // nothing after hour 7, not even the next day's file
    EXPECT_EQ(Messages(), 3);
    const std::vector<int> progress{0, 4, 8, 12, 16, 20, 24, 28, 32, 100, 101};
    EXPECT_EQ(host.progress, progress);
}

TEST_F(DayLoaderTest, TheNextDaysEmptyFileIsReportedButNotCounted)
{
    Zone(-3600, false);
    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);
    HourFile damaged;
    damaged.chunkAheadLength = 12001;
    for (int h = 0; h <= 24; ++h) {
        const bool bad = h == 2 || h == 4 || h == 24;
        Write(midnight + 3600 * h, bad ? damaged : HourFile());
        if (!bad)
            Place(midnight, midnight + 3600 * h);
    }
    EXPECT_TRUE(Load(EncodeDate(2007, 11, 23)));
    ExpectBuffer();
    EXPECT_EQ(Messages(), 3);
    EXPECT_EQ(host.progress, NormalProgress());
}

TEST(DayModel, ProgressText)
{
    const QString saved = TxtReading;
    TxtReading = QStringLiteral("Lesen");
    EXPECT_EQ(ProgressText(4), QStringLiteral("Lesen  4%"));
    EXPECT_EQ(ProgressText(100), QStringLiteral("Lesen 100%"));
    TxtReading = QStringLiteral("Read");
    EXPECT_EQ(ProgressText(0), QStringLiteral("Read  0%"));
    TxtReading = saved;
}

// The window closing while a box is up (SIGTERM closes the box first) ends the load: no
// further box keeps the program alive.
TEST_F(DayLoaderTest, ClosingDuringTheLoadStopsItAndItsBoxes)
{
    Zone(-3600, false);
    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);
    HourFile empty;
    empty.minutes = 0;
    for (int h = 0; h <= 24; ++h)
        Write(midnight + 3600 * h, empty);
    host.closeAfterFirstBox = true;
    EXPECT_FALSE(Load(EncodeDate(2007, 11, 23)));
    EXPECT_EQ(Messages(), 1);
    const std::vector<int> progress{0, 4, 100, 101};
    EXPECT_EQ(host.progress, progress);
}
