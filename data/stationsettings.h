#pragma once
#include <QString>
#include <cstdint>

#include "data/tdatetime.h"

// The selected station together with the program's own settings.
// Longest station name, FTP login name and password the windows take: with it, the largest
// station list fits the settings file's size limit.
constexpr int MaxStationTextChars = 100;

struct TStationSettings {
    QString IPAddress;
    QString SubnetMask;
    QString LoginName;
    QString LoginPass;  // plain in memory, scrambled in the settings file
    QString InitialDir;  // root of the local data tree
    QString Organisation;
    QString StationName;
    int32_t StationNumber = 0;
    int32_t RegionNumber = 0;
    int32_t PortNumber = 1;
    uint8_t CurrentLanguage = 0;  // 0 German, 1 English
    int32_t ZoneBias = 0;  // seconds west of UTC (-3600 = UTC+01:00)
    bool Daylight = false;  // European summer time applies
    TDateTime LastUpdate = 0.0;
    int32_t WeekdayRanges[10] = {};  // five hour pairs (from, to); from = -1: pair absent
    int32_t SundayRanges[10] = {};
};

extern TStationSettings CurrentStation;
