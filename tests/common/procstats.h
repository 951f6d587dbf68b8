#pragma once
#include <dirent.h>
#include <sys/resource.h>
#include <chrono>
#include <thread>

// What the process holds and spends, for leak and busy-wait checks.

inline int countEntries(const char* dir)
{
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

inline int countOpenFds() { return countEntries("/proc/self/fd"); }

// Threads of the process; a first thread is made and joined before, so that a helper thread
// the runtime starts with the first thread (sanitizers do) is already counted.
inline int countThreads()
{
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmedUp;
    return countEntries("/proc/self/task");
}

// The thread count once it is expected or timeoutMs passed: a thread just joined is still
// listed for a moment while the kernel reaps it.
inline int countThreadsSettled(int expected, int timeoutMs = 2000)
{
    int n = countThreads();
    for (int waited = 0; n != expected && waited < timeoutMs; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        n = countThreads();
    }
    return n;
}

// The thread count once it has held for 20 ms (bounded), for a baseline: a thread joined
// just before, the warm-up's too, may still be listed.
inline int countThreadsStable(int timeoutMs = 2000)
{
    int n = countThreads();
    for (int waited = 0, held = 0; held < 20 && waited < timeoutMs; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int now = countThreads();
        held = now == n ? held + 1 : 0;
        n = now;
    }
    return n;
}

// User and system time in ms, of the whole process or of the calling thread.
inline double cpuMs(int who)
{
    rusage ru{};
    ::getrusage(who, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
}
inline double processCpuMs() { return cpuMs(RUSAGE_SELF); }
inline double threadCpuMs() { return cpuMs(RUSAGE_THREAD); }
