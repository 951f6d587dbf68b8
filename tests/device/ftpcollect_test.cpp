#include <gtest/gtest.h>

#include <QDateTime>
#include <QMap>
#include <QTimeZone>

#include "../data/stationzone.h"
#include "data/tdatetime.h"
#include "device/ftpcollect.h"
#include "peers/dbbwriter.h"
#include "samples.h"

using dbbtest::HexName;
using dbbtest::UtcSeconds;

namespace {

// A device tree as listings: folder (device path) -> names; records every mask asked for.
struct FakeTree {
    QMap<QString, QStringList> folders;
    QStringList masks;

    void addHour(int64_t utc)
    {
        const QDateTime t = QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc());
        const QString year = t.toString(QStringLiteral("yyyy")), month = t.toString(QStringLiteral("MM"));
        addName(QStringLiteral("DBB"), year);
        addName(QStringLiteral("DBB\\") + year, month);
        addName(QStringLiteral("DBB\\") + year + u'\\' + month, HexName(utc));
    }
    void addName(const QString& folder, const QString& name)
    {
        if (!folders[folder].contains(name))
            folders[folder].append(name);
    }
    FtpLister lister()
    {
        return [this](QStringList& list, const QString& mask) {
            masks << mask;
            const QStringList names = folders.value(mask.left(mask.lastIndexOf(u'\\')));
            list << names;
            return int(names.size());
        };
    }
    QStringList collect(TDateTime start, TDateTime end)
    {
        QStringList list;
        FtpCollectFiles(list, QStringLiteral("DBB"), start, end, lister(), nullptr);
        return list;
    }
};

QString MonthPath(int64_t utc)
{
    return QStringLiteral("DBB\\")
        + QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc()).toString(QStringLiteral("yyyy\\MM\\")) + HexName(utc);
}

}  // namespace

TEST(FtpParseListing, TakesEveryLineButDotsAndKeepsALastLineWithoutCrLf)
{
    const struct {
        const char* text;
        QStringList expected;
    } cases[] = {
        {"", {}},
        {"a.dbb\r\nB.DBB\r\n", {"a.dbb", "B.DBB"}},
        {".\r\n..\r\n2007\r\n", {"2007"}},
        {"x.dbb\r\ny.dbb", {"x.dbb", "y.dbb"}},
        {"x.dbb\n\r\ny.dbb\n", {"x.dbb", "y.dbb"}},
        {"x.dbb\ry.dbb\r", {"x.dbb", "y.dbb"}},
        {"10-01-07  09:15AM       <DIR>          2007\r\n11-30-2007  11:00PM  12000 4746CED0.dbb\r\n",
         {"2007", "4746CED0.dbb"}},
        {"total 8\r\ndrwxr-xr-x 2 ftp ftp 4096 Oct  1 09:15 11\r\n-rw-r--r-- 1 ftp 12000 Nov 30  2007 a b.log\r\n"
         "lrwxrwxrwx 1 ftp ftp 5 Oct  1 09:15 cur -> x.log\r\n",
         {"11", "a b.log", "cur"}},
    };
    for (const auto& c : cases) {
        QStringList list{QStringLiteral("kept")};
        EXPECT_TRUE(FtpParseListing(list, QString::fromLatin1(c.text)));
        EXPECT_EQ(list, QStringList{QStringLiteral("kept")} + c.expected) << c.text;
    }
    // What no listing holds is told, and nothing of it taken.
    for (const char* bad : {"a.dbb\r\n-rw-r--r-- ?? b.dbb\r\n", "a.dbb\r\nb\x01.dbb\r\n", "10-01-07 x\r\n"}) {
        QStringList list;
        EXPECT_TRUE(!FtpParseListing(list, QString::fromLatin1(bad)) && list.isEmpty()) << bad;
    }
}

