#include "comms/core/oomisc.h"
#include "comms/core/thiddenwindow.h"
#include "comms/core/fakeclock.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <vector>

namespace {

// The real clock, counting how often it is read: a waiting loop that spins reads it all the time.
std::atomic<int> g_countedClockReads{0};
uint64_t countedSteadyClock()
{
    ++g_countedClockReads;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count());
}

TEST(TickConversions, TableOfValues)
{
    EXPECT_EQ(Secs2Ticks(60), 1092);
    EXPECT_EQ(Secs2Ticks(10), 182);
    EXPECT_EQ(Secs2Ticks(1), 18);
    EXPECT_EQ(Secs2Ticks(0), 0);
    EXPECT_EQ(Ticks2Secs(1092), 60);
    EXPECT_EQ(Ticks2Secs(18), 1);
    EXPECT_EQ(Ticks2Secs(8), 0);
    EXPECT_EQ(MSecs2Ticks(1000), 18);
    EXPECT_EQ(MSecs2Ticks(54), 0);
    EXPECT_EQ(MSecs2Ticks(55), 1);
    // 64-bit intermediates: no overflow, capped at the longest timer.
    EXPECT_EQ(Secs2Ticks(2000000), 36413043);
    EXPECT_EQ(Secs2Ticks(3000000), MaxTicks);
    EXPECT_EQ(Secs2Ticks(2145000), MaxTicks);
    EXPECT_EQ(MSecs2Ticks(2000000000), 36413043);
    EXPECT_EQ(Ticks2Secs(MaxTicks), 2144570);
    EXPECT_EQ(Ticks2Secs(2147483647), 117951341);
}

TEST(TickConversions, PerformanceCounterDivisor)
{
    EXPECT_EQ(PerfTicksPerMsFor(3579545), 3580u);
    EXPECT_EQ(PerfTicksPerMsFor(2500500), 2500u);
    EXPECT_EQ(PerfTicksPerMsFor(1000000000), 1000000u);
    EXPECT_EQ(PerfTicksPerMsFor(0), 0u);
    EXPECT_EQ(PerfTicksPerMsFor(uint64_t(1) << 32), 0u);
}

TEST(EventTimers, CappedExpiryStrictlyAfterTheLastTick)
{
    FakeClock clock(55 * 100);
    EventTimer et;
    NewTimer(et, 50000000);
    EXPECT_EQ(et.ExpireTicks - et.StartTicks, MaxTicks);
    NewTimer(et, 0);
    EXPECT_FALSE(TimerExpired(et));
    clock.advance(54);
    EXPECT_FALSE(TimerExpired(et));
    clock.advance(1);
    EXPECT_TRUE(TimerExpired(et));

    NewTimer(et, 10);
    clock.advanceTicks(3);
    EXPECT_EQ(ElapsedTime(et), 3);
    EXPECT_EQ(RemainingTime(et), 7);
    clock.advanceTicks(20);
    EXPECT_EQ(RemainingTime(et), 0);
    EXPECT_TRUE(TimerExpired(et));

    NewTimerSecs(et, 60);
    EXPECT_EQ(RemainingTime(et), 1092);
    EXPECT_EQ(RemainingTimeInSecs(et), 60);
    clock.advanceTicks(1092);
    EXPECT_EQ(ElapsedTimeInSecs(et), 60);
}

TEST(EventTimers, RunOnTimeAcrossTheMillisecondWrap)
{
    const uint64_t wrap = uint64_t(1) << 32;
    FakeClock clock(wrap - 1000);
    EventTimer et;
    NewTimer(et, Secs2Ticks(10));  // 182 ticks, runs across the wrap
    EXPECT_EQ(AdTimeGetTime(), uint32_t(wrap - 1000));
    clock.set(wrap + 500);
    EXPECT_EQ(AdTimeGetTime(), 500u);  // the 32-bit value wrapped
    EXPECT_FALSE(TimerExpired(et));
    EXPECT_EQ(ElapsedTime(et), int32_t((wrap + 500) / 55 - (wrap - 1000) / 55));
    clock.set(wrap - 1000 + 183 * 55);
    EXPECT_TRUE(TimerExpired(et));
    EXPECT_EQ(RemainingTime(et), 0);
}

TEST(EventTimers, HandFilledRecordBelowItsStartUsesMaxTicks)
{
    FakeClock clock(55 * 10);
    EventTimer et{100, 105};
    // now (10) is below the start: expired when now + MaxTicks > expiry.
    EXPECT_TRUE(TimerExpired(et));
    EXPECT_EQ(ElapsedTime(et), 10 + (MaxTicks - 100));
    EventTimer far{100, int64_t(MaxTicks) + 200};
    EXPECT_FALSE(TimerExpired(far));
    EXPECT_EQ(RemainingTime(far), 200 - 10);
}

TEST(Delays, NonPositiveDelaysReturnAtOnce)
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    EXPECT_EQ(DelayTicks(0, true), 0);
    EXPECT_EQ(DelayTicks(-5, true), 0);
    EXPECT_FALSE(ran);  // no event handled
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

TEST(Delays, YieldingWaitRunsEventsWithoutSpinning)
{
    int fired = 0;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] { ++fired; });
    t.start(50);
    g_countedClockReads = 0;
    SetAdClockSource(&countedSteadyClock);
    EXPECT_EQ(DelayTicks(Secs2Ticks(1), true), 0);  // timers are not window messages
    SetAdClockSource(nullptr);
    EXPECT_GT(fired, 0);
    // A pass per tick of the wait reads the clock twice; a loop that spins, thousands of times.
    EXPECT_LT(g_countedClockReads.load(), 200);
    EXPECT_EQ(SafeYield(), 0);
}

// The answer names the first window message handled: its number, and its window in the high word.
TEST(Delays, SafeYieldReportsTheWindowMessageItHandled)
{
    THiddenWindow first(QStringLiteral("awTest")), second(QStringLiteral("awTest"));
    std::vector<uint32_t> handled;
    for (THiddenWindow* w : {&first, &second})
        w->SetWndProc([&](uint32_t Msg, uint32_t, int32_t) { return handled.push_back(Msg), 0; });
    EXPECT_EQ(SafeYield(), 0);
    ASSERT_TRUE(PostMessage(second.Handle(), 0x7E09, 0, 0) && PostMessage(first.Handle(), 0x7E01, 0, 0));
    EXPECT_EQ(uint32_t(SafeYield()), (second.Handle() & 0xFFFF) << 16 | 0x7E09);
    EXPECT_EQ(handled, (std::vector<uint32_t> {0x7E09, 0x7E01}));
    EXPECT_EQ(SafeYield(), 0);
}

TEST(Delays, QuitDuringAWaitEndsItWith18)
{
    int result = -1, again = -1;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(30, [] { QCoreApplication::quit(); });
        result = DelayTicks(Secs2Ticks(60), true);
        again = SafeYield();  // the quit is still pending for the caller's loop
    });
    QTimer guard;  // ends the loop in any case
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    const int rc = QCoreApplication::exec();
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(result, wmQuit);
    EXPECT_EQ(again, wmQuit);
    // Later waits are not disturbed once the application loop has ended.
    EXPECT_EQ(SafeYield(), 0);
}

TEST(Delays, DelayMSWaitsWithoutEvents)
{
    EXPECT_EQ(DelayMS(0), 0);
    EXPECT_EQ(DelayMS(20), 20);
}

}  // namespace
