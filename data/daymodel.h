#pragma once
#include <array>
#include <cstdint>

// The displayed day: 25 hours of 0.6-second sample words (hour 24 is the next day's first
// hour) and the Leq of each of the day's 1440 minutes.
//
// Sample word: bits 15..8 whole dB, 7..2 sixty-fourths of a dB, bit 1 overload, bit 0
// under-range. A word of 0 stands for no sample.

inline constexpr int SamplesPerMinute = 100;
inline constexpr int SamplesPerHour = 6000;
inline constexpr int SampleBufferWords = 25 * SamplesPerHour;  // 150000
inline constexpr int MinutesPerDay = 1440;
inline constexpr uint16_t Overload = 2;
inline constexpr uint16_t UnderRange = 1;
// Only levels in this range count for the Leq; the graph's level axis spans it.
inline constexpr int MinDb = 30;
inline constexpr int MaxDb = 127;

using TSampleBuffer = std::array<uint16_t, SampleBufferWords>;
using TMinuteLevels = std::array<double, MinutesPerDay>;

// On the day summer time ends the clock shows 02:00-02:59 twice; the sample buffer holds the
// second of them, this the first (measured before it).
struct TRepeatedHour {
    int WallHour = -1;  // -1: the day has no repeated hour
    std::array<uint16_t, SamplesPerHour> Samples{};
};

// Level of a word (without its two flag bits): its whole dB and its sixty-fourths of a dB.
inline int SampleWholeDb(uint16_t w) { return w >> 8; }
inline int SampleSixtyFourths(uint16_t w) { return (w >> 2) & 63; }

// Energy-equivalent level of n words: 10 log10 of the mean of 10^(L/10) over the valid
// words; 0.0 when none is valid.
double CalcLeq(const uint16_t* samples, int n);
// Leq of the whole day: the first 24 hours of a day's buffer (samples) and the repeated hour
// (may be null).
double CalcDayLeq(const uint16_t* samples, const TRepeatedHour* repeated);
// CalcLeq of each minute of the day, bit for bit.
void CalcMinuteLevels(const TSampleBuffer& samples, TMinuteLevels& levels);
// CalcLeq of words first .. first + n - 1 of the buffer, clipped to the buffer.
double CalcLeqAt(const TSampleBuffer& buffer, int first, int n);
// The word at index i, 0 outside the buffer.
uint16_t SampleAt(const TSampleBuffer& buffer, int i);
// The level of minute i, 0.0 outside the day.
double MinuteLevelAt(const TMinuteLevels& levels, int i);
