#include "data/tdatetime.h"

#include <QDateTime>
#include <cmath>

namespace {

constexpr int64_t MsecsPerDay = 86400000;

// Splits a value into whole days since 1899-12-30 and milliseconds of the day. The time of
// day of a negative value counts forward from its date, as the class library had it.
void SplitValue(TDateTime dt, int64_t& days, int64_t& msecs)
{
    if (!std::isfinite(dt) || std::fabs(dt) > 3.0e6) {
        days = 0;
        msecs = 0;
        return;
    }
    days = int64_t(std::trunc(dt));
    msecs = std::llround(std::fabs(dt - double(days)) * double(MsecsPerDay));
    if (msecs >= MsecsPerDay) {
        msecs -= MsecsPerDay;
        days += dt < 0 ? -1 : 1;
    }
}

}  // namespace

int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2;
    const int64_t era = FloorDiv(year, 400);
    const int64_t yoe = year - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day)
{
    days += 719468;
    const int64_t era = FloorDiv(days, 146097);
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

bool IsValidDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= lengths[month - 1] + (month == 2 && leap ? 1 : 0);
}

TDateTime EncodeDate(int year, int month, int day)
{
    if (!IsValidDate(year, month, day))
        return 0.0;
    return double(DaysFromCivil(year, month, day)) + UnixEpochDays;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    return double(((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + msec) / double(MsecsPerDay);
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    int64_t days, msecs;
    SplitValue(dt, days, msecs);
    CivilFromDays(days - int64_t(UnixEpochDays), year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec)
{
    int64_t days, msecs;
    SplitValue(dt, days, msecs);
    msec = int(msecs % 1000);
    second = int(msecs / 1000 % 60);
    minute = int(msecs / 60000 % 60);
    hour = int(msecs / 3600000);
}

TDateTime DateOf(TDateTime dt)
{
    int64_t days, msecs;
    SplitValue(dt, days, msecs);
    return double(days);
}

TDateTime Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}
