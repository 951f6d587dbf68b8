#pragma once
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "common/netns.h"

// A full disk of the test's own: QWL_RUN_ON_OWN_TMPFS re-runs the current test in a mount
// namespace of its own with a tmpfs of sizeKiB on an empty folder, OwnTmpfsDir() inside.
namespace testing_support {

inline QString OwnTmpfsDir() { return qEnvironmentVariable("QWL_TEST_TMPFS"); }

inline NetnsRun RunOnOwnTmpfs(int sizeKiB)
{
    if (!OwnTmpfsDir().isEmpty())
        return NetnsRun::Inside;
    QTemporaryDir dir;
    const QString mount = QStringLiteral("mount -t tmpfs -o size=%1k qwltest ").arg(sizeKiB) + dir.path();
    const QString option = geteuid() == 0 ? QStringLiteral("-m") : QStringLiteral("-rm");  // a user namespace
    if (QProcess::execute(QStringLiteral("unshare"), {option, QStringLiteral("sh"), QStringLiteral("-c"), mount}) != 0)
        return NetnsRun::Unavailable;
    RerunCurrentTest(option, mount + QStringLiteral(" && exec \"$0\" \"$@\""), "QWL_TEST_TMPFS", dir.path());
    return NetnsRun::Done;
}

// Fills the file system of dir with the file "filler" until room bytes (whole pages) are left.
inline bool FillDiskLeaving(const QString& dir, qint64 room)
{
    const int fd = ::open(QFile::encodeName(dir + QStringLiteral("/filler")).constData(), O_WRONLY | O_CREAT, 0600);
    static const char page[4096] = {};
    qint64 size = 0;
    for (ssize_t n = 1; fd >= 0 && n > 0 && size < (qint64(1) << 32); size += std::max<ssize_t>(n, 0))
        n = ::write(fd, page, sizeof page);
    const bool cut = fd >= 0 && ::ftruncate(fd, off_t(((size + 4095) / 4096 - room / 4096) * 4096)) == 0;
    struct statvfs fs {};
    return ::close(fd) == 0 && cut && ::statvfs(QFile::encodeName(dir).constData(), &fs) == 0
           && qint64(fs.f_bavail) * qint64(fs.f_frsize) == room;
}

}  // namespace testing_support

// Use as the first line of a test body.
#define QWL_RUN_ON_OWN_TMPFS(sizeKiB)                                                           \
    do {                                                                                       \
        const auto tmpfsRun = testing_support::RunOnOwnTmpfs(sizeKiB);                         \
        if (tmpfsRun == testing_support::NetnsRun::Done)                                       \
            return;                                                                            \
        if (tmpfsRun == testing_support::NetnsRun::Unavailable)                                \
            GTEST_SKIP() << "no tmpfs of our own can be mounted here (unshare -m / -rm failed)"; \
    } while (0)
