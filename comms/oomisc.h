#pragma once
#include <cstdint>

// The library's clock: milliseconds, ticks of 55 ms and tick timers, plus waits that keep the
// user interface alive. The clock counts from an unwrapped 64-bit monotonic source, so timers
// keep working across the 2^32 ms wrap of the 32-bit millisecond value.
// Thread rules: the clock, the timers and the conversions may be used from any thread;
// SafeYield and a yielding DelayTicks belong to the user-interface thread.

inline constexpr int32_t MaxTicks = 39045157;  // the longest timer
inline constexpr uint32_t MsPerTick = 55;
inline constexpr int wmQuit = 18;  // the quit message, as SafeYield and DelayTicks report it

// A tick timer: the tick at which it was set and the tick after which it has run out.
struct EventTimer {
    int64_t StartTicks = 0;
    int64_t ExpireTicks = 0;
};

// Milliseconds of the monotonic clock, unwrapped.
uint64_t AdTimeGetTime64();
// The same as an unsigned 32-bit count (wraps after about 49.7 days).
uint32_t AdTimeGetTime();
// The current tick.
int64_t AdCurrentTicks();

// Counter units per millisecond for a counter of Frequency units a second, rounded (a remainder
// of exactly 500 rounds down); 0 when the frequency does not fit 32 bits or is 0.
uint32_t PerfTicksPerMsFor(uint64_t Frequency);

// Replaces the clock's source (milliseconds, monotonic) for tests; nullptr restores it.
using TAdClockSource = uint64_t (*)();
void SetAdClockSource(TAdClockSource Source);

// Conversions at 1675/92 ticks a second, with 64-bit intermediates and capped at MaxTicks.
int32_t Secs2Ticks(int32_t Secs);
int32_t MSecs2Ticks(int32_t MSecs);
int32_t Ticks2Secs(int32_t Ticks);

void NewTimer(EventTimer& ET, int32_t Ticks);
void NewTimerSecs(EventTimer& ET, int32_t Secs);
bool TimerExpired(const EventTimer& ET);
int32_t ElapsedTime(const EventTimer& ET);
int32_t ElapsedTimeInSecs(const EventTimer& ET);
int32_t RemainingTime(const EventTimer& ET);
int32_t RemainingTimeInSecs(const EventTimer& ET);

// Handles the pending events of the calling thread; 18 when the application has been told to
// quit (the quit stays pending for the caller's own loop), else 0.
int SafeYield();
// Waits Ticks ticks; with Yield the event loop runs meanwhile (without spinning) and a quit
// ends the wait early with 18. 0 otherwise, and at once for Ticks < 1.
int DelayTicks(int32_t Ticks, bool Yield);
// Waits MSecs milliseconds without handling events; returns MSecs.
int32_t DelayMS(int32_t MSecs);
