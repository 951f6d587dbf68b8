#include "data/dayfill.h"

#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/dbbfile.h"
#include "platform/core/folder.h"
#include "platform/core/regularfile.h"

namespace {

// Samples are 0.6 s apart: 5 samples per 3 seconds.
int64_t SamplesOfSeconds(int64_t seconds)
{
    return seconds >= 0 ? seconds * 5 / 3 : -((-seconds * 5 + 2) / 3);
}

int64_t SecondsOfSamples(int64_t samples)
{
    return samples * 3 / 5;
}

// Summer time in effect at u, as UnixToLocalDateTime decides it.
int SummerShift(int64_t u, TStationZone zone)
{
    return zone.Daylight && IsSummerTime(UtcBreakdown(u - zone.ZoneBias)) ? 3600 : 0;
}

int DigitsAt(const char* p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

// The UTC start "yyyymmdd-hhmmss" at body offset 9 of a FILE chunk; -1 when it holds none.
int64_t FileChunkStart(const char* body, int length)
{
    const char* n = body + dbb::FileNameOffset;
    if (length < dbb::FileNameOffset + 15 || n[8] != '-')
        return -1;
    const int y = DigitsAt(n, 4), mo = DigitsAt(n + 4, 2), d = DigitsAt(n + 6, 2);
    const int h = DigitsAt(n + 9, 2), mi = DigitsAt(n + 11, 2), s = DigitsAt(n + 13, 2);
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
        return -1;
    return UtcCompose(y, mo - 1, d, h, mi, s);
}

bool ReadChunkHead(QIODevice& file, char tag[4], uint32_t& length)
{
    unsigned char raw[dbb::HeaderSize];
    if (file.read(reinterpret_cast<char*>(raw), dbb::HeaderSize) != dbb::HeaderSize)
        return false;
    std::memcpy(tag, raw, 4);
    const unsigned char* p = raw + dbb::LengthOffset;
    length = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return true;
}

// One stretch of the day's time line and where it lies in a buffer.
struct TStretch {
    int64_t From, To;  // samples after the day's Start
    uint16_t* Words;  // the buffer
    int64_t Offset;  // buffer index = position + Offset
    int64_t Size;  // words of the buffer
};

}  // namespace

TDayPlacement DayPlacement(TDateTime date, TStationZone zone)
{
    TDayPlacement day;
    day.Start = LocalToUnix(date, 0, 0, zone);
    day.DayEnd = LocalToUnix(date + 1, 0, 0, zone);
    int y, mo, d;
    DecodeDate(date, y, mo, d);
    // Summer time begins and ends at 02:00 local standard time.
    const int64_t change = UtcCompose(y, mo - 1, d, 2, 0, 0) + zone.ZoneBias;
    const int shift = SummerShift(change, zone) - SummerShift(change - 1, zone);
    if (shift != 0) {
        day.SwitchAt = int(SamplesOfSeconds(change - day.Start));
        day.Jump = int(SamplesOfSeconds(shift));
    }
    // The last position whose wall place is still inside the buffer.
    const int64_t lastWall = SampleBufferWords - (day.Jump != 0 ? day.Jump : 0);
    day.End = day.Start + SecondsOfSamples(lastWall);
    return day;
}

char RepeatedHourPass(int64_t utc, TStationZone zone)
{
    const TDayPlacement day = DayPlacement(DateOf(UnixToLocalDateTime(uint32_t(utc), zone)), zone);
    if (day.Jump >= 0)
        return 0;
    const int64_t first = day.Start + SecondsOfSamples(day.SwitchAt + day.Jump);
    const int64_t pass = utc < first ? -1 : (utc - first) / 3600;
    return pass == 0 ? 'A' : pass == 1 ? 'B' : 0;
}

TPlacedFile PlaceDbbData(QIODevice& file, int64_t nameStart, const TDayPlacement& day, TSampleBuffer& samples,
                         TRepeatedHour* repeated)
{
    TPlacedFile placed;
    int64_t start = nameStart;
    char tag[4];
    uint32_t length = 0;
    for (int chunks = 0;; ++chunks) {
        if (chunks == dbb::MaxChunks || !ReadChunkHead(file, tag, length))
            return placed;
        if (std::memcmp(tag, "DATA", 4) == 0)
            break;
        if (int32_t(length) < 0 || length > uint32_t(dbb::HourBytes))
            return placed;
        uint32_t rest = length;
        if (std::memcmp(tag, "FILE", 4) == 0) {
            char body[48] = {};
            const qint64 got = file.read(body, std::min<qint64>(length, sizeof body));
            if (got < 0)
                return placed;
            if (const int64_t own = FileChunkStart(body, int(got)); own >= 0)
                start = own;
            rest -= uint32_t(got);
        }
        if (rest > 0 && file.skip(rest) != rest)
            return placed;
    }
    // A peek, not the file's size: the header's read has buffered the body.
    char firstByte;
    placed.HasSamples = length >= 2 && file.peek(&firstByte, 1) == 1;
    if (!placed.HasSamples)
        return placed;
    const int64_t words = std::min<int64_t>(length, dbb::HourBytes) / 2;

    // The day's time line in up to three stretches (a repeated hour between two).
    TStretch stretches[3];
    int count = 0;
    constexpr int64_t Open = int64_t(1) << 40;
    if (day.Jump >= 0) {
        stretches[count++] = {-Open, day.SwitchAt, samples.data(), 0, SampleBufferWords};
        stretches[count++] = {day.SwitchAt, Open, samples.data(), day.Jump, SampleBufferWords};
    } else {
        const int64_t twice = day.SwitchAt + day.Jump;
        stretches[count++] = {-Open, twice, samples.data(), 0, SampleBufferWords};
        if (repeated)
            stretches[count++] = {twice, day.SwitchAt, repeated->Samples.data(), -twice, SamplesPerHour};
        stretches[count++] = {day.SwitchAt, Open, samples.data(), day.Jump, SampleBufferWords};
    }

    const int64_t first = SamplesOfSeconds(start - day.Start);
    int64_t at = first;  // time line position of the file's next unread word
    for (int i = 0; i < count; ++i) {
        const TStretch& s = stretches[i];
        const int64_t from = std::max({first, s.From, -s.Offset});
        const int64_t to = std::min({first + words, s.To, s.Size - s.Offset});
        if (from >= to)
            continue;
        if (from > at && file.skip(2 * (from - at)) != 2 * (from - at))
            break;
        const qint64 got = file.read(reinterpret_cast<char*>(s.Words + (from + s.Offset)), 2 * (to - from));
        if (got > 0)
            placed.Bytes += int(got);
        if (got != 2 * (to - from))
            break;
        at = to;
    }
    return placed;
}

void TLocalHourFiles::SetStation(const QString& stationFolder, int station)
{
    if (station == m_station && stationFolder == m_folderText)
        return;
    Close();
    m_folderText = stationFolder;
    m_folder = QFile::encodeName(stationFolder);
    m_station = station;
}

void TLocalHourFiles::Close()
{
    m_file.close();
    platform::CloseFolder(m_fd);
    m_fd = -1;
    m_year = m_month = -1;
    m_listed = false;
}

QString TLocalHourFiles::LastPath() const
{
    return m_folderText + QLatin1String(m_path);
}

bool TLocalHourFiles::OpenMonth(int year, int monthIndex)
{
    Close();
    m_year = year;
    m_month = monthIndex;
    m_monthStart = UtcCompose(year, monthIndex, 1, 0, 0, 0);
    m_monthMinutes = DaysInMonth(year, monthIndex + 1) * 1440;
    std::snprintf(m_path, sizeof m_path, "/%.4d/%.2d", year, monthIndex + 1);
    const QByteArray folder = m_folder + m_path;
    m_fd = platform::OpenFolder(folder.constData(), m_listable);
    if (m_fd < 0)
        return false;
    if (m_listable)
        ListMonth();
    return true;
}

void TLocalHourFiles::ListMonth()
{
    m_present.assign(size_t(m_monthMinutes / 64 + 1), 0);
    // "yyyymmdd-hhmm00-sss.dbb" of this month and station.
    char prefix[32], tail[32];
    std::snprintf(prefix, sizeof prefix, "%.4d%.2d", m_year, m_month + 1);
    std::snprintf(tail, sizeof tail, "00-%.3d.dbb", m_station);
    m_listed = platform::ListFolder(m_fd, [&](const char* name) {
        if (std::strlen(name) != 23 || std::memcmp(name, prefix, 6) != 0 || name[8] != '-'
            || std::memcmp(name + 13, tail, 10) != 0)
            return;
        const int day = DigitsAt(name + 6, 2), hour = DigitsAt(name + 9, 2), minute = DigitsAt(name + 11, 2);
        if (day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59)
            return;
        const int i = (day - 1) * 1440 + hour * 60 + minute;
        if (i < m_monthMinutes)
            m_present[size_t(i / 64)] |= uint64_t(1) << (i % 64);
    });
}

bool TLocalHourFiles::ForEach(int64_t from, int64_t to, TVisitor& visitor)
{
    // Whole minutes only: the names carry no seconds.
    for (int64_t u = (from + 59) / 60 * 60; u < to; u += 60) {
        if (m_fd < 0 || u < m_monthStart || u >= m_monthStart + 60 * int64_t(m_monthMinutes)) {
            const TBrokenDownTime f = UtcBreakdown(u);
            if (f.Year != m_year || f.Month != m_month) {
                if (!OpenMonth(f.Year, f.Month))
                    continue;
            } else if (m_fd < 0) {
                continue;
            }
        }
        const int minute = int((u - m_monthStart) / 60);
        if (m_listed && !(m_present[size_t(minute / 64)] >> (minute % 64) & 1))
            continue;
        const TBrokenDownTime f = UtcBreakdown(u);
        std::snprintf(m_path, sizeof m_path, "/%.4d/%.2d/%.4d%.2d%.2d-%.2d%.2d00-%.3d.dbb", f.Year, f.Month + 1, f.Year,
                      f.Month + 1, f.Day, f.Hour, f.Minute, m_station);
        m_file.close();
        const platform::OpenResult opened = platform::OpenRegularFileAt(m_fd, std::strrchr(m_path, '/') + 1, m_file);
        // A folder or FIFO by that name is no hour file.
        if (opened == platform::OpenResult::Missing || opened == platform::OpenResult::NotRegular)
            continue;
        const bool go = visitor.Visit(u, opened == platform::OpenResult::Opened ? &m_file : nullptr);
        m_file.close();
        if (!go)
            return false;
    }
    return true;
}
