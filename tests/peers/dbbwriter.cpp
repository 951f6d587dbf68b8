#include "dbbwriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <cmath>

namespace dbbtest {

namespace {

QDateTime Utc(int64_t unixSeconds)
{
    return QDateTime::fromSecsSinceEpoch(unixSeconds, QTimeZone::utc());
}

}  // namespace

uint16_t PositionWord(int64_t unixMinuteStart, int sample)
{
    const int64_t minuteOfDay = ((unixMinuteStart / 60) % 1440 + 1440) % 1440;
    const int whole = 30 + int(minuteOfDay % 90);
    return uint16_t(whole << 8 | (sample % 64) << 2);
}

double PositionLevel(int64_t unixMinuteStart, int sample)
{
    return (PositionWord(unixMinuteStart, sample) >> 2) * 0.015625;
}

uint16_t WordOfLevel(double db)
{
    return uint16_t(std::lround(db * 64.0) << 2);
}

QString HexName(int64_t utcStart)
{
    return QString::asprintf("%08X.dbb", unsigned(utcStart));
}

QString DatedName(int64_t utcStart, int station)
{
    return Utc(utcStart).toString(QStringLiteral("yyyyMMdd-HHmm00-")) + QString::asprintf("%03d.dbb", station);
}

QString LocalTreePath(int region, int station, int64_t utcStart)
{
    return QString::asprintf("Reg%03d/Stat%03d/", region, station)
        + Utc(utcStart).toString(QStringLiteral("yyyy/MM/")) + DatedName(utcStart, station);
}

QString DeviceTreePath(int64_t utcStart)
{
    return QStringLiteral("DATA/DBB/") + Utc(utcStart).toString(QStringLiteral("yyyy/MM/")) + HexName(utcStart);
}

QByteArray Chunk(const char* tag, const QByteArray& body, int64_t declaredLength)
{
    const uint32_t len = uint32_t(declaredLength < 0 ? body.size() : declaredLength);
    QByteArray out(tag, 4);
    out.append(2, '\0');
    for (int i = 0; i < 4; ++i)
        out.append(char((len >> (8 * i)) & 0xFF));
    out.append(body);
    return out;
}

QByteArray FileBody(int region, const QString& name, int size)
{
    QByteArray body(5, '\0');
    body.append(QByteArray::number(region).rightJustified(3, '0'));
    body.append('\0');
    body.append(name.toLatin1());
    body.append('\0');
    if (body.size() > size)
        body.truncate(size);
    else
        body.append(size - body.size(), '\0');
    return body;
}

QByteArray PositionSamples(int64_t utcStart, int minutes)
{
    QByteArray out;
    out.reserve(minutes * SamplesPerMinute * 2);
    for (int m = 0; m < minutes; ++m) {
        for (int i = 0; i < SamplesPerMinute; ++i) {
            const uint16_t w = PositionWord(utcStart + 60 * m, i);
            out.append(char(w & 0xFF));
            out.append(char(w >> 8));
        }
    }
    return out;
}

QByteArray HourFileBytes(const HourFile& f)
{
    QByteArray out;
    if (f.hasFileChunk)
        out += Chunk("FILE", FileBody(f.region, DatedName(f.utcStart, f.station), f.fileBodySize));
    if (f.chunkAheadLength > 0)
        out += Chunk("XTRA", QByteArray(f.chunkAheadLength, '\x55'));
    if (f.hasDataChunk) {
        const QByteArray samples = f.samples.isNull() ? PositionSamples(f.utcStart, f.minutes) : f.samples;
        out += Chunk("DATA", samples, f.dataDeclaredLength);
    }
    out += f.trailing;
    if (f.truncateTo >= 0 && f.truncateTo < out.size())
        out.truncate(f.truncateTo);
    return out;
}

QString WriteFile(const QString& dir, const QString& relativePath, const QByteArray& bytes)
{
    const QString path = dir + u'/' + relativePath;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QString WriteLocalHour(const QString& dataDir, const HourFile& f)
{
    return WriteFile(dataDir, LocalTreePath(f.region, f.station, f.utcStart), HourFileBytes(f));
}

QString WriteDeviceHour(const QString& root, const HourFile& f)
{
    return WriteFile(root, DeviceTreePath(f.utcStart), HourFileBytes(f));
}

int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc()).toSecsSinceEpoch();
}

}  // namespace dbbtest
