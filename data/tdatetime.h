#pragma once
#include <cstdint>

// Days since 30 December 1899, the fraction being the time of day.
using TDateTime = double;

// 1 January 1970 as a TDateTime.
inline constexpr double UnixEpochDays = 25569.0;

// Division rounding towards minus infinity, for day counts before 1970.
inline int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Calendar encoding and decoding of TDateTime values (proleptic Gregorian, no zone).
// Decoding rounds to the millisecond first, so 23:59:59.9999 is the next day's midnight.

// Days since 1 January 1970 of a civil date; months and days outside their ranges are
// not normalised here (see UtcCompose for that).
int64_t DaysFromCivil(int64_t year, int month, int day);
// The civil date of a day count since 1 January 1970.
void CivilFromDays(int64_t days, int& year, int& month, int& day);

bool IsValidDate(int year, int month, int day);
// The TDateTime of a date at 00:00; 0.0 for a date that does not exist.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);

void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec);
// The whole days of a value (00:00 of its date).
TDateTime DateOf(TDateTime dt);

// The PC's current local date and time, as the pickers and the clock show it.
TDateTime Now();
