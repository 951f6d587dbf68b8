#include "app/daymodel.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// 10^(L/10) of each of the 16384 levels a word can carry, 0 for levels that do not count;
// the same values as computing the power per word, so the sums are the same.
struct PowerTable {
    PowerTable() : power(16384, 0.0), valid(16384, 0)
    {
        for (int i = 0; i < 16384; ++i) {
            const double level = i * 0.015625;
            if (level >= MinDb && level <= MaxDb) {
                power[size_t(i)] = std::pow(10.0, 0.1 * level);
                valid[size_t(i)] = 1;
            }
        }
    }
    std::vector<double> power;
    std::vector<uint8_t> valid;
};

const PowerTable& Table()
{
    static const PowerTable table;
    return table;
}

}  // namespace

double CalcLeq(const uint16_t* samples, int n)
{
    if (!samples || n <= 0)
        return 0.0;
    const PowerTable& t = Table();
    const double* power = t.power.data();
    const uint8_t* valid = t.valid.data();
    // Four partial sums keep the additions from waiting on each other.
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    int count = 0;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        for (int j = 0; j < 4; ++j) {
            const size_t level = samples[i + j] >> 2;
            sum[j] += power[level];
            count += valid[level];
        }
    }
    for (; i < n; ++i) {
        const size_t level = samples[i] >> 2;
        sum[0] += power[level];
        count += valid[level];
    }
    const double total = (sum[0] + sum[1]) + (sum[2] + sum[3]);
    return count > 0 ? 10.0 * std::log10((1.0 / count) * total) : 0.0;
}

double CalcLeqAt(const TSampleBuffer& buffer, int first, int n)
{
    const int from = std::max(first, 0);
    const int to = int(std::min<int64_t>(int64_t(first) + std::max(n, 0), SampleBufferWords));
    return to > from ? CalcLeq(buffer.data() + from, to - from) : 0.0;
}

uint16_t SampleAt(const TSampleBuffer& buffer, int i)
{
    return i >= 0 && i < SampleBufferWords ? buffer[size_t(i)] : 0;
}

double MinuteLevelAt(const TMinuteLevels& levels, int i)
{
    return i >= 0 && i < MinutesPerDay ? levels[size_t(i)] : 0.0;
}
