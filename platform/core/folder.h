#pragma once
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

// Folders the program reads data from: opened once, their files then opened by name
// relative to them (OpenRegularFileAt), their names read in one pass. Header-only, as
// regularfile.h.
namespace platform {

// Opens the folder path. A folder that may be searched but not read still opens, for
// opening its files only: listable is then false. -1 with errno set where neither works.
inline int OpenFolder(const char* path, bool& listable)
{
    int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    listable = fd >= 0;
    if (fd < 0 && errno == EACCES)
        fd = ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd;
}

inline void CloseFolder(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

// Calls onName(const char*) with the name of each entry of the open folder dir ("." and
// ".." among them); dir stays open. false where the folder cannot be read or the listing
// broke off: names not seen then are no proof that a file is missing.
template <class OnName>
bool ListFolder(int dir, OnName&& onName)
{
    const int fd = ::dup(dir);
    DIR* listing = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!listing) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(listing))
        onName(static_cast<const char*>(entry->d_name));
    const bool complete = errno == 0;
    ::closedir(listing);
    return complete;
}

}  // namespace platform
