#include "data/daymodel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/core/vectorstate.h"

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

// The end of CalcLeq: one expression for every caller, so the results agree bit for bit.
double LeqOfSums(const double sum[4], int count)
{
    const double total = (sum[0] + sum[1]) + (sum[2] + sum[3]);
    return count > 0 ? 10.0 * std::log10((1.0 / count) * total) : 0.0;
}

}  // namespace

namespace {

struct TPowerSums {
    double s[4] = {0.0, 0.0, 0.0, 0.0};
    int count = 0;
};

// Adds n words to the sums; n a multiple of four keeps the stride for a following run.
void AddPowers(const uint16_t* samples, int n, TPowerSums& sums)
{
    const PowerTable& t = Table();
    const double* power = t.power.data();
    const uint8_t* valid = t.valid.data();
    // Four partial sums keep the additions from waiting on each other; named, they stay
    // in registers.
    double s0 = sums.s[0], s1 = sums.s[1], s2 = sums.s[2], s3 = sums.s[3];
    int count = sums.count;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const size_t l0 = samples[i] >> 2, l1 = samples[i + 1] >> 2, l2 = samples[i + 2] >> 2, l3 = samples[i + 3] >> 2;
        s0 += power[l0];
        s1 += power[l1];
        s2 += power[l2];
        s3 += power[l3];
        count += valid[l0] + valid[l1] + valid[l2] + valid[l3];
    }
    for (; i < n; ++i) {
        const size_t level = samples[i] >> 2;
        s0 += power[level];
        count += valid[level];
    }
    sums.s[0] = s0;
    sums.s[1] = s1;
    sums.s[2] = s2;
    sums.s[3] = s3;
    sums.count = count;
}

}  // namespace

double CalcLeq(const uint16_t* samples, int n)
{
    if (!samples || n <= 0)
        return 0.0;
    TPowerSums sums;
    AddPowers(samples, n, sums);
    return LeqOfSums(sums.s, sums.count);
}

double CalcDayLeq(const uint16_t* samples, const TRepeatedHour* repeated)
{
    TPowerSums sums;
    AddPowers(samples, 24 * SamplesPerHour, sums);
    if (repeated && repeated->WallHour >= 0)
        AddPowers(repeated->Samples.data(), SamplesPerHour, sums);
    return LeqOfSums(sums.s, sums.count);
}

void CalcMinuteLevels(const TSampleBuffer& samples, TMinuteLevels& levels)
{
    static_assert(SamplesPerMinute % 4 == 0 && MinutesPerDay % 2 == 0);
    static_assert(std::endian::native == std::endian::little, "word j of a load sits at bit 16 j");
    platform::ClearUpperVectorState();
    const PowerTable& t = Table();
    const double* power = t.power.data();
    const uint8_t* valid = t.valid.data();
    // Two minutes side by side, four words per load; each partial sum takes the same
    // additions in the same order as CalcLeq's.
    for (int m = 0; m < MinutesPerDay; m += 2) {
        const uint16_t* a = samples.data() + SamplesPerMinute * m;
        const uint16_t* b = a + SamplesPerMinute;
        // Named sums, not arrays: they stay in registers.
        double a0 = 0.0, a1 = 0.0, a2 = 0.0, a3 = 0.0, b0 = 0.0, b1 = 0.0, b2 = 0.0, b3 = 0.0;
        int countA = 0, countB = 0;
        for (int i = 0; i < SamplesPerMinute; i += 4) {
            uint64_t wa, wb;
            std::memcpy(&wa, a + i, sizeof wa);
            std::memcpy(&wb, b + i, sizeof wb);
            const size_t la0 = (wa >> 2) & 0x3FFF, la1 = (wa >> 18) & 0x3FFF, la2 = (wa >> 34) & 0x3FFF, la3 = wa >> 50;
            const size_t lb0 = (wb >> 2) & 0x3FFF, lb1 = (wb >> 18) & 0x3FFF, lb2 = (wb >> 34) & 0x3FFF, lb3 = wb >> 50;
            a0 += power[la0];
            a1 += power[la1];
            a2 += power[la2];
            a3 += power[la3];
            b0 += power[lb0];
            b1 += power[lb1];
            b2 += power[lb2];
            b3 += power[lb3];
            countA += valid[la0] + valid[la1] + valid[la2] + valid[la3];
            countB += valid[lb0] + valid[lb1] + valid[lb2] + valid[lb3];
        }
        const double sumA[4] = {a0, a1, a2, a3}, sumB[4] = {b0, b1, b2, b3};
        levels[size_t(m)] = LeqOfSums(sumA, countA);
        levels[size_t(m) + 1] = LeqOfSums(sumB, countB);
    }
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
