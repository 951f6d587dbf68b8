#pragma once
#include <functional>

// Synchronised calls from worker threads: a job queue that the user-interface (GUI) thread
// drains, while the worker that posted a job waits for it.
//
// Thread rules:
// - Call may be used from any thread. On the GUI thread (or when no QCoreApplication exists)
//   it runs the job at once.
// - From a worker, the job is queued and the GUI thread is woken by a posted event; the GUI
//   event loop drains the queue, and so do GUI-side waits that call Drain (SafeYield and the
//   library's yielding waits run the event loop, which drains it too).
// - A job not yet started when its time-out passes, or whose token is cancelled, is dropped
//   and never runs. A job that has started is always waited for, so it may use what the
//   waiting worker owns.
// - Cancel(token) is sticky until Resume(token): later calls with that token are dropped at
//   once. A port cancels its token before it joins its threads, so a worker blocked in Call
//   returns and no join can deadlock against a GUI thread that waits for the worker.
// - Never use Qt::BlockingQueuedConnection for this: it deadlocks when the GUI thread is
//   itself waiting for the worker.
class TApdSyncQueue {
public:
    enum Result { Done = 0, TimedOut = 1, Cancelled = 2 };

    // Runs Job on the GUI thread and waits for it; TimeoutMs < 0 waits without limit.
    static Result Call(std::function<void()> Job, int TimeoutMs = -1, const void* Token = nullptr);
    // Drops the pending jobs of Token, wakes their waiters, and refuses new ones.
    static void Cancel(const void* Token);
    // Accepts jobs of Token again.
    static void Resume(const void* Token);
    // GUI thread: runs the pending jobs (also those queued while it runs); returns how many ran.
    static int Drain();
    // Jobs waiting to run (for tests and diagnostics).
    static int PendingCount();
    // True while a job of Token runs (on the GUI thread, perhaps further down its stack).
    static bool Running(const void* Token);
    // True on the GUI thread, or when there is no application object.
    static bool OnGuiThread();
};
