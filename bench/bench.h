#pragma once
#include <functional>
#include <vector>

// Benchmarks of qwlbench: each registers a function that prints its figures, one per line,
// as "name: value unit" (BenchFigure).
namespace bench {

using BenchFunction = void (*)();

bool Register(const char* name, BenchFunction run);
// Runs before the QApplication exists (figures of a program without Qt's state).
bool RegisterBeforeApplication(const char* name, BenchFunction run);
void Figure(const char* name, double value, const char* unit);
// The minimal Qt Widgets program of the start-up benchmark (qwlbench --minimal-window).
int MinimalWindowMain(int argc, char** argv);
// Median of the run times, in microseconds, of repeats calls of f.
template <typename F>
double MedianMicros(int repeats, F&& f);
// The machine is shared: rounds alternate between the functions, each round takes the median
// of repeats calls of each, and each function's figure is the median of its round medians.
// Ratios of figures from one call hold under a changing load.
std::vector<double> AlternatingMedians(int rounds, int repeats, const std::vector<std::function<void()>>& fns);
// The middle value; -1 when there is none.
double Median(std::vector<double> v);

}  // namespace bench

#define QWL_BENCH(fn) static const bool fn##_registered = ::bench::Register(#fn, fn)
#define QWL_BENCH_BEFORE_APPLICATION(fn) \
    static const bool fn##_registered = ::bench::RegisterBeforeApplication(#fn, fn)

#include <algorithm>
#include <chrono>

template <typename F>
double bench::MedianMicros(int repeats, F&& f)
{
    std::vector<double> times;
    times.reserve(size_t(repeats));
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline double bench::Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1.0 : v[v.size() / 2];
}

inline std::vector<double> bench::AlternatingMedians(int rounds, int repeats,
                                                     const std::vector<std::function<void()>>& fns)
{
    std::vector<std::vector<double>> perRound(fns.size());
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < fns.size(); ++i)
            perRound[i].push_back(MedianMicros(repeats, fns[i]));
    std::vector<double> out;
    for (auto& v : perRound) {
        std::sort(v.begin(), v.end());
        out.push_back(v[v.size() / 2]);
    }
    return out;
}
