#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <random>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "data/datatree.h"
#include "data/dbbnames.h"
#include "data/numbertext.h"
#include "data/timerules.h"
#include "peers/dbbwriter.h"
#include "stationzone.h"

namespace {

QString Touch(const QString& dir, const QString& rel, const QByteArray& bytes = QByteArray("x"))
{
    return dbbtest::WriteFile(dir, rel, bytes);
}

QStringList Names(const QStringList& paths)
{
    QStringList out;
    for (const QString& p : paths)
        out << QFileInfo(p).fileName();
    return out;
}

}  // namespace

TEST(DataTree, ListDirectoryAppendsSortedEntries)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    Touch(d, QStringLiteral("b.dbb"));
    Touch(d, QStringLiteral("A.DBB"));
    Touch(d, QStringLiteral(".hidden.dbb"));
    Touch(d, QStringLiteral("c.txt"));
    QDir(d).mkdir(QStringLiteral("2007"));
    QStringList list{QStringLiteral("kept")};
    EXPECT_EQ(ListDirectory(list, d + QStringLiteral("/*.dbb")), 4);
    EXPECT_EQ(list, (QStringList{QStringLiteral("kept"), d + QStringLiteral("/.hidden.dbb"), d + QStringLiteral("/A.DBB"),
                                 d + QStringLiteral("/b.dbb")}));
    QStringList all;
    EXPECT_EQ(ListDirectory(all, d + QStringLiteral("/*.*")), 5);  // "*.*" takes folders without a dot too
    EXPECT_TRUE(all.contains(d + QStringLiteral("/2007")));

    QDir(d).mkdir(QStringLiteral("empty"));
    EXPECT_EQ(ListDirectory(list, d + QStringLiteral("/empty/*.dbb")), 4);
    EXPECT_EQ(ListDirectory(list, d + QStringLiteral("/missing/*.*")), 4);
}

class CollectFiles : public ::testing::Test {
protected:
    void Hour(int y, int mo, int day, int h, int mi, int station = 5)
    {
        dbbtest::HourFile f;
        f.station = station;
        f.utcStart = dbbtest::UtcSeconds(y, mo, day, h, mi);
        ASSERT_FALSE(dbbtest::WriteLocalHour(dir.path(), f).isEmpty());
    }
    QStringList Collect(TDateTime start, TDateTime end, int station = 5)
    {
        QStringList list;
        CollectLocalDbbFiles(list, dir.path() + QStringLiteral("/Reg001/Stat005"), station, start, end);
        return Names(list);
    }
    QTemporaryDir dir;
};

TEST_F(CollectFiles, TakesTheHoursThatReachIntoTheWindow)
{
    ScopedStationZone zone(-3600, false);
    for (int h = 0; h < 24; ++h)
        Hour(2007, 11, 23, h, 20);
    // Another station's file in the same folder.
    Touch(dir.path(), QStringLiteral("Reg001/Stat005/2007/11/20071123-050000-006.dbb"));
    Touch(dir.path(), QStringLiteral("Reg001/Stat005/2007/11/notes.txt"));
    Touch(dir.path(), QStringLiteral("Reg001/Stat005/2007/xx/20071123-050000-005.dbb"));
    // Local 10:00-12:00 is UTC 09:00-11:00; the 08:20 UTC file reaches into it.
    const TDateTime day = EncodeDate(2007, 11, 23);
    EXPECT_EQ(Collect(day + 10 / 24.0, day + 12 / 24.0),
              (QStringList{QStringLiteral("20071123-082000-005.dbb"), QStringLiteral("20071123-092000-005.dbb"),
                           QStringLiteral("20071123-102000-005.dbb")}));
    // Local 06:00 alone: the 04:20 UTC file (05:20 local) reaches into it.
    EXPECT_EQ(Collect(day + 6 / 24.0, day + 6 / 24.0), (QStringList{QStringLiteral("20071123-042000-005.dbb")}));
    EXPECT_EQ(Collect(day + 6 / 24.0, day + 6 / 24.0, 6), (QStringList{QStringLiteral("20071123-050000-006.dbb")}));
    EXPECT_TRUE(Collect(day + 2, day + 3).isEmpty());
}

