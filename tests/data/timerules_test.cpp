#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>
#include <ctime>
#include <string>

#include "data/timerules.h"
#include "peers/dbbwriter.h"

namespace {

constexpr TStationZone Berlin{-3600, true};
constexpr TStationZone Cet{-3600, false};

struct Fields {
    int year, month, day, hour, minute, second;
};

Fields Decode(TDateTime dt)
{
    Fields f{};
    int ms;
    DecodeDate(dt, f.year, f.month, f.day);
    DecodeTime(dt, f.hour, f.minute, f.second, ms);
    return f;
}

std::string Text(TDateTime dt)
{
    const Fields f = Decode(dt);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
    return buf;
}

uint32_t Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return uint32_t(dbbtest::UtcSeconds(y, mo, d, h, mi, s));
}

// Sets TZ for one test and puts the previous value back.
class ScopedTz {
public:
    explicit ScopedTz(const char* tz)
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had)
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

}  // namespace

TEST(TimeRules, SummerTimeSwitchesAtTheExactHour)
{
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 3, 25, 0, 59, 59), Berlin)), "2007-03-25 01:59:59");
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 3, 25, 1, 0, 0), Berlin)), "2007-03-25 03:00:00");
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 10, 28, 0, 59, 59), Berlin)), "2007-10-28 02:59:59");
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 10, 28, 1, 0, 0), Berlin)), "2007-10-28 02:00:00");
    // Without the flag there is no shift all year.
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 7, 1, 12), Cet)), "2007-07-01 13:00:00");
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 3, 25, 1), Cet)), "2007-03-25 02:00:00");
    // West of UTC and in half-hour zones.
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 1, 1, 3), {18000, false})), "2006-12-31 22:00:00");
    EXPECT_EQ(Text(UnixToLocalDateTime(Utc(2007, 2, 28, 18, 15), {-20700, false})), "2007-03-01 00:00:00");
}

TEST(TimeRules, LocalToUnixOnTheSwitchDays)
{
    const TDateTime march25 = EncodeDate(2007, 3, 25), oct28 = EncodeDate(2007, 10, 28);
    EXPECT_EQ(LocalToUnix(march25, 1, 0, Berlin), Utc(2007, 3, 25, 0));
    // The missing hour counts as summer time: 02:00 and 01:00 name the same instant.
    EXPECT_EQ(LocalToUnix(march25, 2, 0, Berlin), Utc(2007, 3, 25, 0));
    EXPECT_EQ(LocalToUnix(march25, 3, 0, Berlin), Utc(2007, 3, 25, 1));
    // The repeated hour is taken as standard time.
    EXPECT_EQ(LocalToUnix(oct28, 1, 0, Berlin), Utc(2007, 10, 27, 23));
    EXPECT_EQ(LocalToUnix(oct28, 2, 0, Berlin), Utc(2007, 10, 28, 1));
    // Only the date part counts; hours and minutes carry.
    EXPECT_EQ(LocalToUnix(EncodeDate(2007, 11, 23) + 0.75, 14, 0, Cet), Utc(2007, 11, 23, 13));
    EXPECT_EQ(LocalToUnix(EncodeDate(2007, 12, 31), 24, 0, Cet), Utc(2007, 12, 31, 23));
    EXPECT_EQ(LocalToUnix(EncodeDate(2007, 12, 31), 23, 61, Cet), Utc(2008, 1, 1, 0, 1) - 3600);
    EXPECT_EQ(LocalToUnix(EncodeDate(2008, 3, 1), -1, 0, Cet), Utc(2008, 2, 29, 22));
}

