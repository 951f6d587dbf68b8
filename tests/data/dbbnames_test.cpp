#include <gtest/gtest.h>

#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/timerules.h"
#include "stationzone.h"

namespace {

std::string S(const QString& s)
{
    return s.toStdString();
}

}  // namespace

TEST(DbbNames, BuildersOfOneHourAtUtcPlusOne)
{
    ScopedStationZone zone(-3600, false);
    const TDateTime day = EncodeDate(2007, 11, 23);
    EXPECT_EQ(S(HexDbbName(day, 14, 0)), "4746CED0.dbb");
    EXPECT_EQ(S(DatedDbbName(day, 14, 0, 5)), "20071123-130000-005.dbb");
    EXPECT_EQ(S(DatedDbbName(day, 14, 20, 999)), "20071123-132000-999.dbb");
    EXPECT_EQ(S(HexNameToStationPath(QStringLiteral("4746CED0.dbb"), 1, 5)),
              "Reg001/Stat005/2007/11/20071123-130000-005.dbb");
    EXPECT_EQ(S(HexNameToStationPath(QStringLiteral("DATA\\DBB\\2007\\11\\4746CED0.dbb"), 1, 5)),
              "Reg001/Stat005/2007/11/20071123-130000-005.dbb");
    EXPECT_EQ(S(HexNameToTempName(QStringLiteral("4746ced0.DBB"))), "20071123-130000-nnn.dbb");
    EXPECT_EQ(S(OldDbbMonthDir(day, 14)), "DBB\\2007\\11\\");
    EXPECT_EQ(S(StationMonthDir(day, 14, 1, 5)), "Reg001/Stat005/2007/11/");
    EXPECT_EQ(S(StationDir(12, 345)), "Reg012/Stat345");
}

TEST(DbbNames, MonthFoldersFollowTheUtcStart)
{
    {
        ScopedStationZone zone(-3600, false);
        // 1 March 00:00-00:59 local is still February in UTC.
        EXPECT_EQ(S(StationMonthDir(EncodeDate(2007, 3, 1), 0, 1, 5)), "Reg001/Stat005/2007/02/");
        EXPECT_EQ(S(StationMonthDir(EncodeDate(2007, 3, 1), 1, 1, 5)), "Reg001/Stat005/2007/03/");
        EXPECT_EQ(S(OldDbbMonthDir(EncodeDate(2008, 1, 1), 0)), "DBB\\2007\\12\\");
        EXPECT_EQ(S(StationMonthDirOfDateTime(EncodeDate(2007, 3, 1) + EncodeTime(0, 59, 0, 0), 1, 5)),
                  "Reg001/Stat005/2007/02/");
    }
    {
        // +05:45: the hour 05:00 of 1 March starts in February, its minute 15 in March.
        ScopedStationZone zone(-20700, false);
        const TDateTime march1 = EncodeDate(2007, 3, 1);
        EXPECT_EQ(S(StationMonthDir(march1, 5, 1, 5, 14)), "Reg001/Stat005/2007/02/");
        EXPECT_EQ(S(StationMonthDir(march1, 5, 1, 5, 45)), "Reg001/Stat005/2007/03/");
        EXPECT_EQ(S(OldDbbMonthDir(march1, 5, 45)), "DBB\\2007\\03\\");
        EXPECT_EQ(S(StationMonthDirOfDateTime(march1 + EncodeTime(5, 50, 0, 0), 1, 5)), "Reg001/Stat005/2007/03/");
        EXPECT_EQ(S(DatedDbbName(march1, 5, 50, 5)), "20070301-000500-005.dbb");
    }
    {
        // West of UTC the evening of the month's last day is in the next month.
        ScopedStationZone zone(18000, false);
        EXPECT_EQ(S(StationMonthDir(EncodeDate(2007, 2, 28), 19, 1, 5)), "Reg001/Stat005/2007/03/");
        EXPECT_EQ(S(StationMonthDir(EncodeDate(2007, 2, 28), 18, 1, 5)), "Reg001/Stat005/2007/02/");
    }
}