TEST_F(CollectFiles, MonthFoldersAreChosenInUtc)
{
    // West of UTC the evening of 28 February lies in the March folder.
    ScopedStationZone zone(18000, false);
    Hour(2007, 3, 1, 1, 0);  // 20:00 local on 28 February
    Hour(2007, 2, 28, 10, 0);
    const TDateTime feb28 = EncodeDate(2007, 2, 28);
    EXPECT_EQ(Collect(feb28, feb28 + 1.0 - 1.0 / 1440),
              (QStringList{QStringLiteral("20070228-100000-005.dbb"), QStringLiteral("20070301-010000-005.dbb")}));
    // Across a year boundary.
    Hour(2008, 1, 1, 2, 0);  // 21:00 local on 31 December
    EXPECT_EQ(Collect(EncodeDate(2007, 12, 31), EncodeDate(2007, 12, 31) + 0.99),
              (QStringList{QStringLiteral("20080101-020000-005.dbb")}));
}

// Reference count for CountFilesInRange: every entry, no search.
static int BruteCount(const QStringList& list, bool hex, int station, TDateTime start, TDateTime end)
{
    const int64_t from = std::llround((start - 59.0 / 1440) * 86400000.0), to = std::llround(end * 86400000.0);
    int n = 0;
    for (const QString& e : list) {
        const int64_t t = std::llround((hex ? HexNameToDateTime(e) : DatedNameToDateTime(e)) * 86400000.0);
        if (t >= from && t <= to && (hex || DatedNameStation(e) == station))
            ++n;
    }
    return n;
}

TEST(DataTree, CountFilesInRangeMatchesABruteForceCount)
{
    ScopedStationZone zone(-3600, true);
    std::mt19937 rng(20071123);
    const int64_t base = dbbtest::UtcSeconds(2007, 10, 25);
    EXPECT_EQ(CountFilesInRange(QStringList(), false, 5, EncodeDate(2007, 10, 25), EncodeDate(2007, 10, 26)), 0);
    EXPECT_EQ(CountFilesInRange(QStringList(), true, 5, EncodeDate(2007, 10, 25), EncodeDate(2007, 10, 26)), 0);
    for (int round = 0; round < 300; ++round) {
        const bool hex = round % 2 == 0;
        const int n = int(rng() % 60);
        std::vector<int64_t> times;
        for (int i = 0; i < n; ++i)  // minutes over 6 days, many equal times
            times.push_back(base + 60 * int64_t(rng() % (6 * 24 * 6)) * 10);
        std::sort(times.begin(), times.end());
        QStringList list;
        for (const int64_t t : times)
            list << (hex ? dbbtest::HexName(t) : dbbtest::DatedName(t, rng() % 4 == 0 ? 6 : 5));
        for (int q = 0; q < 20; ++q) {
            const TDateTime start = EncodeDate(2007, 10, 24) + (rng() % (8 * 1440)) / 1440.0;
            const TDateTime end = rng() % 5 == 0 ? start : start + (rng() % (2 * 1440)) / 1440.0;
            ASSERT_EQ(CountFilesInRange(list, hex, 5, start, end), BruteCount(list, hex, 5, start, end))
                << "round " << round << " query " << q;
        }
    }
    // A window that ends before the first file.
    const QStringList one{dbbtest::DatedName(base, 5)};
    EXPECT_EQ(CountFilesInRange(one, false, 5, EncodeDate(2007, 10, 20), EncodeDate(2007, 10, 21)), 0);
    // Equal names are all counted.
    const QStringList same{dbbtest::HexName(base), dbbtest::HexName(base), dbbtest::HexName(base)};
    EXPECT_EQ(CountFilesInRange(same, true, 5, EncodeDate(2007, 10, 25), EncodeDate(2007, 10, 26)), 3);
}

TEST(DataTree, FileSizeOf)
{
    QTemporaryDir dir;
    EXPECT_EQ(FileSizeOf(Touch(dir.path(), QStringLiteral("a"), QByteArray(1234, 'a'))), 1234);
    EXPECT_EQ(FileSizeOf(dir.path() + QStringLiteral("/missing")), 0);
}

TEST(DataTree, CopyFileBlocksCopiesIntoNewFolders)
{
    QTemporaryDir dir;
    QByteArray data;
    for (int i = 0; i < 5000; ++i)
        data.append(char(i * 7));
    const QString src = Touch(dir.path(), QStringLiteral("src.dbb"), data);
    const QString dst = dir.path() + QStringLiteral("/Reg001/Stat005/2007/11/dst.dbb");
    ASSERT_TRUE(CopyFileBlocks(src, dst));
    QFile f(dst);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), data);
    f.close();
    // Replacing an existing file.
    Touch(dir.path(), QStringLiteral("small"), QByteArray("abc"));
    ASSERT_TRUE(CopyFileBlocks(dir.path() + QStringLiteral("/small"), dst));
    EXPECT_EQ(FileSizeOf(dst), 3);
    // An empty source gives an empty copy.
    ASSERT_TRUE(CopyFileBlocks(Touch(dir.path(), QStringLiteral("empty"), QByteArray()), dst));
    EXPECT_EQ(FileSizeOf(dst), 0);
}

