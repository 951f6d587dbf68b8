#include "data/datatree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>
#include <sys/stat.h>

#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/numbertext.h"
#include "data/timerules.h"
#include "platform/core/regularfile.h"

namespace {

// Times are compared to the millisecond so that "start - 59 minutes" and the time parsed
// from a name meet exactly.
int64_t Msecs(TDateTime dt)
{
    return std::llround(dt * 86400000.0);
}

constexpr double HourReach = 59.0 / 1440.0;

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

UtcMonth UtcMonthOfLocal(TDateTime local)
{
    int hour, minute, second, msec;
    DecodeTime(local, hour, minute, second, msec);
    const TBrokenDownTime f = UtcBreakdown(LocalToUnix(local, hour, minute));
    return {f.Year, f.Month + 1};
}

int ListDirectory(QStringList& list, const QString& mask)
{
    const qsizetype cut = mask.lastIndexOf(LocalPathDelim);
    const QString prefix = mask.left(cut + 1);
    QString pattern = mask.mid(cut + 1);
    if (pattern == QLatin1String("*.*"))
        pattern = QStringLiteral("*");
    const QDir dir(prefix.isEmpty() ? QStringLiteral(".") : prefix);
    const QStringList names = dir.entryList(QStringList{pattern},
                                            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        list.append(prefix + name);
    return int(list.size());
}

int CollectLocalDbbFiles(QStringList& list, const QString& folder, int station, TDateTime start,
                         TDateTime end)
{
    const TDateTime s = start - HourReach;
    const UtcMonth first = UtcMonthOfLocal(s), last = UtcMonthOfLocal(end);
    const int64_t from = Msecs(s), to = Msecs(end);

    QStringList years;
    ListDirectory(years, JoinLocalPath({folder, QStringLiteral("*.*")}));
    QStringList months;
    for (const QString& yearPath : years) {
        const int year = StrToIntDef(FileNamePart(yearPath), -1);
        if (year < first.year || year > last.year)
            continue;
        const qsizetype newFrom = months.size();
        ListDirectory(months, JoinLocalPath({yearPath, QStringLiteral("*.*")}));
        for (qsizetype i = newFrom; i < months.size(); ++i) {
            const int month = StrToIntDef(FileNamePart(months[i]), -1);
            if (month < 1 || month > 12 || (year == first.year && month < first.month)
                || (year == last.year && month > last.month))
                continue;
            const qsizetype c = list.size();
            ListDirectory(list, JoinLocalPath({months[i], QStringLiteral("*.dbb")}));
            for (qsizetype k = list.size() - 1; k >= c; --k) {
                const int64_t t = Msecs(DatedNameToDateTime(list[k]));
                const bool inWindow = from <= t && t <= to;
                const bool ofStation = list[k].size() <= 9 || DatedNameStation(list[k]) == station;
                if (!inWindow || !ofStation)
                    list.removeAt(k);
            }
        }
    }
    return int(list.size());
}

int CountFilesInRange(const QStringList& list, bool hexNames, int station, TDateTime start,
                      TDateTime end)
{
    const auto localOf = [hexNames](const QString& name) {
        return Msecs(hexNames ? HexNameToDateTime(name) : DatedNameToDateTime(name));
    };
    // The list is sorted by UTC, and local time is UTC minus the bias plus up to one hour
    // of summer time; around the autumn change local times step back. So the search runs
    // on UTC (local standard time), an hour wide, and the local test picks the files.
    const auto standardOf = [hexNames](const QString& name) {
        const int64_t u = hexNames ? int64_t(HexNameToUnix(name)) : DatedNameToUnix(name);
        return (u - StationZone().ZoneBias) * 1000 + int64_t(UnixEpochDays) * 86400000;
    };
    const int64_t from = Msecs(start - HourReach), to = Msecs(end);
    qsizetype lo = 0, hi = list.size();
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (standardOf(list[mid]) + 3600000 < from)
            lo = mid + 1;
        else
            hi = mid;
    }
    int count = 0;
    for (qsizetype i = lo; i < list.size() && standardOf(list[i]) <= to; ++i) {
        const int64_t t = localOf(list[i]);
        if (t >= from && t <= to && (hexNames || DatedNameStation(list[i]) == station))
            ++count;
    }
    return count;
}

int64_t FileSizeOf(const QString& path)
{
    QFile file(path);
    if (platform::OpenRegularFile(file) != platform::OpenResult::Opened)
        return 0;
    return file.size();
}

bool CopyFileBlocks(const QString& source, const QString& target)
{
    QFile in(source);
    // Only regular files: a FIFO would block, a device node would copy without end.
    if (platform::OpenRegularFile(in) != platform::OpenResult::Opened)
        return false;
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && (!targetInfo.isFile() || SameFile(source, target)))
        return false;
    const QString targetDir = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(targetDir))
        return false;
    QSaveFile out(target);
    // Unbuffered, so that a short write shows at the write that failed.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    char block[1024];
    for (;;) {
        const qint64 got = in.read(block, sizeof block);
        if (got < 0) {
            out.cancelWriting();
            return false;
        }
        if (got == 0)
            break;
        if (out.write(block, got) != got || out.error() != QFileDevice::NoError) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}