TEST(DbbNames, ParsersGiveLocalTimes)
{
    ScopedStationZone zone(-3600, true);
    const TDateTime t = EncodeDate(2007, 11, 23) + EncodeTime(14, 0, 0, 0);
    EXPECT_EQ(HexNameToDateTime(QStringLiteral("4746CED0.dbb")), t);
    EXPECT_EQ(HexNameToDateTime(QStringLiteral("DATA\\DBB\\4746ced0.DBB")), t);
    EXPECT_EQ(DatedNameToDateTime(QStringLiteral("20071123-130000-005.dbb")), t);
    EXPECT_EQ(DatedNameToDateTime(QStringLiteral("/data/Reg001/Stat005/2007/11/20071123-130000-005.dbb")), t);
    // Summer: 12:20 UTC is 14:20 local.
    EXPECT_EQ(DatedNameToDateTime(QStringLiteral("20070701-122000-005.dbb")),
              EncodeDate(2007, 7, 1) + EncodeTime(14, 20, 0, 0));
    EXPECT_EQ(DatedNameToDate(QStringLiteral("20071123-130000-005.dbb")), EncodeDate(2007, 11, 23));
    EXPECT_EQ(DatedNameStation(QStringLiteral("20071123-130000-005.dbb")), 5);
    EXPECT_EQ(DatedNameStation(QStringLiteral("Reg1/20071123-130000-x05.dbb")), -1);
    EXPECT_EQ(DatedNameStation(QStringLiteral("short.dbb")), -1);
    EXPECT_EQ(DatedNameStation(QStringLiteral("20071123-130000--05.dbb")), -1);
    EXPECT_EQ(HexNameToUnix(QStringLiteral("FFFFFFFF.dbb")), 0xFFFFFFFFu);
}

TEST(DbbNames, NamesThatAreNoNumbersFallOutOfEveryWindow)
{
    ScopedStationZone zone(-3600, false);
    EXPECT_EQ(HexNameToUnix(QStringLiteral("4746CEZ0.dbb")), 0u);
    EXPECT_EQ(HexNameToUnix(QStringLiteral("ab.dbb")), 0u);
    EXPECT_EQ(HexNameToUnix(QString()), 0u);
    EXPECT_LT(HexNameToDateTime(QStringLiteral("xyz.dbb")), EncodeDate(1970, 1, 2));
    EXPECT_LT(DatedNameToDateTime(QStringLiteral("notadatedname.dbb")), EncodeDate(1970, 1, 2));
    EXPECT_LT(DatedNameToDateTime(QStringLiteral("99999999-999999-005.dbb")), EncodeDate(1970, 1, 2));
    EXPECT_EQ(DatedNameToDate(QStringLiteral("20070231-000000-005.dbb")), 0.0);
    EXPECT_EQ(HexNameToTempName(QStringLiteral("garbage")), QStringLiteral("19700101-000000-nnn.dbb"));
}

TEST(DbbNames, WwwLocalPathAndHostileNames)
{
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral("20071123.www"))), "www/2007/11/20071123.www");
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral("DATA\\WWW\\2007\\11\\20071123.www"))), "www/2007/11/20071123.www");
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral("200711.www"))), "200711.www");
    // Nothing built from a device name may climb out of the tree.
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral("2007..23.www"))), "");
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral("2007.\x01" "23.www"))), "");
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral("../../x/2007..23.www"))), "");
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral("../../../etc/passwd"))), "");
    EXPECT_EQ(S(WwwLocalPath(QStringLiteral(".."))), "");

    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "c:x", "x\ny", "tab\there"})
        EXPECT_FALSE(IsSafeFileName(QString::fromLatin1(bad))) << bad;
    EXPECT_FALSE(IsSafeFileName(QString(QChar(0)) + QStringLiteral("x")));
    for (const char* good : {"4746CED0.dbb", "...", "a..b", "current.log"})
        EXPECT_TRUE(IsSafeFileName(QString::fromLatin1(good))) << good;

    EXPECT_TRUE(IsInsideDir(QStringLiteral("/data"), QStringLiteral("/data/Reg001/x.dbb")));
    EXPECT_TRUE(IsInsideDir(QStringLiteral("/data/"), QStringLiteral("/data/a/../b")));
    EXPECT_FALSE(IsInsideDir(QStringLiteral("/data"), QStringLiteral("/data/../etc/passwd")));
    EXPECT_FALSE(IsInsideDir(QStringLiteral("/data"), QStringLiteral("/data2/x")));
    EXPECT_FALSE(IsInsideDir(QStringLiteral("/data"), QStringLiteral("/data")));

    EXPECT_EQ(S(JoinLocalPath({QStringLiteral("/d/"), QStringLiteral("/Reg001"), QString(), QStringLiteral("x")})),
              "/d/Reg001/x");
    EXPECT_EQ(S(FileNamePart(QStringLiteral("a/b\\c:d.dbb"))), "d.dbb");
}
