#include "comms/serial/syncevent.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

SyncEvent::SyncEvent(bool manualReset) : manual_(manualReset)
{
    fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

SyncEvent::~SyncEvent()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void SyncEvent::Set()
{
    if (fd_ < 0)
        return;
    // A manual event needs one count only; an auto event collapses repeated sets into one
    // release as well, since TryTake empties the counter.
    uint64_t one = 1;
    ssize_t r;
    do {
        r = ::write(fd_, &one, sizeof one);
    } while (r < 0 && errno == EINTR);
}

void SyncEvent::Reset()
{
    if (fd_ < 0)
        return;
    uint64_t v;
    while (::read(fd_, &v, sizeof v) < 0 && errno == EINTR) {
    }
}

bool SyncEvent::TryTake()
{
    if (fd_ < 0)
        return false;
    if (manual_) {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
    uint64_t v;
    ssize_t r;
    do {
        r = ::read(fd_, &v, sizeof v);
    } while (r < 0 && errno == EINTR);
    return r == sizeof v;
}

bool SyncEvent::Wait(int timeoutMs)
{
    return WaitAny({this}, timeoutMs) == 0;
}

int SyncEvent::WaitAny(std::initializer_list<SyncEvent*> events, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    std::vector<pollfd> fds;
    for (SyncEvent* e : events)
        fds.push_back({e->fd_, POLLIN, 0});
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? int(left) : 0;
        }
        for (pollfd& p : fds)
            p.revents = 0;
        int n = ::poll(fds.data(), fds.size(), wait);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        int i = 0;
        for (SyncEvent* e : events) {
            if ((fds[i].revents & POLLIN) && e->TryTake())
                return i;
            ++i;
        }
        if (wait == 0)
            return -1;
    }
}
