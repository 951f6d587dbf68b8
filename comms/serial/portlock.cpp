#include "comms/serial/portlock.h"

#include "comms/core/errorcodes.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex dirsLock;
std::atomic<unsigned> tempCount{0};  // two ports opened at once use two temporary names
std::vector<std::string> dirsOverride;  // dirsLock

std::vector<std::string> lockDirectories()
{
    std::lock_guard<std::mutex> lock(dirsLock);
    if (!dirsOverride.empty())
        return dirsOverride;
    std::vector<std::string> dirs = {"/run/lock"};
    // /var/lock is mostly a link to /run/lock: one folder, looked at once.
    char a[PATH_MAX], b[PATH_MAX];
    if (!realpath("/var/lock", b) || !realpath("/run/lock", a) || std::string(a) != b)
        dirs.push_back("/var/lock");
    return dirs;
}

// "LCK..ttyS0" for /dev/ttyS0, "LCK..pts_3" for /dev/pts/3: the name below /dev, with '_'
// for '/', as the lock programs write it.
std::string lockName(const std::string& devicePath)
{
    char real[PATH_MAX];
    std::string path = realpath(devicePath.c_str(), real) ? real : devicePath;
    if (path.rfind("/dev/", 0) == 0)
        path = path.substr(5);
    else if (const size_t slash = path.rfind('/'); slash != std::string::npos)
        path = path.substr(slash + 1);
    for (char& c : path)
        if (c == '/')
            c = '_';
    return "LCK.." + path;
}

// The process id a lock file holds: ASCII (as written today) or a binary int (older programs).
pid_t lockOwner(const std::string& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    char buf[32] = {};
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    char* end = nullptr;
    const long pid = std::strtol(buf, &end, 10);
    if (n > 0 && end != buf && pid > 0 && pid < (1L << 30) && (*end == '\0' || *end == '\n' || *end == ' '))
        return pid_t(pid);
    if (n == ssize_t(sizeof(int))) {
        int binary = 0;
        std::memcpy(&binary, buf, sizeof binary);
        return binary > 0 ? pid_t(binary) : -1;
    }
    return -1;
}

bool alive(pid_t pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

std::string describe(pid_t pid)
{
    std::string name;
    if (FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "re")) {
        char buf[64] = {};
        if (std::fgets(buf, sizeof buf, f))
            name = buf;
        std::fclose(f);
    }
    while (!name.empty() && (name.back() == '\n' || name.back() == ' '))
        name.pop_back();
    const std::string id = "pid " + std::to_string(pid);
    return name.empty() ? id : name + " (" + id + ")";
}

// Another live process named by a lock file of the device; stale files are removed.
pid_t lockFileHolder(const std::string& devicePath)
{
    for (const std::string& dir : lockDirectories()) {
        const std::string file = dir + "/" + lockName(devicePath);
        const pid_t pid = lockOwner(file);
        if (pid == getpid())
            continue;
        if (alive(pid))
            return pid;
        if (pid > 0)
            ::unlink(file.c_str());  // its owner is gone
    }
    return -1;
}

// Another process with the device open, found through /proc; -1 when none (or none visible:
// the descriptors of other users' processes cannot be read).
pid_t openHolder(const std::string& devicePath)
{
    struct stat dev {};
    if (::stat(devicePath.c_str(), &dev) != 0 || !S_ISCHR(dev.st_mode))
        return -1;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return -1;
    pid_t found = -1;
    const pid_t self = getpid();
    while (dirent* p = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(p->d_name, &end, 10);
        if (*end || pid <= 0 || pid == self)
            continue;
        const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds)
            continue;
        while (dirent* f = ::readdir(fds)) {
            struct stat st {};
            if (f->d_name[0] != '.' && ::stat((fdDir + "/" + f->d_name).c_str(), &st) == 0
                && S_ISCHR(st.st_mode) && st.st_rdev == dev.st_rdev) {
                found = pid_t(pid);
                break;
            }
        }
        ::closedir(fds);
        if (found > 0)
            break;
    }
    ::closedir(proc);
    return found;
}

}  // namespace

void SetPortLockDirectories(const std::vector<std::string>& dirs)
{
    std::lock_guard<std::mutex> lock(dirsLock);
    dirsOverride = dirs;
}

std::string PortHolder(const std::string& devicePath)
{
    pid_t pid = lockFileHolder(devicePath);
    if (pid <= 0)
        pid = openHolder(devicePath);
    return pid > 0 ? describe(pid) : std::string();
}

int PortLock::Acquire(const std::string& devicePath)
{
    Release();
    struct stat dev {};
    if (::stat(devicePath.c_str(), &dev) != 0)
        return 0;  // no such device: the open says so, and no lock file is left for it
    if (lockFileHolder(devicePath) > 0 || openHolder(devicePath) > 0)
        return ecHardware;
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", int(getpid()));
    for (const std::string& dir : lockDirectories()) {
        // Written whole under a name of our own, then linked: nobody reads a half file, and
        // of two programs only one gets the name.
        const std::string file = dir + "/" + lockName(devicePath);
        const std::string temp = dir + "/LTMP." + std::to_string(getpid()) + "." + std::to_string(++tempCount);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
        // Many systems keep the lock folder to a group of their own. Refusing the port there
        // would refuse every port; the lock files of others were still honoured above, and
        // flock and TIOCEXCL keep others off while the port is ours.
        if (fd < 0)
            continue;
        const bool written = ::write(fd, text, 11) == 11;
        ::close(fd);
        const bool linked = written && ::link(temp.c_str(), file.c_str()) == 0;
        const int err = errno;
        ::unlink(temp.c_str());
        if (linked) {
            lockFile_ = file;
            return 0;
        }
        if (written && err == EEXIST && alive(lockOwner(file)) && lockOwner(file) != getpid())
            return ecHardware;  // taken between the look and the link
    }
    return 0;
}

void PortLock::Release()
{
    if (lockFile_.empty())
        return;
    if (lockOwner(lockFile_) == getpid())
        ::unlink(lockFile_.c_str());
    lockFile_.clear();
}
