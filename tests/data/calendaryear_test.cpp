#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>

#include "data/calendaryear.h"
#include "data/timerules.h"
#include "peers/dbbwriter.h"
#include "stationzone.h"

namespace {

using namespace dbbtest;

// Hour files of station 001/005 for `hours` local hours from local midnight of a day.
void WriteLocalDay(const QString& data, int bias, int y, int m, int d, int hours, int firstHour = 0)
{
    for (int h = firstHour; h < firstHour + hours; ++h) {
        HourFile f;
        f.utcStart = UtcSeconds(y, m, d) + bias + 3600 * h;
        f.minutes = 1;
        WriteLocalHour(data, f);
    }
}

// The files per day of a year's scan, keyed by month * 100 + day.
std::map<int, int> Scan(TCalendarSource& source, int year)
{
    std::map<int, int> counts;
    EXPECT_TRUE(ScanCalendarYear(source, year, 5, nullptr, [&](int m, int d, int n) {
        counts[m * 100 + d] = n;
        return true;
    }));
    return counts;
}

// Records the folders listed, to show each is listed once.
class CountingSource : public TLocalCalendarSource {
public:
    using TLocalCalendarSource::TLocalCalendarSource;
    std::map<QString, int> listings;
    QString current;
    bool ChangeDir(const QString& dir) override
    {
        current = dir;
        return TLocalCalendarSource::ChangeDir(dir);
    }
    int ListFiles(QStringList& list, const QString& mask) override
    {
        ++listings[current];
        return TLocalCalendarSource::ListFiles(list, mask);
    }
};

}  // namespace

TEST(CalendarYear, CellsColoursAndYearNames)
{
    struct {
        int x, y;
        TDateTime date;
    } clicks[] = {{105, 33, EncodeDate(2007, 1, 1)},
                  {100 + 20 * 14 + 3, 28 + 20 * 5 + 3, EncodeDate(2007, 6, 15)},
                  {100 + 20 * 30 + 19, 28 + 20 * 11 + 19, EncodeDate(2007, 12, 31)},
                  {100 + 20 * 29 + 3, 28 + 20 + 3, 0.0},  // 30 February
                  {99, 33, 0.0},
                  {105, 20, 0.0},  // the day numbers
                  {100 + 20 * 31, 33, 0.0},
                  {105, 28 + 20 * 12, 0.0}};
    for (const auto& c : clicks)
        EXPECT_EQ(CalendarDateAt(2007, c.x, c.y), c.date) << c.x << "," << c.y;
    EXPECT_EQ(CalendarDateAt(2008, 100 + 20 * 28 + 3, 28 + 20 + 3), EncodeDate(2008, 2, 29));

    const std::pair<int, uint32_t> colours[] = {{0, 0xDCB43C}, {1, 0xC0C0C0}, {23, 0xC0C0C0}, {24, 0xFFFFFF}, {25, 0xFFFFFF}};
    for (const auto& [n, colour] : colours)
        EXPECT_EQ(CalendarCellColour(n), colour) << n;
    const std::pair<const char*, int> years[] = {{"2007", 2007}, {"1999", 1999}, {"1998", 0}, {"3000", 0}, {"20a7", 0},
                                                 {"02007", 0}, {"4746CED0.dbb", 0}};
    for (const auto& [name, year] : years)
        EXPECT_EQ(CalendarYearOf(QString::fromLatin1(name)), year) << name;
}

