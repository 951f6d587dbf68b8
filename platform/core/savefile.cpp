#include "platform/core/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Writes all of bytes at offset 0; the errno of the first failure, or 0.
int WriteAll(int fd, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += n;
    }
    return 0;
}

int SyncAndClose(int fd, int error)
{
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    return error;
}

// The shared installation: the folder refuses new files, the file takes writes.
int SaveInPlace(const QByteArray& target, const QByteArray& bytes)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno;
    // The room first: a full disk then fails before a byte of the old file has changed.
    int error = 0;
    if (!bytes.isEmpty() && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0
        && errno != EOPNOTSUPP && errno != ENOSYS)
        error = errno;
    if (error == 0)
        error = WriteAll(fd, bytes);
    if (error == 0 && ::ftruncate(fd, off_t(bytes.size())) != 0)
        error = errno;
    return SyncAndClose(fd, error);
}

}  // namespace

bool SaveWholeFile(const QString& path, const QByteArray& bytes, QString* reason, SaveFallback fallback)
{
    // A link is followed: the file it names is replaced, the link stays.
    const QFileInfo info(path);
    const QString resolved = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray target = QFile::encodeName(resolved);
    const QByteArray temp = target + '.' + QByteArray::number(qint64(::getpid())) + '~';
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    auto fail = [reason](int error) {
        if (reason)
            *reason = Reason(error);
        return false;
    };

    int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0 && errno == EEXIST) {
        ::unlink(temp.constData());  // left by an earlier run with this process id
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    }
    if (fd < 0) {
        const int error = errno;
        if (fallback == SaveFallback::InPlace && exists && S_ISREG(old.st_mode) && (error == EACCES || error == EPERM)) {
            const int inPlace = SaveInPlace(target, bytes);
            return inPlace == 0 || fail(inPlace);
        }
        return fail(error);
    }
    int error = 0;
    // The new file keeps the old one's permissions.
    if (exists && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = errno;
    if (error == 0)
        error = WriteAll(fd, bytes);
    error = SyncAndClose(fd, error);
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return fail(error);
    }
    return true;
}

void RemoveStaleSaveFiles(const QString& path)
{
    const QFileInfo info(path);
    const QRegularExpression ours(QStringLiteral("^") + QRegularExpression::escape(info.fileName())
                                  + QStringLiteral("\\.(\\d{1,10})~$"));
    const QDir dir = info.absoluteDir();
    const QStringList names =
        dir.entryList({info.fileName() + QStringLiteral(".*~")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = ours.match(name);
        if (!m.hasMatch())
            continue;
        // A save that runs now (ours or another process's) keeps its file.
        const qint64 pid = m.captured(1).toLongLong();
        if (pid == qint64(::getpid()) || (pid <= INT32_MAX && (::kill(pid_t(pid), 0) == 0 || errno == EPERM)))
            continue;
        QFile::remove(dir.filePath(name));
    }
}

}  // namespace platform
