#include "device/downloadstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/dbbfile.h"

namespace {

bool ReplaceFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// The month folder is made only when the move finds it missing: most files go into one
// that exists.
bool MoveIntoTree(const QString& from, const QString& to)
{
    if (ReplaceFile(from, to))
        return true;
    return errno == ENOENT && QDir().mkpath(QFileInfo(to).absolutePath()) && ReplaceFile(from, to);
}

}  // namespace

void RemoveStaleDownloadFiles(const QString& dataDir)
{
    static const QRegularExpression ours(QStringLiteral("^\\d{8}-\\d{6}-nnn\\.dbb(\\.part)?$"));
    const QDir dir(dataDir);
    const QStringList names = dir.entryList({QStringLiteral("*-nnn.dbb"), QStringLiteral("*-nnn.dbb.part")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (ours.match(name).hasMatch())
            QFile::remove(dir.filePath(name));
}

TStoreResult StoreHourFile(const QString& temp, const QString& target, bool overwrite, QString& error)
{
    if (!overwrite && QFileInfo(target).exists()) {
        // A complete file, or one that cannot be read, is left as it is.
        const qint64 held = DbbDataLength(target);
        if (held < 0 || held >= dbb::HourBytes || DbbDataLength(temp) <= held) {
            QFile::remove(temp);
            return TStoreResult::Existing;
        }
    }
    if (MoveIntoTree(temp, target))
        return TStoreResult::Stored;
    error = target + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(errno)) + u')';
    QFile::remove(temp);
    return TStoreResult::Failed;
}
