#include "app/graph/levelscale.h"

#include <cmath>

#include "app/graph/graphgeometry.h"

namespace graph {

TColor LevelColor(double level)
{
    if (level < MinDb)
        return ClMediumGrey;
    if (level > MaxDb)
        return ClMagenta;
    return ClBlack;
}

TColor SampleColor(uint16_t word)
{
    const int db = SampleWholeDb(word);
    if (db < MinDb || (word & UnderRange))
        return ClMediumGrey;
    if (db > MaxDb || (word & Overload))
        return ClMagenta;
    return ClBlack;
}

TSampleLevel SampleLevelTenths(uint16_t word)
{
    TSampleLevel s{SampleWholeDb(word), (SampleSixtyFourths(word) * 10 + 31) >> 6};
    if (s.Tenths >= 10) {
        ++s.Db;
        s.Tenths = 0;
    }
    return s;
}

namespace {

int ClampedY(int db, int offset, int y1, int pixelsPerDb)
{
    if (db < MinDb) {
        db = MinDb;
        offset = 0;
    } else if (db > MaxDb || (db == MaxDb && offset > 0)) {
        db = MaxDb;
        offset = 0;
    }
    return y1 - (db - MinDb) * pixelsPerDb - offset;
}

}  // namespace

std::optional<int> LevelY(double level, int y1, int pixelsPerDb)
{
    if (!(level >= 1.0))  // also NaN
        return std::nullopt;
    if (level > 1000.0)
        return ClampedY(MaxDb + 1, 0, y1, pixelsPerDb);
    const int db = static_cast<int>(level);
    const int offset = static_cast<int>(5.0 * (level - db));
    return ClampedY(db, offset, y1, pixelsPerDb);
}

int SampleY(uint16_t word, int y1, int pixelsPerDb)
{
    const TSampleLevel s = SampleLevelTenths(word);
    return ClampedY(s.Db, s.Tenths / 2, y1, pixelsPerDb);
}

TCurve LevelCurve(std::span<const double> levels, int x0, int y1, int pixelsPerDb)
{
    TCurve curve;
    curve.reserve(levels.size());
    for (size_t i = 0; i < levels.size(); ++i) {
        const auto y = LevelY(levels[i], y1, pixelsPerDb);
        curve.push_back(y ? TCurvePoint(QPoint(x0 + int(i), *y)) : std::nullopt);
    }
    return curve;
}

TCurve AverageCurve(std::span<const double> blockLevels, double tailLevel, int x0, int y1,
                    int pixelsPerDb)
{
    TCurve curve;
    curve.reserve(blockLevels.size() + 1);
    bool penUp = true;
    for (size_t j = 0; j < blockLevels.size(); ++j) {
        const auto y = LevelY(blockLevels[j], y1, pixelsPerDb);
        if (!y) {
            curve.push_back(std::nullopt);
            penUp = true;
            continue;
        }
        curve.push_back(QPoint(x0 + 10 * int(j) + (penUp ? 0 : 5), *y));
        penUp = false;
    }
    if (!penUp) {
        const auto y = LevelY(tailLevel, y1, pixelsPerDb);
        if (y)
            curve.push_back(QPoint(x0 + 10 * int(blockLevels.size()), *y));
    }
    return curve;
}

TCurve SampleCurve(std::span<const uint16_t> samples, int x0, int y1, int pixelsPerDb)
{
    TCurve curve;
    curve.reserve(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        if (SampleLevelTenths(samples[i]).Db == 0)
            curve.push_back(std::nullopt);
        else
            curve.push_back(QPoint(x0 + int(i), SampleY(samples[i], y1, pixelsPerDb)));
    }
    return curve;
}

std::vector<std::vector<QPoint>> PenUpRuns(const TCurve& curve)
{
    std::vector<std::vector<QPoint>> runs;
    bool penUp = true;
    for (const auto& point : curve) {
        if (!point) {
            penUp = true;
            continue;
        }
        if (penUp)
            runs.emplace_back();
        runs.back().push_back(*point);
        penUp = false;
    }
    return runs;
}

std::vector<TTick> SampleTicks(std::span<const uint16_t> samples, int x0, int y1, int pixelsPerDb)
{
    std::vector<TTick> ticks;
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint16_t w = samples[i];
        if (!(w & (Overload | UnderRange)))
            continue;
        const int x = x0 + int(i), y = SampleY(w, y1, pixelsPerDb);
        if (w & Overload)
            ticks.push_back({x, y, y + 10, ClMagenta});
        else
            ticks.push_back({x, y, y - 10, ClSkyBlue});
    }
    return ticks;
}

}  // namespace graph
