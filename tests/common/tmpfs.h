#pragma once
#include <QDir>
#include <QFile>
#include <algorithm>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "common/netns.h"

// A small file system of the test's own, for a full disk: RunOnOwnTmpfs() re-runs the current
// test in a mount namespace of its own with a tmpfs of sizeKiB on an empty folder, which the
// run inside finds in OwnTmpfsDir().
namespace testing_support {

inline const char* const TmpfsVariable = "QWL_TEST_TMPFS";

inline QString OwnTmpfsDir() { return qEnvironmentVariable(TmpfsVariable); }

inline NetnsRun RunOnOwnTmpfs(int sizeKiB)
{
    if (qEnvironmentVariableIsSet(TmpfsVariable))
        return NetnsRun::Inside;
    QTemporaryDir dir;
    const QString mount = QStringLiteral("mount -t tmpfs -o size=%1k qwltest \"$%2\"").arg(sizeKiB).arg(TmpfsVariable);
    // As root a mount namespace alone, otherwise one inside a user namespace.
    const QStringList options = geteuid() == 0 ? QStringList{"-m", "-rm"} : QStringList{"-rm"};
    for (const QString& option : options) {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(TmpfsVariable), dir.path());
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral("unshare"), {option, QStringLiteral("sh"), QStringLiteral("-c"), mount});
        if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
            probe.kill();
            probe.waitForFinished(1000);
            continue;
        }
        RerunCurrentTest({option}, mount + QStringLiteral(" && exec \"$0\" \"$@\""), TmpfsVariable, dir.path());
        return NetnsRun::Done;
    }
    return NetnsRun::Unavailable;
}

inline qint64 FreeBytes(const QString& dir)
{
    struct statvfs fs {};
    return ::statvfs(QFile::encodeName(dir).constData(), &fs) == 0 ? qint64(fs.f_bavail) * qint64(fs.f_frsize) : -1;
}

// Fills the file system of dir with the file "filler" until room bytes (whole pages) are left.
inline bool FillDiskLeaving(const QString& dir, qint64 room)
{
    const QByteArray name = QFile::encodeName(dir + QStringLiteral("/filler"));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    static const char block[4096] = {};
    qint64 size = ::lseek(fd, 0, SEEK_END);
    for (int i = 0; i < 1 << 20; ++i) {
        const ssize_t n = ::write(fd, block, sizeof block);
        if (n <= 0)
            break;
        size += n;
    }
    const qint64 pages = (size + 4095) / 4096 - room / 4096;
    const bool ok = ::ftruncate(fd, off_t(std::max<qint64>(pages, 0) * 4096)) == 0;
    ::close(fd);
    return ok && FreeBytes(dir) == room;
}

}  // namespace testing_support

// Use as the first line of a test body.
#define QWL_RUN_ON_OWN_TMPFS(sizeKiB)                                                          \
    do {                                                                                      \
        const auto tmpfsRun = testing_support::RunOnOwnTmpfs(sizeKiB);                        \
        if (tmpfsRun == testing_support::NetnsRun::Done)                                      \
            return;                                                                           \
        if (tmpfsRun == testing_support::NetnsRun::Unavailable)                               \
            GTEST_SKIP() << "no tmpfs of our own can be mounted here (unshare -m / -rm failed)"; \
    } while (0)
