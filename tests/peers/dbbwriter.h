#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// Test-only writer of hour files (FILE and DATA chunks, damaged and short variants) and of
// the data trees they live in. It shares no code with the program: names and times are
// computed here from Unix seconds with Qt's own UTC calendar.
//
// Sample words encode their time: whole dB = 30 + (UTC minute of the day mod 90), the
// fraction (sixty-fourths) = sample index within the minute mod 64. So a word shows where
// it came from and a misplaced minute or hour is visible.
namespace dbbtest {

inline constexpr int SamplesPerMinute = 100;
inline constexpr int HourBytes = 12000;

// The sample word of the sample'th sample of the minute that starts at unixMinuteStart.
uint16_t PositionWord(int64_t unixMinuteStart, int sample);
// Its level in dB (word >> 2, divided by 64).
double PositionLevel(int64_t unixMinuteStart, int sample);
// A word of a level (whole and fractional dB, flag bits clear).
uint16_t WordOfLevel(double db);

// "4746CED0.dbb"
QString HexName(int64_t utcStart);
// "20071123-130000-005.dbb"
QString DatedName(int64_t utcStart, int station);
// "Reg001/Stat005/2007/11/20071123-130000-005.dbb", relative to the data directory.
QString LocalTreePath(int region, int station, int64_t utcStart);
// "DATA/DBB/2007/11/4746CED0.dbb", relative to the root of a simulated device.
QString DeviceTreePath(int64_t utcStart);

// What an hour file holds. The defaults give a complete, sound file.
struct HourFile {
    int region = 1;
    int station = 5;
    int64_t utcStart = 0;
    // Minutes of samples in the DATA chunk (60 = 12000 bytes); from the file's start.
    int minutes = 60;
    // Explicit DATA body instead of the position samples.
    QByteArray samples{};
    bool hasDataChunk = true;
    // Length written into the DATA header; -1: the body's real length.
    int64_t dataDeclaredLength = -1;
    bool hasFileChunk = true;
    // Size of the FILE body (33 holds region, the 23-character name and its terminator);
    // smaller sizes cut it short.
    int fileBodySize = 33;
    // Damage ahead of the DATA chunk: a chunk "XTRA" of this body length (> 12000 marks
    // a damaged file). 0: none.
    int chunkAheadLength = 0;
    // Bytes appended after the DATA chunk (e.g. another chunk).
    QByteArray trailing{};
    // Cut the finished file to this many bytes; -1: keep it whole.
    int64_t truncateTo = -1;
};

// One chunk: tag, two zero bytes, little-endian length (declared, or the body's), body.
QByteArray Chunk(const char* tag, const QByteArray& body, int64_t declaredLength = -1);
// The FILE body of a file: 5 zero bytes, region "rrr\0", name "yyyymmdd-hhmm00-sss.dbb\0",
// cut or zero-padded to size bytes.
QByteArray FileBody(int region, const QString& name, int size = 33);
// The position samples of minutes minutes from utcStart.
QByteArray PositionSamples(int64_t utcStart, int minutes = 60);
// The bytes of a whole hour file.
QByteArray HourFileBytes(const HourFile& f);

// Writes bytes to dir/relativePath, creating the folders; returns the full path, empty
// on failure.
QString WriteFile(const QString& dir, const QString& relativePath, const QByteArray& bytes);
// Writes an hour file into the local data tree under dataDir (LocalTreePath); returns its path.
QString WriteLocalHour(const QString& dataDir, const HourFile& f);
// Writes an hour file into a simulated device tree under root (DeviceTreePath).
QString WriteDeviceHour(const QString& root, const HourFile& f);

// Unix seconds of a UTC date and time.
int64_t UtcSeconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace dbbtest
