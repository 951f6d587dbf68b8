#include "device/ftpcollect.h"

#include <QRegularExpression>
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

bool FtpParseListing(QStringList& list, const QString& text)
{
    // Servers that ignore "names only" answer in the MS-DOS or the ls -l form; the name is
    // what follows the fields.
    static const QRegularExpression dosLine(
        QStringLiteral("^\\d{2}-\\d{2}-\\d{2,4}\\s+\\d{1,2}:\\d{2}\\s*(?:[AaPp][Mm])?\\s+(?:<DIR>|\\d+)\\s+(\\S.*)$"));
    static const QRegularExpression unixLine(
        QStringLiteral("^[-dlcbps][-rwxsStT]{9}[.+@]?\\s+\\d+\\s+\\S+\\s+(?:\\S+\\s+)?\\d+\\s+\\w{3}\\s+\\d{1,2}\\s+"
                       "(?:\\d{1,2}:\\d{2}|\\d{4})\\s+(\\S.*)$"));
    static const QRegularExpression longStart(
        QStringLiteral("^(?:[-dlcbps][-rwxsStT]{9}[.+@]?\\s|\\d{2}-\\d{2}-\\d{2,4}\\s)"));
    static const QRegularExpression total(QStringLiteral("^total\\s+\\d+$"));
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList batch;
    for (const QString& line : text.split(lineEnd)) {
        if (line.isEmpty() || line == u"." || line == u".." || total.match(line).hasMatch())
            continue;
        for (QChar c : line)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return false;
        QString name = line;
        if (const auto m = dosLine.match(line); m.hasMatch()) {
            name = m.captured(1);
        } else if (const auto u = unixLine.match(line); u.hasMatch()) {
            name = u.captured(1);
            if (line.startsWith(u'l'))
                name = name.section(QStringLiteral(" -> "), 0, 0);
        } else if (longStart.match(line).hasMatch()) {
            return false;
        }
        if (name != u"." && name != u"..")
            batch.append(name);
    }
    list.append(batch);
    return true;
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
    const auto stopped = [&] { return aborted && aborted(); };
    for (const QString& n : years) {
        if (stopped())
            break;
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
        for (qsizetype i = newFrom; i < months.size() && !stopped(); ++i) {
            const QString m = months[i];
            const int month = StrToIntDef(m, -1);
            // What is no month (a "total" line, a stray file) is not asked for.
            if (!IsSafeFileName(m) || month < 1 || month > 12 || (year == first.year && month < first.month)
                || (year == last.year && month > last.month) || !firstTime(path + sep + m))
                continue;
            QStringList names;
            listDir(names, path + sep + m + QStringLiteral("\\*.*"));
            for (const QString& name : names)
                if (IsSafeFileName(name) && inWindow(name))
                    take(path + sep + m + sep + name);
        }
    }
    return !list.isEmpty() || stopped();
}