TEST(TimeRules, AgreesWithTheSystemZoneDatabaseFor1996To2037)
{
    if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/Europe/Berlin")))
        GTEST_SKIP() << "no zone database for Europe/Berlin";
    ScopedTz tz("Europe/Berlin");
    const uint32_t from = Utc(1996, 1, 1), to = Utc(2037, 12, 31, 23, 45);
    int mismatches = 0;
    for (uint32_t t = from; t <= to && mismatches < 5; t += 900) {
        const time_t tt = time_t(t);
        tm lt{};
        localtime_r(&tt, &lt);
        const Fields f = Decode(UnixToLocalDateTime(t, Berlin));
        const bool same = f.year == lt.tm_year + 1900 && f.month == lt.tm_mon + 1 && f.day == lt.tm_mday
            && f.hour == lt.tm_hour && f.minute == lt.tm_min && f.second == lt.tm_sec;
        if (!same) {
            ++mismatches;
            ADD_FAILURE() << "at " << t << ": " << Text(UnixToLocalDateTime(t, Berlin));
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The last Sunday of March or October.
static bool IsSwitchSunday(TDateTime day, int month)
{
    const Fields f = Decode(day);
    TBrokenDownTime b;
    UtcCompose(f.year, f.month - 1, f.day, 12, 0, 0, &b);
    return f.month == month && f.day >= 25 && b.Weekday == 0;
}

TEST(TimeRules, LocalToUnixRoundTripsEveryHourButTheRepeatedOne)
{
    const TStationZone zones[] = {Berlin, Cet, TStationZone{18000, true}, TStationZone{-20700, false}};
    for (const TStationZone zone : zones) {
        for (TDateTime day = EncodeDate(2006, 1, 1); day < EncodeDate(2009, 1, 1); day += 1.0) {
            for (int h = 0; h < 24; ++h) {
                // 02:00 does not exist on the spring Sunday.
                if (zone.Daylight && h == 2 && IsSwitchSunday(day, 3))
                    continue;
                const uint32_t u = LocalToUnix(day, h, 0, zone);
                ASSERT_EQ(Text(UnixToLocalDateTime(u, zone)), Text(day + h / 24.0)) << zone.ZoneBias << " " << h;
            }
        }
        for (uint32_t u = Utc(2006, 1, 1); u < Utc(2009, 1, 1); u += 3600) {
            const TDateTime local = UnixToLocalDateTime(u, zone);
            const Fields f = Decode(local);
            const uint32_t back = LocalToUnix(local, f.hour, f.minute, zone);
            // The first 02:00-02:59 of the autumn Sunday is read as the second one.
            if (back != u) {
                EXPECT_TRUE(zone.Daylight && f.hour == 2 && IsSwitchSunday(DateOf(local), 10)) << Text(local);
                EXPECT_EQ(back, u + 3600);
                continue;
            }
            ASSERT_EQ(back, u) << zone.ZoneBias << " " << Text(local);
        }
    }
}

TEST(TimeRules, SummerTimeRuleAtTheMonthEdges)
{
    const auto f = [](int year, int month, int day, int hour) {
        TBrokenDownTime b;
        UtcCompose(year, month - 1, day, hour, 0, 0, &b);
        return b;
    };
    EXPECT_TRUE(IsSummerTime(f(2007, 3, 31, 12)));  // a Saturday, day - weekday = 25
    EXPECT_FALSE(IsSummerTime(f(2007, 3, 24, 12)));
    EXPECT_FALSE(IsSummerTime(f(2007, 3, 25, 1)));
    EXPECT_TRUE(IsSummerTime(f(2007, 3, 25, 2)));
    EXPECT_TRUE(IsSummerTime(f(2007, 10, 28, 1)));
    EXPECT_FALSE(IsSummerTime(f(2007, 10, 28, 2)));
    EXPECT_FALSE(IsSummerTime(f(2007, 10, 29, 0)));
    EXPECT_TRUE(IsSummerTime(f(2007, 10, 27, 23)));
    EXPECT_TRUE(IsSummerTime(f(2007, 4, 1, 0)));
    EXPECT_FALSE(IsSummerTime(f(2007, 11, 1, 0)));
    EXPECT_FALSE(IsSummerTime(f(2007, 2, 28, 12)));
}

TEST(TimeRules, EasterSundayOfKnownYears)
{
    const struct {
        int year, month, day;
    } known[] = {{1583, 4, 10}, {1954, 4, 18}, {1981, 4, 19}, {2000, 4, 23}, {2007, 4, 8}, {2008, 3, 23},
                 {2011, 4, 24}, {2019, 4, 21}, {2038, 4, 25}, {2049, 4, 18}, {2285, 3, 22}, {1818, 3, 22},
                 {1943, 4, 25}, {2076, 4, 19}};
    for (const auto& k : known) {
        uint16_t m = 0, d = 0;
        EasterSunday(k.year, m, d);
        EXPECT_EQ(m * 100 + d, k.month * 100 + k.day) << k.year;
    }
}

TEST(TimeRules, EasterSundayMatchesTheAnonymousGregorianAlgorithm)
{
    for (int y = 1583; y <= 4099; ++y) {
        const int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4, f = (b + 8) / 25;
        const int g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30, i = c / 4, k = c % 4;
        const int l = (32 + 2 * e + 2 * i - h - k) % 7, m = (a + 11 * h + 22 * l) / 451;
        const int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
        uint16_t em = 0, ed = 0;
        EasterSunday(y, em, ed);
        ASSERT_EQ(em * 100 + ed, month * 100 + day) << y;
    }
}

TEST(TimeRules, PublicHolidaysOfSampleYears)
{
    const struct {
        int year;
        int goodFriday[2], easterMonday[2], whitMonday[2];
    } years[] = {{2007, {4, 6}, {4, 9}, {5, 28}}, {2008, {3, 21}, {3, 24}, {5, 12}}, {2011, {4, 22}, {4, 25}, {6, 13}}};
    for (const auto& y : years) {
        int count = 0;
        for (TDateTime d = EncodeDate(y.year, 1, 1); d < EncodeDate(y.year + 1, 1, 1); d += 1.0)
            count += IsPublicHoliday(d + 0.5) ? 1 : 0;
        EXPECT_EQ(count, 7) << y.year;
        EXPECT_TRUE(IsPublicHoliday(EncodeDate(y.year, y.goodFriday[0], y.goodFriday[1])));
        EXPECT_TRUE(IsPublicHoliday(EncodeDate(y.year, y.easterMonday[0], y.easterMonday[1])));
        EXPECT_TRUE(IsPublicHoliday(EncodeDate(y.year, y.whitMonday[0], y.whitMonday[1])));
        for (const auto md : {101, 501, 1225, 1226})
            EXPECT_TRUE(IsPublicHoliday(EncodeDate(y.year, md / 100, md % 100))) << y.year << " " << md;
    }
    EXPECT_FALSE(IsPublicHoliday(EncodeDate(2007, 5, 17)));  // Ascension
    EXPECT_FALSE(IsPublicHoliday(EncodeDate(2007, 4, 8)));  // Easter Sunday itself
    EXPECT_FALSE(IsPublicHoliday(EncodeDate(2007, 5, 27)));  // Whit Sunday
    EXPECT_TRUE(IsPublicHoliday(EncodeDate(2007, 12, 26) + EncodeTime(23, 59, 0, 0)));
    EXPECT_FALSE(IsPublicHoliday(EncodeDate(2007, 12, 27)));
}

TEST(TimeRules, DaysInMonth)
{
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(DaysInMonth(2007, m), lengths[m - 1]) << m;
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2007, 2), 28);
    EXPECT_EQ(DaysInMonth(2008, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2008, 13), 29);  // any other value counts as February
}

TEST(TimeRules, MonthComparisonsAndDayOfMonth)
{
    EXPECT_TRUE(MonthDiffers(EncodeDate(2007, 3, 1), EncodeDate(2007, 3, 2), Cet));
    EXPECT_FALSE(MonthDiffers(EncodeDate(2007, 3, 2), EncodeDate(2008, 3, 2), Cet));
    EXPECT_FALSE(MonthDiffers(EncodeDate(2007, 3, 1), EncodeDate(2007, 3, 2), {0, false}));
    // West of UTC the local midnight is in the same UTC month.
    EXPECT_FALSE(MonthDiffers(EncodeDate(2007, 3, 1), EncodeDate(2007, 3, 2), {18000, false}));

    EXPECT_EQ(DayOfMonth(EncodeDate(2007, 3, 1), 0, Cet), 28);
    EXPECT_EQ(DayOfMonth(EncodeDate(2007, 3, 1), 1, Cet), 1);
    EXPECT_EQ(DayOfMonth(EncodeDate(2007, 2, 28), 20, {18000, false}), 1);
    EXPECT_EQ(DayOfMonth(EncodeDate(2007, 3, 1), 5, {-20700, false}), 28);

    EXPECT_TRUE(MonthChanged(EncodeDate(2007, 1, 31), EncodeDate(2007, 2, 1)));
    EXPECT_TRUE(MonthChanged(EncodeDate(2007, 1, 5), EncodeDate(2008, 1, 5)));
    EXPECT_FALSE(MonthChanged(EncodeDate(2007, 1, 5), EncodeDate(2007, 1, 31) + 0.99));
}

TEST(TimeRules, TimeZoneSuffixes)
{
    const struct {
        int bias;
        const char* text;
    } table[] = {{0, " (UTC+00:00)"}, {-3600, " (UTC+01:00)"}, {18000, " (UTC-05:00)"}, {-19800, " (UTC+05:30)"},
                 {-20700, " (UTC+05:45)"}, {12600, " (UTC-03:30)"}, {-46800, " (UTC+13:00)"}, {1, " (UTC-00:00)"}};
    for (const auto& row : table)
        EXPECT_EQ(TimeZoneSuffix({row.bias, false}).toStdString(), row.text) << row.bias;
}

TEST(TimeRules, DateTimeToUnixUsesThePcZoneAndSeconds)
{
    const TDateTime d = EncodeDate(2007, 7, 1) + 0.9, t = 40000.0 + EncodeTime(12, 30, 15, 0);
    EXPECT_EQ(DateTimeToUnix(d, t, -3600, 1), Utc(2007, 7, 1, 10, 30, 15));
    EXPECT_EQ(DateTimeToUnix(d, t, -3600, 0), Utc(2007, 7, 1, 11, 30, 15));
    EXPECT_EQ(DateTimeToUnix(d, t, 0, 0), Utc(2007, 7, 1, 12, 30, 15));
}

TEST(TimeRules, EncodingRoundsToTheMillisecond)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1970, 1, 1), UnixEpochDays);
    EXPECT_EQ(EncodeDate(2007, 2, 29), 0.0);
    EXPECT_EQ(Text(EncodeDate(2007, 12, 31) + 0.99999999999), "2008-01-01 00:00:00");
    EXPECT_EQ(Text(EncodeDate(2008, 2, 29) + EncodeTime(23, 59, 59, 0)), "2008-02-29 23:59:59");
    EXPECT_EQ(DateOf(EncodeDate(2007, 5, 1) + 0.7), EncodeDate(2007, 5, 1));
}
