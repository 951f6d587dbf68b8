#include "data/dbbimport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "data/datatree.h"
#include "data/dbbfile.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/timerules.h"

namespace {

void Scan(const QString& folder, const QString& rel, QStringList& out)
{
    const QDir dir(folder);
    constexpr QDir::Filters common = QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks;
    for (const QString& name : dir.entryList(QDir::Dirs | common, QDir::Name | QDir::IgnoreCase))
        Scan(dir.filePath(name), rel + u'/' + name, out);
    // Name filters match without regard to letter case: "X.DBB" from a memory card counts.
    for (const QString& name : dir.entryList({QStringLiteral("*.dbb")}, QDir::Files | common, QDir::Name | QDir::IgnoreCase))
        out.append(rel + u'/' + name);
}

}  // namespace

QStringList ScanDbbFiles(const QString& root)
{
    QStringList out;
    Scan(root, QString(), out);
    return out;
}

QString ImportTarget(const QString& source)
{
    int region = -1;
    QString name;
    const int station = ReadDbbStation(source, region, name);
    if (station < 0 || station > 999 || region < 0 || region > 999)
        return QString();
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})(\\d\\d)(\\d\\d)-(\\d\\d)(\\d\\d)00-\\d{3}\\.dbb$"));
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch() || !IsSafeFileName(name))
        return QString();
    const int year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    if (!IsValidDate(year, month, day) || m.captured(4).toInt() > 23 || m.captured(5).toInt() > 59)
        return QString();
    const int64_t utc = DatedNameToUnix(name);
    if (utc < 0 || utc > int64_t(UINT32_MAX))
        return QString();
    return StationMonthDirOfUnix(uint32_t(utc), region, station) + name;
}

QString ImportDbbFile(const QString& source, const QString& dataDir)
{
    const QString rel = ImportTarget(source);
    if (rel.isEmpty())
        return QString();
    const QString target = JoinLocalPath({dataDir, rel});
    if (!IsInsideDir(dataDir, target) || !CopyFileBlocks(source, target))
        return QString();
    return rel;
}
