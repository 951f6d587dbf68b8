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

// Opens name, relative to the folder dir (AT_FDCWD: the current one), into file read-only
// when it is a regular file of at most maxBytes (-1: any size). The open never blocks.
inline OpenResult OpenRegularFileAt(int dir, const char* name, QFile& file, qint64 maxBytes = -1)
{
    const int fd = ::openat(dir, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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

// OpenRegularFileAt for the file's own fileName().
inline OpenResult OpenRegularFile(QFile& file, qint64 maxBytes = -1)
{
    return OpenRegularFileAt(AT_FDCWD, QFile::encodeName(file.fileName()).constData(), file, maxBytes);
}

}  // namespace platform
