#include "data/daycsv.h"

#include <cstdio>
#include <cstdlib>

#include "platform/core/savefile.h"
#include "platform/core/windows1252.h"

namespace {

constexpr char PartLetters[daycsv::Parts] = {'A', 'B', 'C'};
// "hh:mm:ss,t, ddd.t\r\n" at most (one more for the mark of a repeated hour).
constexpr int LongestSampleLine = 19;

char* Two(char* p, int v)
{
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
    return p + 2;
}

char* Decimal(char* p, int v)
{
    if (v >= 100)
        *p++ = char('0' + v / 100);
    if (v >= 10)
        *p++ = char('0' + v / 10 % 10);
    *p++ = char('0' + v % 10);
    return p;
}

// With a precision, C's %d pads with zeros ("%+.2d" of 1 is "+01"); the '0' flag adds nothing.
QByteArray Printf(const char* format, auto... args)
{
    char line[160];
    const int n = std::snprintf(line, sizeof line, format, args...);
    return QByteArray(line, n < 0 ? 0 : std::min<int>(n, sizeof line - 1));
}

}  // namespace

QString DayCsvPath(const QString& prefix, TDateTime date, int part)
{
    const qsizetype slash = prefix.lastIndexOf(u'/');
    const qsizetype dot = prefix.lastIndexOf(u'.');
    const QString base = dot > slash ? prefix.left(dot) : prefix;
    int y, m, d;
    DecodeDate(date, y, m, d);
    return base + QString::asprintf("%.4d-%.2d-%.2d%c.csv", y, m, d, PartLetters[part]);
}

void SampleWordTenths(uint16_t word, int& db, int& tenth)
{
    db = word >> 8;
    tenth = (((word >> 2) & 63) * 10 + 31) >> 6;
    if (tenth >= 10) {
        tenth = 0;
        ++db;
    }
}

QByteArray DayCsvPart(const uint16_t* samples, const TCsvStation& station, TDateTime date, int part,
                      const TRepeatedHour* repeated)
{
    int y, m, d;
    DecodeDate(date, y, m, d);
    QString name = station.StationName;
    // A line break in the name would split the header line.
    for (QChar& c : name)
        if (c.unicode() < 0x20)
            c = u' ';
    const int bias = station.ZoneBias;
    const int repeatedHour = repeated ? repeated->WallHour : -1;
    const bool twice = repeatedHour >= 8 * part && repeatedHour < 8 * part + 8;
    const int lines = daycsv::SamplesPerPart + (twice ? SamplesPerHour : 0);
    const int longest = LongestSampleLine + (twice ? 1 : 0);
    QByteArray out;
    out.reserve(256 + qsizetype(lines) * longest);
    // Spreadsheets open these files as the older program wrote them: Windows-1252.
    out +=
        ",,," + platform::ToWindows1252(name) + Printf(", %.3d/%.3d\r\n", station.RegionNumber, station.StationNumber);
    out += Printf(",,,%.4d.%.2d.%.2d %.2d:00 - %.2d:00\r\n", y, m, d, 8 * part, 8 * part + 8);
    out += Printf("UTC %+.2d:%.2d, 1/10 Sek., dB(A)\r\n", -bias / 3600, (std::abs(bias) / 60) % 60);

    const qsizetype header = out.size();
    out.resize(header + qsizetype(lines) * longest);
    char* p = out.data() + header;
    const uint16_t* words = samples + daycsv::SamplesPerPart * part;
    const auto writeLine = [&p](int hour, char mark, int t, uint16_t word) {
        p = Two(p, hour);
        if (mark)
            *p++ = mark;
        *p++ = ':';
        p = Two(p, t / 600 % 60);
        *p++ = ':';
        p = Two(p, t / 10 % 60);
        *p++ = ',';
        *p++ = char('0' + t % 10);
        *p++ = ',';
        *p++ = ' ';
        int db, tenth;
        SampleWordTenths(word, db, tenth);
        p = Decimal(p, db);
        *p++ = '.';
        *p++ = char('0' + tenth);
        *p++ = '\r';
        *p++ = '\n';
    };
    for (int i = 0; i < daycsv::SamplesPerPart; ++i) {
        const int t = 6 * i;
        const int hour = t / 36000 + 8 * part;
        // The clock's first pass through the repeated hour, in the order it was measured.
        if (twice && hour == repeatedHour && t % 36000 == 0)
            for (int j = 0; j < SamplesPerHour; ++j)
                writeLine(hour, 'A', 6 * j, repeated->Samples[size_t(j)]);
        writeLine(hour, twice && hour == repeatedHour ? 'B' : 0, t, words[i]);
    }
    out.resize(p - out.constData());
    return out;
}

bool WriteDayCsvFiles(const QString& prefix, TDateTime date, const uint16_t* samples, const TCsvStation& station,
                      QString* failedPath, const TRepeatedHour* repeated)
{
    for (int part = 0; part < daycsv::Parts; ++part) {
        const QString path = DayCsvPath(prefix, date, part);
        // What an export that was killed midway left of this part.
        platform::RemoveStaleSaveFiles(path);
        if (!platform::SaveWholeFile(path, DayCsvPart(samples, station, date, part, repeated))) {
            if (failedPath)
                *failedPath = path;
            return false;
        }
    }
    return true;
}