TEST(FtpCollectFiles, ChoosesTheHourFilesOfTheWindowAcrossMonthsYearsAndZones)
{
    // Each case: station zone, local window, hours present (UTC), hours expected.
    const struct {
        const char* what;
        int bias;
        TDateTime start, end;
        std::vector<int64_t> present, expected;
    } cases[] = {
        {"59-minute lead at UTC+1", -3600, Local(2007, 11, 20), Local(2007, 11, 20, 23, 59),
         {UtcSeconds(2007, 11, 19, 21, 59), UtcSeconds(2007, 11, 19, 22, 1), UtcSeconds(2007, 11, 19, 22, 31),
          UtcSeconds(2007, 11, 20, 22, 59), UtcSeconds(2007, 11, 20, 23, 0)},
         {UtcSeconds(2007, 11, 19, 22, 1), UtcSeconds(2007, 11, 19, 22, 31), UtcSeconds(2007, 11, 20, 22, 59)}},
        {"month boundary", -3600, Local(2007, 11, 30, 0), Local(2007, 12, 1, 23, 59),
         {UtcSeconds(2007, 11, 30, 12), UtcSeconds(2007, 12, 1, 12), UtcSeconds(2007, 12, 2, 12)},
         {UtcSeconds(2007, 11, 30, 12), UtcSeconds(2007, 12, 1, 12)}},
        {"year boundary", 0, Local(2007, 12, 31, 20), Local(2008, 1, 1, 3, 59),
         {UtcSeconds(2007, 12, 31, 20, 20), UtcSeconds(2008, 1, 1, 3, 20), UtcSeconds(2008, 2, 1, 3, 20)},
         {UtcSeconds(2007, 12, 31, 20, 20), UtcSeconds(2008, 1, 1, 3, 20)}},
        {"west of UTC to a month's last day", 5 * 3600, Local(2007, 11, 30), Local(2007, 11, 30, 23, 59),
         {UtcSeconds(2007, 11, 30, 12), UtcSeconds(2007, 12, 1, 3), UtcSeconds(2007, 12, 1, 4, 30),
          UtcSeconds(2007, 12, 1, 5)},
         {UtcSeconds(2007, 11, 30, 12), UtcSeconds(2007, 12, 1, 3), UtcSeconds(2007, 12, 1, 4, 30)}},
        {"+05:45 on the first of a month", -(5 * 3600 + 45 * 60), Local(2007, 12, 1), Local(2007, 12, 1, 23, 59),
         {UtcSeconds(2007, 11, 30, 17, 15), UtcSeconds(2007, 11, 30, 18, 15), UtcSeconds(2007, 12, 1, 18, 0)},
         {UtcSeconds(2007, 11, 30, 18, 15), UtcSeconds(2007, 12, 1, 18, 0)}},
    };
    for (const auto& c : cases) {
        ScopedStationZone zone(c.bias, false);
        FakeTree tree;
        for (int64_t u : c.present)
            tree.addHour(u);
        QStringList expected;
        for (int64_t u : c.expected)
            expected << MonthPath(u);
        QStringList got = tree.collect(c.start, c.end);
        got.sort();
        expected.sort();
        EXPECT_EQ(got, expected) << c.what;
    }
}

TEST(FtpCollectFiles, ListsOnlyTheFoldersOfTheRangeAndRefusesNamesThatAreNoPlainFile)
{
    ScopedStationZone zone(-3600, false);
    FakeTree tree;
    const int64_t inside = UtcSeconds(2007, 11, 20, 10);
    tree.addHour(inside);
    tree.addHour(UtcSeconds(2006, 11, 20, 10));
    tree.addName(QStringLiteral("DBB"), HexName(inside + 3600));  // an older device's flat file
    tree.addName(QStringLiteral("DBB"), HexName(inside - 86400 * 30));
    tree.addName(QStringLiteral("DBB"), QStringLiteral("Temp"));
    for (const char* hostile : {"../4742B0A0.dbb", "a/4742B0A0.dbb", "..", "x\\4742B0A0.dbb"})
        tree.addName(QStringLiteral("DBB\\2007\\11"), QString::fromLatin1(hostile));
    tree.addName(QStringLiteral("DBB\\2007"), QStringLiteral(".."));
    // Names listed twice, in any letter case, are one folder or file: listed and taken once.
    tree.folders[QStringLiteral("DBB")] << QStringLiteral("2007");
    tree.folders[QStringLiteral("DBB\\2007")] << QStringLiteral("11");
    tree.folders[QStringLiteral("DBB\\2007\\11")] << HexName(inside) << HexName(inside).toLower();

    QStringList got = tree.collect(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59));
    EXPECT_EQ(got, (QStringList{MonthPath(inside), QStringLiteral("DBB\\") + HexName(inside + 3600)}));
    EXPECT_EQ(tree.masks, (QStringList{QStringLiteral("DBB\\*.*"), QStringLiteral("DBB\\2007\\*.*"),
                                       QStringLiteral("DBB\\2007\\11\\*.*")}));

    // Nothing found: false, unless the user aborted.
    FakeTree empty;
    QStringList none;
    EXPECT_FALSE(FtpCollectFiles(none, QStringLiteral("DBB"), Local(2007, 11, 20), Local(2007, 11, 21), empty.lister(), nullptr));
    EXPECT_TRUE(FtpCollectFiles(none, QStringLiteral("DBB"), Local(2007, 11, 20), Local(2007, 11, 21), empty.lister(), [] { return true; }));
}

TEST(FtpCollectFiles, AverageFilesCountByTheirDate)
{
    ScopedStationZone zone(-3600, false);
    FakeTree tree;
    tree.addName(QStringLiteral("WWW"), QStringLiteral("2007"));
    tree.addName(QStringLiteral("WWW\\2007"), QStringLiteral("11"));
    tree.folders[QStringLiteral("WWW\\2007\\11")] = {QStringLiteral("20071119.www"), QStringLiteral("20071120.www"),
                                                    QStringLiteral("20071121.tmp"), QStringLiteral("20071122.www")};
    QStringList list;
    EXPECT_TRUE(FtpCollectFiles(list, QStringLiteral("WWW"), Local(2007, 11, 20), Local(2007, 11, 21, 23, 59), tree.lister(), nullptr));
    EXPECT_EQ(list, (QStringList{QStringLiteral("WWW\\2007\\11\\20071120.www"), QStringLiteral("WWW\\2007\\11\\20071121.tmp")}));
}
