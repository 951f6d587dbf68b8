#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "app/graph/graphtypes.h"

// Texts of the pointer read-out and the numeric view's rows.
namespace graph {

struct TReadout {
    QString Text;  // empty: nothing to show
    TColor Color = 0;
};

// Time of a plot column p in the two zoomed views.
struct THourTime {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};
struct TMinuteTime {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Tenth = 0;
};
THourTime HourViewTime(int viewHour, int p);
TMinuteTime MinuteViewTime(int viewHour, int viewMinute, int p);
// Index into the day's samples of column p of the twelve-minute view.
int MinuteViewSample(int viewHour, int viewMinute, int p);

// p is the column from the plot's left edge; a column without a level of its own
// (the right edge of the day or the two-hour view) gives an empty read-out.
TReadout DayReadout(int p, std::span<const double> minuteLevels);
TReadout HourReadout(int p, int viewHour, std::span<const double> hourLevels);
TReadout MinuteReadout(int p, int viewHour, int viewMinute, std::span<const uint16_t> samples);

// One row of the numeric view: a time and, unless absent, a level text.
struct TNumRow {
    QString Time;
    std::optional<QString> Level;
    bool operator==(const TNumRow&) const = default;
};
inline constexpr int NumViewRows = 16;

std::vector<TNumRow> NumViewDayRows(int p, int hh, int mm, std::span<const double> minuteLevels);
std::vector<TNumRow> NumViewHourRows(int p, int hh, int mm, int ss, std::span<const double> hourLevels);
// Sixteen rows from sample index k; samples past the buffer's end give no row.
std::vector<TNumRow> NumViewMinuteRows(int k, int hh, int mm, int ss, int t,
                                       std::span<const uint16_t> samples);

}  // namespace graph
