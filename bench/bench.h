#pragma once
#include <vector>

// Benchmarks of qwlbench: each registers a function that prints its figures, one per line,
// as "name: value unit" (BenchFigure).
namespace bench {

using BenchFunction = void (*)();

bool Register(const char* name, BenchFunction run);
void Figure(const char* name, double value, const char* unit);
// Median of the run times, in microseconds, of repeats calls of f.
template <typename F>
double MedianMicros(int repeats, F&& f);

}  // namespace bench

#define QWL_BENCH(fn) static const bool fn##_registered = ::bench::Register(#fn, fn)

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
