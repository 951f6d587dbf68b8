#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "data/daymodel.h"
#include "data/tdatetime.h"

// The CSV export of a day: three files of eight hours each (parts A, B, C), CR LF line ends,
// three header lines and one line per 0.6-second sample ("08:00:00,6, 60.5").
namespace daycsv {
inline constexpr int Parts = 3;
inline constexpr int SamplesPerPart = 48000;
}  // namespace daycsv

// What the header lines name.
struct TCsvStation {
    QString StationName;
    int RegionNumber = 0;
    int StationNumber = 0;
    int32_t ZoneBias = 0;  // seconds west of UTC
};

// prefix without its extension + "2007-11-23" + "A"/"B"/"C" + ".csv" (part 0, 1, 2).
QString DayCsvPath(const QString& prefix, TDateTime date, int part);

// The level text of a sample word as whole dB and tenth: the sixty-fourths rounded to tenths,
// carrying into the dB; flag bits ignored; 0 gives 0.0.
void SampleWordTenths(uint16_t word, int& db, int& tenth);

// The bytes of one part: the header lines and 48000 sample lines from samples[48000 * part].
// The station name is written in Windows-1252, "?" for each character it cannot hold.
// samples must hold at least 3 x 48000 words. A repeated hour (the first 02:xx of the day summer
// time ends) goes before its wall hour, in the part that holds it; the hour field of both then
// reads "02A" (first) and "02B" (second).
QByteArray DayCsvPart(const uint16_t* samples, const TCsvStation& station, TDateTime date, int part,
                      const TRepeatedHour* repeated = nullptr);

// Writes the three parts of a day. Each file is replaced only when it was written completely;
// what a killed export left beside it is removed. Stops at the first file that cannot be
// written: false, failedPath naming it.
bool WriteDayCsvFiles(const QString& prefix, TDateTime date, const uint16_t* samples, const TCsvStation& station,
                      QString* failedPath = nullptr, const TRepeatedHour* repeated = nullptr);
