#include "data/timerules.h"

#include <cstdlib>

namespace {

constexpr int64_t SecsPerDay = 86400;

TDateTime FieldsToDateTime(const TBrokenDownTime& f)
{
    return EncodeDate(f.Year, f.Month + 1, f.Day) + EncodeTime(f.Hour, f.Minute, f.Second, 0);
}

}  // namespace

TStationZone StationZone()
{
    return {CurrentStation.ZoneBias, CurrentStation.Daylight};
}

TBrokenDownTime UtcBreakdown(int64_t unixSeconds)
{
    TBrokenDownTime f;
    const int64_t days = FloorDiv(unixSeconds, SecsPerDay);
    const int64_t secs = unixSeconds - days * SecsPerDay;
    int month = 1;
    CivilFromDays(days, f.Year, month, f.Day);
    f.Month = month - 1;
    f.Hour = int(secs / 3600);
    f.Minute = int(secs / 60 % 60);
    f.Second = int(secs % 60);
    // 1 January 1970 was a Thursday.
    f.Weekday = int(((days % 7) + 11) % 7);
    return f;
}

int64_t UtcCompose(int year, int monthIndex, int day, int hour, int minute, int second,
                   TBrokenDownTime* normalized)
{
    const int64_t y = int64_t(year) + FloorDiv(monthIndex, 12);
    const int m = int(monthIndex - FloorDiv(monthIndex, 12) * 12);
    const int64_t days = DaysFromCivil(y, m + 1, 1) + int64_t(day) - 1;
    const int64_t u = days * SecsPerDay + int64_t(hour) * 3600 + int64_t(minute) * 60 + second;
    if (normalized)
        *normalized = UtcBreakdown(u);
    return u;
}

TDateTime UnixToLocalDateTime(uint32_t unixSeconds, TStationZone zone)
{
    // Local standard time; the summer-time test is made on it.
    int64_t s = int64_t(unixSeconds) - zone.ZoneBias;
    TBrokenDownTime f = UtcBreakdown(s);
    if (zone.Daylight && IsSummerTime(f)) {
        s += 3600;
        f = UtcBreakdown(s);
    }
    return FieldsToDateTime(f);
}

uint32_t LocalToUnix(TDateTime date, int hour, int minute, TStationZone zone)
{
    int year, month, day;
    DecodeDate(date, year, month, day);
    TBrokenDownTime f;
    int64_t u = UtcCompose(year, month - 1, day, hour, minute, 0, &f);
    u += zone.ZoneBias;
    // Tested on the wall-clock time: the missing spring hour counts as summer time, the
    // repeated autumn hour as standard time.
    if (zone.Daylight && IsSummerTime(f))
        u -= 3600;
    return uint32_t(u);
}

uint32_t DateTimeToUnix(TDateTime d, TDateTime t, int32_t savedTimezone, int32_t savedDaylight)
{
    int year, month, day, hour, minute, second, msec;
    DecodeDate(d, year, month, day);
    DecodeTime(t, hour, minute, second, msec);
    TBrokenDownTime f;
    int64_t u = UtcCompose(year, month - 1, day, hour, minute, second, &f);
    u += savedTimezone;
    if (savedDaylight != 0 && IsSummerTime(f))
        u -= 3600;
    return uint32_t(u);
}

bool IsSummerTime(const TBrokenDownTime& f)
{
    // 25 is the earliest day on which the last Sunday of a 31-day month can fall.
    if (f.Month >= 3 && f.Month <= 8)
        return true;
    if (f.Month == 2) {
        if (f.Weekday == 0)
            return f.Day >= 25 && f.Hour >= 2;
        return f.Day - f.Weekday >= 25;
    }
    if (f.Month == 9) {
        if (f.Weekday == 0)
            return f.Day < 25 || f.Hour < 2;
        return f.Day - f.Weekday < 25;
    }
    return false;
}

void EasterSunday(int year, uint16_t& month, uint16_t& day)
{
    const int a = year % 19, b = year % 4, c = year % 7;
    const int k = year / 100, p = (8 * k + 13) / 25, q = year / 400;
    const int M = (15 + k - q - p) % 30, N = (4 + k - q) % 7;
    int d = (19 * a + M) % 30;
    if (d == 29)
        d = 28;
    else if (d == 28 && a >= 11)
        d = 27;
    const int e = (2 * b + 4 * c + 6 * d + N) % 7;
    const int x = d + e + 1;
    if (x > 10) {
        month = 4;
        day = uint16_t(x - 10);
    } else {
        month = 3;
        day = uint16_t(x + 21);
    }
}

bool IsPublicHoliday(TDateTime date)
{
    int year, month, day;
    DecodeDate(date, year, month, day);
    uint16_t em, ed;
    EasterSunday(year, em, ed);
    const double easter = EncodeDate(year, em, ed);
    const double d = DateOf(date);
    return d == easter - 2 || d == easter + 1 || d == easter + 50 || d == EncodeDate(year, 1, 1)
        || d == EncodeDate(year, 5, 1) || d == EncodeDate(year, 12, 25) || d == EncodeDate(year, 12, 26);
}

int DaysInMonth(int year, int month)
{
    switch (month) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 4: case 6: case 9: case 11:
        return 30;
    default:
        if (year % 4 != 0)
            return 28;
        if (year % 100 != 0)
            return 29;
        return year % 400 == 0 ? 29 : 28;
    }
}

bool MonthDiffers(TDateTime a, TDateTime b, TStationZone zone)
{
    return UtcBreakdown(LocalToUnix(a, 0, 0, zone)).Month != UtcBreakdown(LocalToUnix(b, 0, 0, zone)).Month;
}

int DayOfMonth(TDateTime date, int hour, TStationZone zone)
{
    return UtcBreakdown(LocalToUnix(date, hour, 0, zone)).Day;
}

bool MonthChanged(TDateTime a, TDateTime b)
{
    int ya, ma, da, yb, mb, db;
    DecodeDate(a, ya, ma, da);
    DecodeDate(b, yb, mb, db);
    return ma != mb || ya != yb;
}

QString TimeZoneSuffix(TStationZone zone)
{
    const char* sign = zone.ZoneBias < 1 ? "+" : "-";
    const int64_t bias = std::llabs(int64_t(zone.ZoneBias));
    return QString::asprintf(" (UTC%s%.2d:%.2d)", sign, int(bias / 3600), int(bias / 60 % 60));
}
