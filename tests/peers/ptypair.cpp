#include "ptypair.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    int m = -1, s = -1;
    char name[256] = {};
    if (::openpty(&m, &s, name, nullptr, nullptr) < 0)
        return;
    termios tio{};
    ::tcgetattr(m, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m, TCSANOW, &tio);
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    ::fcntl(m, F_SETFD, FD_CLOEXEC);
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
    master_ = m;
    slaveHold_ = s;
    slavePath_ = name;
}

PtyPair::~PtyPair()
{
    if (exported_)
        ::unsetenv(("QWLVIEW_COM" + std::to_string(exported_)).c_str());
    if (master_ >= 0)
        ::close(master_);
    if (slaveHold_ >= 0)
        ::close(slaveHold_);
}

void PtyPair::exportAs(int comNumber)
{
    exported_ = comNumber;
    ::setenv(("QWLVIEW_COM" + std::to_string(comNumber)).c_str(), slavePath_.c_str(), 1);
}

bool PtyPair::write(const std::string& s)
{
    size_t done = 0;
    for (int round = 0; done < s.size() && round < 1000; ++round) {
        ssize_t r = ::write(master_, s.data() + done, s.size() - done);
        if (r > 0) {
            done += size_t(r);
            continue;
        }
        if (r < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
    return done == s.size();
}

std::string PtyPair::read(size_t n, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string out;
    char buf[4096];
    while (out.size() < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
        if (r > 0)
            out.append(buf, size_t(r));
        else if (r < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return out;
}

std::string PtyPair::readQuiet(int quietMs, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string out;
    char buf[4096];
    while (Clock::now() < deadline) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            break;
        ssize_t r = ::read(master_, buf, sizeof buf);
        if (r > 0)
            out.append(buf, size_t(r));
        else if (r < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return out;
}

termios PtyPair::slaveTermios() const
{
    termios tio{};
    ::tcgetattr(master_, &tio);
    return tio;
}

void PtyPair::hangUp()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}
