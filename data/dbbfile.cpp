#include "data/dbbfile.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <array>
#include <cstring>

#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/numbertext.h"
#include "platform/core/regularfile.h"

namespace {

struct ChunkHeader {
    char tag[4];
    uint32_t length;
};

// False at the end of the file (also a torn header).
bool ReadHeader(QIODevice& file, ChunkHeader& h)
{
    unsigned char raw[dbb::HeaderSize];
    if (file.read(reinterpret_cast<char*>(raw), dbb::HeaderSize) != dbb::HeaderSize)
        return false;
    std::memcpy(h.tag, raw, 4);
    const unsigned char* p = raw + dbb::LengthOffset;
    h.length = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return true;
}

bool HasTag(const ChunkHeader& h, const char* tag)
{
    return std::memcmp(h.tag, tag, 4) == 0;
}

bool SkipExactly(QIODevice& file, qint64 n)
{
    return n <= 0 || file.skip(n) == n;
}

// A zero-terminated text within [offset, end) of the body, cut to maxLen characters.
QString BodyText(const char* body, int end, int offset, int maxLen)
{
    if (offset >= end)
        return QString();
    const char* start = body + offset;
    const int limit = std::min(end - offset, maxLen);
    const void* zero = std::memchr(start, 0, size_t(limit));
    const int len = zero ? int(static_cast<const char*>(zero) - start) : limit;
    return QString::fromLatin1(start, len);
}

}  // namespace

bool OpenDbbFile(QFile& file)
{
    return platform::OpenRegularFile(file) == platform::OpenResult::Opened;
}

int ReadDbbData(QIODevice& file, char* buffer, int skip, int count)
{
    ChunkHeader h;
    for (int chunks = 0;; ++chunks) {
        if (chunks == dbb::MaxChunks || !ReadHeader(file, h))
            return 0;
        if (HasTag(h, "DATA"))
            break;
        if (int32_t(h.length) < 0 || h.length > uint32_t(dbb::HourBytes))
            return 0;
        if (!SkipExactly(file, h.length))
            return 0;
    }
    const qint64 body = std::min<qint64>(h.length, dbb::HourBytes);
    skip = std::clamp(skip, 0, dbb::HourBytes);
    const qint64 wanted = std::min<qint64>(count, body - skip);
    if (wanted <= 0 || !SkipExactly(file, skip))
        return 0;
    const qint64 got = file.read(buffer, wanted);
    return got > 0 ? int(got) : 0;
}

qint64 DbbDataLength(QIODevice& file)
{
    const qint64 size = file.size();
    qint64 at = 0, data = -1;
    ChunkHeader h;
    for (int chunks = 0; at < size; ++chunks) {
        if (chunks == dbb::MaxChunks || !file.seek(at) || !ReadHeader(file, h) || h.length > uint32_t(dbb::HourBytes))
            return -1;
        at += dbb::HeaderSize + qint64(h.length);
        if (at > size)
            return -1;
        if (data < 0 && HasTag(h, "DATA"))
            data = h.length;
    }
    return data;
}

qint64 DbbHourDataLength(QIODevice& file)
{
    const qint64 data = DbbDataLength(file);
    if (data < 0)
        return -1;
    int files = 0, datas = 0;
    ChunkHeader h;
    for (qint64 at = 0; at < file.size() && file.seek(at) && ReadHeader(file, h); at += dbb::HeaderSize + qint64(h.length)) {
        files += HasTag(h, "FILE");
        datas += HasTag(h, "DATA");
    }
    return files <= 1 && datas == 1 ? data : -1;
}

QString DbbFileStartName(QIODevice& file)
{
    int region = -1;
    QString name;
    if (!file.seek(0) || ReadDbbStation(file, region, name) < 0)
        return QString();
    return name.left(16);
}

TFetchedHour CheckFetchedHour(QIODevice& file, const QString& deviceName)
{
    if (DbbHourDataLength(file) < 0)
        return TFetchedHour::NotWhole;
    const QString start = DbbFileStartName(file);
    return start.isEmpty() || start == HexNameToTempName(deviceName).left(16) ? TFetchedHour::Own
                                                                               : TFetchedHour::OtherHour;
}

qint64 DbbDataLength(const QString& path)
{
    QFile file(path);
    return OpenDbbFile(file) ? DbbDataLength(file) : -1;
}

int ReadDbbStation(const QString& path, int& region, QString& name)
{
    QFile file(path);
    if (!OpenDbbFile(file)) {
        region = -1;
        name.clear();
        return -1;
    }
    return ReadDbbStation(file, region, name);
}

int ReadDbbStation(QIODevice& file, int& region, QString& name)
{
    region = -1;
    name.clear();
    QString regionText, stationText, fileName;
    std::array<char, dbb::HourBytes> body;
    ChunkHeader h;
    for (int chunks = 0; chunks < dbb::MaxChunks && ReadHeader(file, h) && h.length <= uint32_t(dbb::HourBytes);
         ++chunks) {
        body.fill(0);
        const qint64 got = h.length ? file.read(body.data(), h.length) : 0;
        if (HasTag(h, "FILE") && got >= dbb::FileBodyMinimum) {
            const int end = int(got);
            regionText = BodyText(body.data(), end, dbb::FileRegionOffset, 3);
            fileName = BodyText(body.data(), end, dbb::FileNameOffset, end);
            stationText = BodyText(body.data(), end, dbb::FileStationOffset, 3);
            break;
        }
        if (got != qint64(h.length))
            break;
    }
    // The FILE chunk decides where a downloaded file goes: all of it is sound or none is used.
    const int r = ThreeDigitNumber(regionText);
    const int station = ThreeDigitNumber(stationText);
    if (r < 0 || station < 0 || !IsSafeFileName(fileName))
        return -1;
    region = r;
    name = fileName;
    return station;
}
