#pragma once
#include <QString>
#include <cstdint>

#include "data/stationsettings.h"
#include "data/tdatetime.h"

// Conversions between the devices' Unix seconds (UTC) and the local time of a station,
// the European summer-time rule, public holidays and small calendar comparisons. Every
// zone shift is the station's own (ZoneBias, Daylight); no PC zone enters them.

// The zone of a station: seconds west of UTC (-3600 = UTC+01:00) and European summer time.
struct TStationZone {
    int32_t ZoneBias = 0;
    bool Daylight = false;
};

// The zone of CurrentStation, read at each call.
TStationZone StationZone();

// A UTC (or zone-free) breakdown: Month is 0..11, Weekday 0..6 with 0 = Sunday.
struct TBrokenDownTime {
    int Second = 0;
    int Minute = 0;
    int Hour = 0;
    int Day = 1;
    int Month = 0;
    int Year = 1970;
    int Weekday = 4;
};

// Unix seconds (any 64-bit value) to year, month, day, ... of UTC.
TBrokenDownTime UtcBreakdown(int64_t unixSeconds);
// The fields read as UTC to Unix seconds; out-of-range fields carry into the next unit.
// normalized, when given, receives the carried fields with the weekday.
int64_t UtcCompose(int year, int monthIndex, int day, int hour, int minute, int second,
                   TBrokenDownTime* normalized = nullptr);

TDateTime UnixToLocalDateTime(uint32_t unixSeconds, TStationZone zone = StationZone());
// Only the date part of date is used; hour and minute carry (hour 24 is the next day).
uint32_t LocalToUnix(TDateTime date, int hour, int minute, TStationZone zone = StationZone());
// The date of d and the time of day of t in the PC's own zone (SavedTimezone, SavedDaylight).
uint32_t DateTimeToUnix(TDateTime d, TDateTime t, int32_t savedTimezone, int32_t savedDaylight);

// European summer time, switching at 02:00 of the time handed in.
bool IsSummerTime(const TBrokenDownTime& f);
// Gauss's rule, Gregorian calendar.
void EasterSunday(int year, uint16_t& month, uint16_t& day);
// Good Friday, Easter Monday, Whit Monday, 1 January, 1 May, 25 and 26 December.
bool IsPublicHoliday(TDateTime date);
int DaysInMonth(int year, int month);
// The UTC months of the two local midnights differ (years are not compared).
bool MonthDiffers(TDateTime a, TDateTime b, TStationZone zone = StationZone());
// The UTC day of the month of a local date and hour.
int DayOfMonth(TDateTime date, int hour, TStationZone zone = StationZone());
// Year or month of the two local dates differ.
bool MonthChanged(TDateTime a, TDateTime b);
// " (UTC+01:00)" for a bias of -3600.
QString TimeZoneSuffix(TStationZone zone = StationZone());
