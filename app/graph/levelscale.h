#pragma once
#include <QPoint>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "data/daymodel.h"
#include "app/graph/graphtypes.h"

// Where levels and samples land on the plot, and the curves built from them.
namespace graph {

inline constexpr TColor ClMediumGrey = 0xA4A0A0;
inline constexpr TColor ClMagenta = 0xFF00FF;
inline constexpr TColor ClSkyBlue = 0xF0CAA6;

TColor LevelColor(double level);
TColor SampleColor(uint16_t word);

// Whole dB and tenths of a sample word, the tenths rounded and carried.
struct TSampleLevel {
    int Db = 0;
    int Tenths = 0;
};
TSampleLevel SampleLevelTenths(uint16_t word);

// y of a level on a plot with bottom y1 and L pixels per dB; none when missing.
std::optional<int> LevelY(double level, int y1, int pixelsPerDb);
// y of a sample word, clamped to the plot; never missing.
int SampleY(uint16_t word, int y1, int pixelsPerDb);

using TCurvePoint = std::optional<QPoint>;
using TCurve = std::vector<TCurvePoint>;

// One point per level at x0 + i (day curve, two-hour 6-s curve).
TCurve LevelCurve(std::span<const double> levels, int x0, int y1, int pixelsPerDb);
// Average curve over blocks of ten pixels: a run starts at the block's left edge,
// continues through the block middles, and a present last point is followed by
// the tail level at x0 + 1200.
TCurve AverageCurve(std::span<const double> blockLevels, double tailLevel, int x0, int y1,
                    int pixelsPerDb);
// Raw samples at x0 + i; a sample without a whole dB is missing.
TCurve SampleCurve(std::span<const uint16_t> samples, int x0, int y1, int pixelsPerDb);

// Runs of consecutive present points: missing points lift the pen.
std::vector<std::vector<QPoint>> PenUpRuns(const TCurve& curve);

// Overload ticks point 10 pixels down, under-range ticks 10 pixels up.
struct TTick {
    int X = 0;
    int FromY = 0;
    int ToY = 0;
    TColor Color = 0;
    bool operator==(const TTick&) const = default;
};
std::vector<TTick> SampleTicks(std::span<const uint16_t> samples, int x0, int y1, int pixelsPerDb);

}  // namespace graph
