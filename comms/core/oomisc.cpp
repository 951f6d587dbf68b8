#include "comms/core/oomisc.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

namespace {

std::atomic<TAdClockSource> g_source{nullptr};

constexpr uint64_t kSteadyFrequency =
    uint64_t(std::chrono::steady_clock::period::den) / uint64_t(std::chrono::steady_clock::period::num);

uint64_t steadyMs()
{
    static const uint32_t divisor = PerfTicksPerMsFor(kSteadyFrequency);
    const uint64_t units = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    if (divisor != 0)
        return units / divisor;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

int32_t capTicks(int64_t t)
{
    return int32_t(std::clamp<int64_t>(t, -int64_t(MaxTicks), MaxTicks));
}

bool onGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// The pass of the event loop that runs on this thread: the first window message it delivered.
// Passes nest (a handler may yield again); each notes its own.
struct YieldPass {
    bool seen = false;
    int message = 0;
};
thread_local YieldPass* t_pass = nullptr;

// Runs the calling thread's event loop until waitMs passed or a quit was requested; 18 on
// quit, else the first window message delivered (as SafeYield gives it) or 0. A nested loop
// ends early on QCoreApplication::exit() and refuses to start once it ran.
int runLoopFor(int waitMs)
{
    YieldPass pass;
    YieldPass* const outer = std::exchange(t_pass, &pass);
    QEventLoop loop;
    bool ours = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        ours = true;
        loop.exit(0);
    });
    timer.start(std::max(0, waitMs));
    loop.exec();
    t_pass = outer;
    return ours ? pass.message : wmQuit;
}

}  // namespace

uint32_t PerfTicksPerMsFor(uint64_t Frequency)
{
    if ((Frequency >> 32) != 0 || Frequency == 0)
        return 0;
    uint32_t d = uint32_t(Frequency / 1000);
    if (Frequency % 1000 > 500)
        ++d;
    return d;
}

void SetAdClockSource(TAdClockSource Source) { g_source.store(Source); }

uint64_t AdTimeGetTime64()
{
    TAdClockSource src = g_source.load();
    return src ? src() : steadyMs();
}

uint32_t AdTimeGetTime() { return uint32_t(AdTimeGetTime64()); }

int64_t AdCurrentTicks() { return int64_t(AdTimeGetTime64() / MsPerTick); }

int32_t Secs2Ticks(int32_t Secs) { return capTicks(int64_t(Secs) * 1675 / 92); }

int32_t MSecs2Ticks(int32_t MSecs) { return capTicks(int64_t(MSecs) * 1675 / 92000); }

int32_t Ticks2Secs(int32_t Ticks) { return int32_t((int64_t(Ticks) + 9) * 92 / 1675); }

void NewTimer(EventTimer& ET, int32_t Ticks)
{
    if (Ticks > MaxTicks)
        Ticks = MaxTicks;
    const int64_t now = AdCurrentTicks();
    ET.StartTicks = now;
    ET.ExpireTicks = now + Ticks;
}

void NewTimerSecs(EventTimer& ET, int32_t Secs) { NewTimer(ET, Secs2Ticks(Secs)); }

// The clock never runs backwards; the branches for a tick below the start keep a timer sane
// if a record was filled by hand.
bool TimerExpired(const EventTimer& ET)
{
    const int64_t now = AdCurrentTicks();
    if (now > ET.ExpireTicks)
        return true;
    if (now >= ET.StartTicks)
        return false;
    return now + MaxTicks > ET.ExpireTicks;
}

int32_t ElapsedTime(const EventTimer& ET)
{
    const int64_t now = AdCurrentTicks();
    if (now >= ET.StartTicks)
        return capTicks(now - ET.StartTicks);
    return capTicks(now + (MaxTicks - ET.StartTicks));
}

int32_t ElapsedTimeInSecs(const EventTimer& ET) { return Ticks2Secs(ElapsedTime(ET)); }

int32_t RemainingTime(const EventTimer& ET)
{
    const int64_t now = AdCurrentTicks();
    const int64_t left = now >= ET.StartTicks ? ET.ExpireTicks - now : ET.ExpireTicks - MaxTicks - now;
    return left < 0 ? 0 : capTicks(left);
}

int32_t RemainingTimeInSecs(const EventTimer& ET) { return Ticks2Secs(RemainingTime(ET)); }

int SafeYield()
{
    if (!onGuiThread()) {
        std::this_thread::yield();
        return 0;
    }
    return runLoopFor(0);
}

void NoteWindowMessage(uint32_t Msg, uint32_t Wnd)
{
    if (t_pass && !t_pass->seen) {
        t_pass->seen = true;
        t_pass->message = int((Msg & 0xFFFFu) | (Wnd & 0xFFFFu) << 16);
    }
}

int DelayTicks(int32_t Ticks, bool Yield)
{
    if (Ticks < 1)
        return 0;
    if (Ticks > MaxTicks)
        Ticks = MaxTicks;
    EventTimer et;
    NewTimer(et, Ticks);
    const bool yielding = Yield && onGuiThread();
    int result = 0;
    while (!TimerExpired(et)) {
        // Wait until the tick after the last one of the timer, in pieces, so that a clock
        // source that is not the real one is read again.
        const int64_t leftMs = (et.ExpireTicks + 1) * int64_t(MsPerTick) - int64_t(AdTimeGetTime64());
        const int waitMs = int(std::clamp<int64_t>(leftMs, 1, 55));
        if (yielding) {
            if ((result = runLoopFor(waitMs)) == wmQuit)
                return wmQuit;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        }
    }
    return result;
}

int32_t DelayMS(int32_t MSecs)
{
    const uint64_t start = AdTimeGetTime64();
    uint64_t elapsed = 0;
    while (MSecs > 0 && elapsed < uint64_t(MSecs)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint64_t>(uint64_t(MSecs) - elapsed, 50)));
        elapsed = AdTimeGetTime64() - start;
    }
    return MSecs;
}
