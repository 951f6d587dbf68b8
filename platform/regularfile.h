#pragma once
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Opening files the program reads as data (hour files, the settings file). A FIFO would
// block the open, a device node or a link to /dev/zero reads without end: only regular
// files are opened. Header-only, so the data layer uses it without linking the platform.
namespace platform {

enum class OpenResult { Opened, Missing, NotRegular, TooLarge, Failed };

// Opens file (its fileName()) read-only when it is a regular file of at most maxBytes
// (-1: any size). The open never blocks.
inline OpenResult OpenRegularFile(QFile& file, qint64 maxBytes = -1)
{
    const QByteArray path = QFile::encodeName(file.fileName());
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? OpenResult::Missing : OpenResult::Failed;
    struct stat st {};
    OpenResult result = OpenResult::Opened;
    if (::fstat(fd, &st) != 0)
        result = OpenResult::Failed;
    else if (!S_ISREG(st.st_mode))
        result = OpenResult::NotRegular;
    else if (maxBytes >= 0 && st.st_size > maxBytes)
        result = OpenResult::TooLarge;
    else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        result = OpenResult::Failed;
    if (result != OpenResult::Opened)
        ::close(fd);
    return result;
}

}  // namespace platform
