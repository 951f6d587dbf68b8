#pragma once
#include <QString>
#include <QtGlobal>
#include <cstdint>

class QFile;
class QIODevice;

// The hourly data file: a chain of chunks, each a 10-byte header (four-character tag, two
// bytes not interpreted, 32-bit little-endian body length) followed by its body. The
// "FILE" chunk names region and station, the "DATA" chunk holds the hour's sample words.
namespace dbb {
inline constexpr int HeaderSize = 10;
inline constexpr int LengthOffset = 6;
// One hour of samples: 60 minutes x 100 words x 2 bytes; also the largest chunk searched.
inline constexpr int HourBytes = 12000;
inline constexpr int MinuteBytes = 200;
// FILE body: region text at 5 (terminated at 8), the local file name at 9 (terminated
// at 32), the station digits at 25 inside that name.
inline constexpr int FileRegionOffset = 5;
inline constexpr int FileNameOffset = 9;
inline constexpr int FileStationOffset = 25;
// Shortest FILE body that holds region, name and station digits.
inline constexpr int FileBodyMinimum = FileStationOffset + 3;
// A file holds FILE and DATA and perhaps a few more: the walk gives up after this many
// chunks (a file of zeros is a chain of empty chunks).
inline constexpr int MaxChunks = 16;
}  // namespace dbb

// Opens an hour file read-only, only when it is a regular file (never blocks on a FIFO).
bool OpenDbbFile(QFile& file);

// Finds the DATA chunk of an open hour file, skips skip bytes of its body and reads up to
// count bytes into buffer; returns the bytes read, 0 when none. Never reads more than the
// DATA chunk's own length (capped at one hour) nor past a chunk that follows it. A chunk
// ahead of DATA that is longer than one hour marks a damaged file: 0.
int ReadDbbData(QIODevice& file, char* buffer, int skip, int count);

// The length of the DATA chunk of an hour file that holds together: every chunk whole, none
// longer than an hour, at most MaxChunks of them, the last one ending at the end of the file.
// -1 for a file that does not (cut short, bytes appended, damaged) or holds no DATA chunk.
qint64 DbbDataLength(QIODevice& file);
// The same for a file on disk; -1 also when it is no regular file or cannot be opened.
qint64 DbbDataLength(const QString& path);
// As DbbDataLength, and -1 also unless the file is one hour file: one DATA chunk and at most
// one FILE chunk (chunks of other tags may stand beside them).
qint64 DbbHourDataLength(QIODevice& file);
// The UTC start "yyyymmdd-hhmmss-" that the FILE chunk's name gives; empty without one.
QString DbbFileStartName(QIODevice& file);

// What a hour file fetched from a device under its name ("4746CED0.dbb") is: the one hour file
// of that hour, whole, or not. A FILE chunk that names no start takes the name's word for it.
enum class TFetchedHour { Own, NotWhole, OtherHour };
TFetchedHour CheckFetchedHour(QIODevice& file, const QString& deviceName);

// Region, local file name and station from the FILE chunk of a file. Returns the station
// number 0..999; -1 when the file cannot be opened, holds no usable FILE chunk, region or
// station is not 0..999 or the name is no plain file name: region is then -1 and name empty.
int ReadDbbStation(const QString& path, int& region, QString& name);
// The same from the start of an open file.
int ReadDbbStation(QIODevice& file, int& region, QString& name);
