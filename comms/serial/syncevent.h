#pragma once
#include <initializer_list>

// An event object over an eventfd: auto-reset events release one wait per Set, manual-reset
// events stay set until Reset. The descriptor can join a poll() with a device.
// Any thread may call any member; the object must outlive every wait on it.
class SyncEvent {
public:
    explicit SyncEvent(bool manualReset);
    ~SyncEvent();
    SyncEvent(const SyncEvent&) = delete;
    SyncEvent& operator=(const SyncEvent&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool manualReset() const { return manual_; }

    void Set();
    void Reset();
    // True when the event was (or became) set within timeoutMs (-1 = no limit).
    bool Wait(int timeoutMs);
    // Consumes the signal of an auto-reset event that poll() reported; false when another
    // waiter took it first.
    bool TryTake();

    // Index of the first event that is set within timeoutMs, -1 on time-out.
    static int WaitAny(std::initializer_list<SyncEvent*> events, int timeoutMs);

private:
    int fd_ = -1;
    bool manual_;
};
