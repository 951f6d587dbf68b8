#include "data/dbbnames.h"

#include <limits>

#include "data/localpath.h"
#include "data/numbertext.h"
#include "data/timerules.h"

namespace {

TBrokenDownTime UtcOfLocal(TDateTime date, int hour, int minute)
{
    return UtcBreakdown(LocalToUnix(date, hour, minute));
}

QString DatedFields(const TBrokenDownTime& f)
{
    return QString::asprintf("%.4d%.2d%.2d-%.2d%.2d00-", f.Year, f.Month + 1, f.Day, f.Hour, f.Minute);
}

QString MonthFolder(const TBrokenDownTime& f)
{
    return JoinLocalPath({QString::asprintf("%.4d", f.Year), QString::asprintf("%.2d", f.Month + 1)})
        + LocalPathDelim;
}

// Field of a name, 1-based characters from..from+len-1, as an integer; 0 when no number.
int NameField(const QString& name, int from, int len)
{
    return StrToIntDef(name.mid(from - 1, len), 0);
}

}  // namespace

QString HexDbbName(TDateTime date, int hour, int minute)
{
    return QString::asprintf("%.8X.dbb", unsigned(LocalToUnix(date, hour, minute)));
}

QString DatedDbbName(TDateTime date, int hour, int minute, int station)
{
    return DatedDbbNameOfUnix(LocalToUnix(date, hour, minute), station);
}

QString DatedDbbNameOfUnix(uint32_t utcStart, int station)
{
    return DatedFields(UtcBreakdown(utcStart)) + QString::asprintf("%.3d.dbb", station);
}

QString HexNameToTempName(const QString& hexName)
{
    return DatedFields(UtcBreakdown(HexNameToUnix(hexName))) + QStringLiteral("nnn.dbb");
}

QString HexNameToStationPath(const QString& hexName, int region, int station)
{
    const TBrokenDownTime f = UtcBreakdown(HexNameToUnix(hexName));
    return StationDir(region, station) + LocalPathDelim + MonthFolder(f) + DatedFields(f)
        + QString::asprintf("%.3d.dbb", station);
}

QString OldDbbMonthDir(TDateTime date, int hour, int minute)
{
    const TBrokenDownTime f = UtcOfLocal(date, hour, minute);
    return QString::asprintf("DBB\\%.4d\\%.2d\\", f.Year, f.Month + 1);
}

QString StationMonthDir(TDateTime date, int hour, int region, int station, int minute)
{
    return StationMonthDirOfUnix(LocalToUnix(date, hour, minute), region, station);
}

QString StationMonthDirOfUnix(uint32_t utcStart, int region, int station)
{
    return StationDir(region, station) + LocalPathDelim + MonthFolder(UtcBreakdown(utcStart));
}

QString StationMonthDirOfDateTime(TDateTime dateTime, int region, int station)
{
    int hour, minute, second, msec;
    DecodeTime(dateTime, hour, minute, second, msec);
    return StationMonthDir(dateTime, hour, region, station, minute);
}

QString StationDir(int region, int station)
{
    return JoinLocalPath({QString::asprintf("Reg%.3d", region), QString::asprintf("Stat%.3d", station)});
}

QString WwwLocalPath(const QString& name)
{
    const QString file = FileNamePart(name);
    if (file.size() != 12)
        return IsSafeFileName(name) ? name : QString();
    const QString year = file.left(4), month = file.mid(4, 2);
    if (!IsSafeFileName(file) || !IsSafeFileName(year) || !IsSafeFileName(month))
        return QString();
    return JoinLocalPath({QStringLiteral("www"), year, month, file});
}

uint32_t HexNameToUnix(const QString& name)
{
    const QString digits = FileNamePart(name).left(8);
    if (digits.isEmpty())
        return 0;
    uint32_t value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int d;
        if (u >= u'0' && u <= u'9')
            d = u - u'0';
        else if (u >= u'a' && u <= u'f')
            d = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            d = u - u'A' + 10;
        else
            return 0;
        value = value << 4 | uint32_t(d);
    }
    return value;
}

TDateTime HexNameToDateTime(const QString& name)
{
    return UnixToLocalDateTime(HexNameToUnix(name));
}

int64_t DatedNameToUnix(const QString& name)
{
    const QString file = FileNamePart(name);
    return UtcCompose(NameField(file, 1, 4), NameField(file, 5, 2) - 1, NameField(file, 7, 2), NameField(file, 10, 2),
                      NameField(file, 12, 2), 0);
}

TDateTime DatedNameToDateTime(const QString& name)
{
    const int64_t u = DatedNameToUnix(name);
    // A name far outside the devices' range lands before every window.
    if (u < 0 || u > int64_t(std::numeric_limits<uint32_t>::max()))
        return 0.0;
    return UnixToLocalDateTime(uint32_t(u));
}

TDateTime DatedNameToDate(const QString& name)
{
    const QString file = FileNamePart(name);
    return EncodeDate(NameField(file, 1, 4), NameField(file, 5, 2), NameField(file, 7, 2));
}

int DatedNameStation(const QString& name)
{
    const qsizetype len = name.size();
    if (len <= 9)
        return -1;
    return ThreeDigitNumber(name.mid(len - 7, 3));
}
