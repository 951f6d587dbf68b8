#pragma once
#include <QString>
#include <cstdint>

#include "data/tdatetime.h"

// Names of hour files and average files and the folders of the data trees. Every time in
// a name is UTC; builders take the station's local date, hour and minute and convert them
// with LocalToUnix. Local names and folders use '/', device folders '\'.

// The hour file last fetched from the device in online mode, in the data directory.
inline constexpr char TempDbbFileName[] = "Temp.dbb";

// "4746CED0.dbb": the device's own name, hex Unix seconds of the start.
QString HexDbbName(TDateTime date, int hour, int minute);
// "20071123-130000-005.dbb": the name in the local tree.
QString DatedDbbName(TDateTime date, int hour, int minute, int station);
// The dated name of a device file with "nnn" where the station is not yet known.
QString HexNameToTempName(const QString& hexName);
// "Reg001/Stat005/2007/11/20071123-130000-005.dbb" for a device file.
QString HexNameToStationPath(const QString& hexName, int region, int station);

// "DBB\2007\11\" (device folder, below "DATA\") of the UTC month of a local date and time.
QString OldDbbMonthDir(TDateTime date, int hour, int minute = 0);
// "Reg001/Stat005/2007/11/" of the UTC month of a local date and time. Pass the file's
// start minute: in zones such as +05:45 it decides the month at a month boundary.
QString StationMonthDir(TDateTime date, int hour, int region, int station, int minute = 0);
// The same two from the UTC start in Unix seconds.
QString DatedDbbNameOfUnix(uint32_t utcStart, int station);
QString StationMonthDirOfUnix(uint32_t utcStart, int region, int station);
// As StationMonthDir, with hour and minute taken from a local date and time.
QString StationMonthDirOfDateTime(TDateTime dateTime, int region, int station);
// "Reg001/Stat005".
QString StationDir(int region, int station);
// "www/2007/11/200711xx.www" for a 12-character average-file name; any other plain name
// comes back unchanged, and an empty text when the name could leave the data directory.
QString WwwLocalPath(const QString& name);

// Unix seconds of a device file name (first 8 characters, hex); 0 when no number.
uint32_t HexNameToUnix(const QString& name);
// Local start of a device file.
TDateTime HexNameToDateTime(const QString& name);
// UTC start of a dated file yyyymmdd-hhmm... in Unix seconds (fields carried as UTC).
int64_t DatedNameToUnix(const QString& name);
// Local start of a dated file yyyymmdd-hhmm...; fields that are no number count as 0.
TDateTime DatedNameToDateTime(const QString& name);
// The date yyyymmdd of a name at 00:00, no zone conversion; 0.0 when no valid date.
TDateTime DatedNameToDate(const QString& name);
// The station number sss (three digits) before ".dbb" of a dated name or path; -1 when
// there is none.
int DatedNameStation(const QString& name);