TEST(DataTree, CopyFileBlocksFailuresLeaveTheTargetAsItWas)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    const QString target = Touch(d, QStringLiteral("target.dbb"), QByteArray("precious"));
    const auto targetIntact = [&] {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) && f.readAll() == QByteArray("precious");
    };
    const auto onlyTargetInDir = [&] { return QDir(d).entryList(QDir::Files | QDir::Hidden).size() == 1; };

    EXPECT_FALSE(CopyFileBlocks(d + QStringLiteral("/missing"), target));
    EXPECT_TRUE(targetIntact());
    EXPECT_FALSE(CopyFileBlocks(target, target));
    EXPECT_TRUE(targetIntact());
    EXPECT_FALSE(CopyFileBlocks(d + QStringLiteral("/./target.dbb"), target));
    EXPECT_TRUE(targetIntact());
    ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(d + QStringLiteral("/hard")).constData()), 0);
    EXPECT_FALSE(CopyFileBlocks(d + QStringLiteral("/hard"), target));
    EXPECT_TRUE(targetIntact());
    QFile::remove(d + QStringLiteral("/hard"));
    QDir(d).mkdir(QStringLiteral("folder"));
    EXPECT_FALSE(CopyFileBlocks(d + QStringLiteral("/folder"), target));
    EXPECT_TRUE(targetIntact());
    EXPECT_TRUE(onlyTargetInDir());

    // The target's folder cannot be made: a file stands in its place.
    const QString src = Touch(d, QStringLiteral("sub/src"), QByteArray("new"));
    EXPECT_FALSE(CopyFileBlocks(src, target + QStringLiteral("/inside")));
    EXPECT_TRUE(targetIntact());

    // A folder that cannot be written.
    if (::geteuid() != 0) {
        QDir(d).mkdir(QStringLiteral("ro"));
        const QString roTarget = Touch(d, QStringLiteral("ro/t.dbb"), QByteArray("old"));
        QFile::setPermissions(d + QStringLiteral("/ro"), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(CopyFileBlocks(src, roTarget));
        QFile::setPermissions(d + QStringLiteral("/ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(FileSizeOf(roTarget), 3);
        EXPECT_EQ(QDir(d + QStringLiteral("/ro")).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
    // Never into a device or onto a folder.
    EXPECT_FALSE(CopyFileBlocks(src, QStringLiteral("/dev/null")));
    EXPECT_FALSE(CopyFileBlocks(src, d + QStringLiteral("/folder")));
}

TEST(DataTree, CopyFileBlocksChecksEveryWrite)
{
    QTemporaryDir dir;
    const QString src = Touch(dir.path(), QStringLiteral("big"), QByteArray(5000, 'b'));
    const QString target = Touch(dir.path(), QStringLiteral("out/target"), QByteArray("old"));
    // Files may grow to 2000 bytes only: the copy's writes fail part way.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 2000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool copied = CopyFileBlocks(src, target);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(copied);
    EXPECT_EQ(FileSizeOf(target), 3);
    EXPECT_EQ(QDir(dir.path() + QStringLiteral("/out")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(DataTree, NumberTexts)
{
    EXPECT_TRUE(IsByteString(QStringLiteral("  255 ")));
    EXPECT_TRUE(IsByteString(QStringLiteral("\t0\r\n")));
    EXPECT_TRUE(IsByteString(QStringLiteral("007")));
    EXPECT_FALSE(IsByteString(QStringLiteral("256")));
    EXPECT_FALSE(IsByteString(QStringLiteral("-1")));
    EXPECT_FALSE(IsByteString(QStringLiteral("word")));
    EXPECT_FALSE(IsByteString(QStringLiteral("")));
    EXPECT_FALSE(IsByteString(QStringLiteral("1 2")));
    EXPECT_FALSE(IsByteString(QStringLiteral("99999999999999999999")));
    EXPECT_EQ(StrToIntDef(QStringLiteral("-42"), 0), -42);
    EXPECT_EQ(StrToIntDef(QStringLiteral("+7"), 0), 7);
    EXPECT_EQ(StrToIntDef(QStringLiteral("-"), 9), 9);
    EXPECT_EQ(StrToIntDef(QStringLiteral("2147483648"), 9), 9);
    EXPECT_EQ(StrToIntDef(QStringLiteral("-2147483648"), 9), -2147483647 - 1);
}
