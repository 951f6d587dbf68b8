#include "device/ftpcollect.h"

#include <QSet>
#include <cmath>

#include "data/datatree.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/numbertext.h"
#include "data/timerules.h"

namespace {

constexpr double HourReach = 59.0 / 1440.0;

// Compared to the millisecond, so "start - 59 minutes" and a name's time meet exactly.
int64_t Msecs(TDateTime dt)
{
    return std::llround(dt * 86400000.0);
}

}  // namespace

void FtpParseListing(QStringList& list, const QString& text)
{
    QStringList batch;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line == u"." || line == u"..")
            continue;
        batch.append(line.toString());
    }
    list.append(batch);
}

TDateTime DeviceFileTime(const QString& root, const QString& name)
{
    if (root.compare(QLatin1String("WWW"), Qt::CaseInsensitive) == 0)
        return DatedNameToDate(name);
    if (HexNameToUnix(name) == 0)
        return 0.0;
    return HexNameToDateTime(name);
}

bool FtpCollectFiles(QStringList& list, const QString& root, TDateTime start, TDateTime end,
                     const FtpLister& listDir, const std::function<bool()>& aborted)
{
    const TDateTime s = start - HourReach;
    const UtcMonth first = UtcMonthOfLocal(s), last = UtcMonthOfLocal(end);
    const int64_t from = Msecs(s), to = Msecs(end);
    const auto inWindow = [&](const QString& name) {
        const TDateTime t = DeviceFileTime(root, name);
        return t != 0.0 && from <= Msecs(t) && Msecs(t) <= to;
    };
    const QChar sep = u'\\';
    // The device compares names without letter case: a name listed twice is one file or
    // folder, taken or listed once.
    QSet<QString> seen;
    const auto firstTime = [&](const QString& path) {
        const qsizetype before = seen.size();
        seen.insert(path.toLower());
        return seen.size() != before;
    };
    const auto take = [&](const QString& path) {
        if (firstTime(path))
            list.append(path);
    };

    QStringList years;
    listDir(years, root + QStringLiteral("\\*.*"));
    QStringList months;
    for (const QString& n : years) {
        // A name from the device becomes part of a local path later: plain names only.
        if (!IsSafeFileName(n))
            continue;
        const QString path = root + sep + n;
        if (n.contains(u'.')) {
            if (inWindow(n))
                take(path);
            continue;
        }
        const int year = StrToIntDef(n, -1);
        if (year < first.year || year > last.year || !firstTime(path))
            continue;
        const qsizetype newFrom = months.size();
        listDir(months, path + QStringLiteral("\\*.*"));
        for (qsizetype i = newFrom; i < months.size(); ++i) {
            const QString m = months[i];
            const int month = StrToIntDef(m, -1);
            if (!IsSafeFileName(m) || (year == first.year && month < first.month)
                || (year == last.year && month > last.month) || !firstTime(path + sep + m))
                continue;
            QStringList names;
            listDir(names, path + sep + m + QStringLiteral("\\*.*"));
            for (const QString& name : names)
                if (IsSafeFileName(name) && inWindow(name))
                    take(path + sep + m + sep + name);
        }
    }
    return !list.isEmpty() || (aborted && aborted());
}
