#pragma once
#include "comms/core/oomisc.h"

#include <atomic>

// A millisecond clock that tests move by hand; installed for the life of the object.
class FakeClock {
public:
    explicit FakeClock(uint64_t startMs) { now().store(startMs); SetAdClockSource(&read); }
    ~FakeClock() { SetAdClockSource(nullptr); }
    void set(uint64_t ms) { now().store(ms); }
    void advance(uint64_t ms) { now().fetch_add(ms); }
    void advanceTicks(int64_t ticks) { now().fetch_add(uint64_t(ticks) * MsPerTick); }

private:
    static std::atomic<uint64_t>& now()
    {
        static std::atomic<uint64_t> value{0};
        return value;
    }
    static uint64_t read() { return now().load(); }
};