TEST(CalendarYear, CountsLocalDaysInZonesEastAndWestAcrossMonthEnds)
{
    struct Zone {
        int bias;
    } zones[] = {{-3600}, {18000}, {-19800}};  // UTC+01:00, UTC-05:00, UTC+05:30
    for (const Zone& z : zones) {
        const ScopedStationZone zone(z.bias, false);
        QTemporaryDir tmp;
        WriteLocalDay(tmp.path(), z.bias, 2007, 3, 5, 24);   // full day
        WriteLocalDay(tmp.path(), z.bias, 2007, 3, 6, 10);   // partial day
        WriteLocalDay(tmp.path(), z.bias, 2007, 1, 31, 24);  // its evening lies in February west of UTC
        WriteLocalDay(tmp.path(), z.bias, 2007, 3, 1, 24);   // its morning lies in February east of UTC
        WriteLocalDay(tmp.path(), z.bias, 2007, 2, 1, 1, 23);  // only the last hour of 1 February
        CountingSource source(tmp.path(), 1, 5);
        const auto n = Scan(source, 2007);
        const std::string at = "bias " + std::to_string(z.bias);
        EXPECT_EQ(n.size(), 365u) << at;
        EXPECT_GE(n.at(305), 24) << at;
        EXPECT_EQ(n.at(306), 10) << at;
        EXPECT_EQ(n.at(307), 0) << at;
        EXPECT_GE(n.at(131), 24) << at;
        EXPECT_GE(n.at(301), 24) << at;
        // The day before a day whose first file starts at 00:00 counts it too (the hour reaches into it).
        EXPECT_EQ(n.at(228), 1) << at;
        EXPECT_EQ(n.at(201), 1) << at;
        for (const auto& [dir, times] : source.listings)
            EXPECT_EQ(times, 1) << at << " " << dir.toStdString();
    }
}

TEST(CalendarYear, StopEndsTheScanAtOnce)
{
    QTemporaryDir tmp;
    TLocalCalendarSource source(tmp.path(), 1, 5);
    int cells = 0;
    EXPECT_FALSE(ScanCalendarYear(source, 2007, 5, nullptr, [&](int, int, int) { return ++cells < 40; }));
    EXPECT_EQ(cells, 40);
}

TEST(CalendarYear, DeviceYearIsReadThroughChangeAndListCommands)
{
    const ScopedStationZone zone(-3600, false);
    // The device: DATA\DBB\yyyy\mm of hex names, listed newest first; a transcript of commands.
    std::map<QString, QStringList> tree;
    for (int h = 23; h >= 0; --h) {
        const int64_t t = UtcSeconds(2007, 3, 4, 23) + 3600 * h;  // local 5 March
        tree[QStringLiteral("DATA\\DBB\\2007\\03")] << HexName(t);
    }
    tree[QStringLiteral("DATA\\DBB")] = QStringList{"DATA\\DBB\\2007", "1998", "4746CED0.dbb"};
    tree[QStringLiteral("DATA\\DBB\\2007")] = QStringList{"03"};
    QStringList transcript;
    QString cwd;
    TDeviceCalendarSource device(
        [&](const QString& dir) {
            transcript << "CWD " + dir;
            cwd = dir == QLatin1String("\\") ? QString() : dir;
            return dir == QLatin1String("\\") || tree.count(dir) > 0;
        },
        [&](QStringList& list, const QString& mask) {
            transcript << "NLST " + mask;
            const QString folder = mask.contains(u'\\') ? mask.section(u'\\', 0, -2) : cwd;
            list += tree[folder];
            return int(tree[folder].size());
        });
    EXPECT_EQ(device.YearFolders(), (QStringList{"2007", "1998", "4746CED0.dbb"}));
    transcript.clear();
    const auto n = Scan(device, 2007);
    EXPECT_GE(n.at(305), 24);
    EXPECT_EQ(n.at(304), 1);  // the 00:00 file reaches into the day before
    EXPECT_EQ(n.at(306), 0);
    // Only folders the year listings show are entered (a failed change would stay set in the
    // command layer), each once; then back to the top.
    EXPECT_EQ(transcript, (QStringList{"NLST DATA\\DBB\\2006\\*", "NLST DATA\\DBB\\2007\\*", "CWD \\",
                                       "CWD DATA\\DBB\\2007\\03", "NLST *.dbb", "CWD \\"}));
}
