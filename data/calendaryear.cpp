#include "data/calendaryear.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "data/datatree.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/timerules.h"

TLocalCalendarSource::TLocalCalendarSource(QString dataDir, int region, int station)
    : m_dataDir(std::move(dataDir)), m_region(region), m_station(station)
{
}

QStringList TLocalCalendarSource::YearFolders()
{
    return QDir(JoinLocalPath({m_dataDir, StationDir(m_region, m_station)}))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QString TLocalCalendarSource::MonthDir(uint32_t utc)
{
    QString dir = StationMonthDirOfUnix(utc, m_region, m_station);
    if (dir.endsWith(LocalPathDelim))
        dir.chop(1);
    return dir;
}

bool TLocalCalendarSource::DirExists(const QString& dir)
{
    return QFileInfo(JoinLocalPath({m_dataDir, dir})).isDir();
}

bool TLocalCalendarSource::ChangeDir(const QString& dir)
{
    m_current = JoinLocalPath({m_dataDir, dir});
    return true;
}

int TLocalCalendarSource::ListFiles(QStringList& list, const QString& mask)
{
    const qsizetype before = list.size();
    ListDirectory(list, JoinLocalPath({m_current, mask}));
    return int(list.size() - before);
}

TDeviceCalendarSource::TDeviceCalendarSource(ChangeDirFunction changeDir, ListDirFunction listDir)
    : m_changeDir(std::move(changeDir)), m_listDir(std::move(listDir))
{
}

QStringList TDeviceCalendarSource::YearFolders()
{
    QStringList names;
    m_listDir(names, QStringLiteral("DATA\\DBB\\*"));
    // Servers may answer with the folder in front of each name.
    for (QString& n : names)
        n = FileNamePart(n);
    return names;
}

QString TDeviceCalendarSource::MonthDir(uint32_t utc)
{
    const TBrokenDownTime f = UtcBreakdown(utc);
    return QString::asprintf("DBB\\%04d\\%02d", f.Year, f.Month + 1);
}

bool TDeviceCalendarSource::DirExists(const QString& dir)
{
    const QString year = dir.section(u'\\', 0, -2);
    auto it = m_yearListings.find(year);
    if (it == m_yearListings.end()) {
        QStringList names;
        m_listDir(names, QStringLiteral("DATA\\") + year + QStringLiteral("\\*"));
        for (QString& n : names)
            n = FileNamePart(n);
        it = m_yearListings.emplace(year, names).first;
    }
    return it->second.contains(dir.section(u'\\', -1), Qt::CaseInsensitive);
}

bool TDeviceCalendarSource::ChangeDir(const QString& dir)
{
    m_changeDir(QStringLiteral("\\"));
    return m_changeDir(QStringLiteral("DATA\\") + dir);
}

int TDeviceCalendarSource::ListFiles(QStringList& list, const QString& mask)
{
    const qsizetype before = list.size();
    m_listDir(list, mask);
    for (qsizetype i = before; i < list.size(); ++i)
        list[i] = FileNamePart(list[i]);
    return int(list.size() - before);
}

void TDeviceCalendarSource::Finish()
{
    m_changeDir(QStringLiteral("\\"));
}

uint32_t CalendarCellColour(int files)
{
    if (files >= 24)
        return calendar::Complete;
    return files >= 1 ? calendar::Partial : calendar::Background;
}

int CalendarCellLeft(int day)
{
    return calendar::GridLeft + calendar::Pitch * (day - 1);
}

int CalendarCellTop(int month)
{
    return calendar::GridTop + calendar::Pitch * (month - 1);
}

TDateTime CalendarDateAt(int year, int x, int y)
{
    if (x < calendar::GridLeft || y < calendar::GridTop)
        return 0.0;
    const int month = (y - calendar::GridTop) / calendar::Pitch + 1;
    const int day = (x - calendar::GridLeft) / calendar::Pitch + 1;
    if (month > 12 || day > 31 || !IsValidDate(year, month, day))
        return 0.0;
    return EncodeDate(year, month, day);
}

int CalendarYearOf(const QString& folderName)
{
    if (folderName.size() != 4)
        return 0;
    bool ok = false;
    const int y = folderName.toInt(&ok);
    return ok && y >= calendar::FirstYear && y <= calendar::LastYear ? y : 0;
}

bool ScanCalendarYear(TCalendarSource& source, int year, int station,
                      const std::function<void(int month)>& monthStarted,
                      const std::function<bool(int month, int day, int files)>& cell)
{
    QStringList files;
    std::set<QString> listed;
    const auto listFolder = [&](uint32_t utc) {
        const QString dir = source.MonthDir(utc);
        if (!listed.insert(dir).second)
            return;
        if (source.DirExists(dir) && source.ChangeDir(dir) && source.ListFiles(files, QStringLiteral("*.dbb")) > 0
            && source.HexNames())
            // A device lists in its own order; the count searches a sorted list.
            std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            });
    };
    bool completed = true;
    for (int m = 1; m <= 12 && completed; ++m) {
        if (monthStarted)
            monthStarted(m);
        // Every UTC month from the first hour that reaches into the month (59 minutes ahead of
        // its first midnight) to the end of its last day, so both ends are found in any zone.
        const int days = DaysInMonth(year, m);
        const uint32_t from = LocalToUnix(EncodeDate(year, m, 1) - 1, 23, 1);
        const uint32_t to = LocalToUnix(EncodeDate(year, m, days), 24, 0);
        TBrokenDownTime f = UtcBreakdown(from);
        const TBrokenDownTime t = UtcBreakdown(to);
        for (int guard = 0; guard < 3 && (f.Year < t.Year || (f.Year == t.Year && f.Month <= t.Month)); ++guard) {
            listFolder(uint32_t(UtcCompose(f.Year, f.Month, 1, 12, 0, 0)));
            UtcCompose(f.Year, f.Month + 1, 1, 0, 0, 0, &f);
        }
        for (int d = 1; d <= days; ++d) {
            const TDateTime day = EncodeDate(year, m, d);
            if (!cell(m, d, CountFilesInRange(files, source.HexNames(), station, day, day + 1.0))) {
                completed = false;
                break;
            }
        }
    }
    source.Finish();
    return completed;
}
