#pragma once
#include <QString>
#include <cstdint>
#include <vector>

#include "data/daymodel.h"
#include "data/tdatetime.h"
#include "app/graph/graphtypes.h"

// Layout, bands and labels of the day graph, apart from any window.
namespace graph {

inline constexpr TColor ClTeal = 0x808000;
inline constexpr TColor ClWhite = 0xFFFFFF;
inline constexpr TColor ClBlack = 0x000000;
inline constexpr TColor ClNight = 0xF8F888;
inline constexpr TColor ClEdge = 0xF8F8C8;
inline constexpr TColor ClSilver = 0xC0C0C0;
inline constexpr TColor ClGrey = 0x808080;
inline constexpr TColor ClNoData = 0x1030F8;

// Vertical pixels per dB for a window height: each 100 pixels above 330 add one.
int PixelsPerDbForHeight(int windowHeight);
// Height of the graph panel for a vertical scale.
int GraphPanelHeight(int pixelsPerDb);
// Scroll width (1550 or 1320) and plot width (1440 or 1200) of a zoom level.
int VirtualWidth(int zoomLevel);
int PlotWidth(int zoomLevel);

// Where the last drawing lies, in logical units.
struct TGraphFrame {
    int DrawOriginX = 0;
    int DrawOriginY = 0;
    int DrawExtentX = 0;
    int DrawExtentY = 0;
    TRect PlotRect;  // x0, y0, x1, y1
    bool operator==(const TGraphFrame&) const = default;
};

TGraphFrame ComputeFrame(int originX, int originY, int zoomLevel, int pixelsPerDb);
// Vertical origin on paper: the plot 40 logical pixels below the page's middle.
int PrintOriginY(int clipHeightDevice, double scaleY, int pixelsPerDb);
// One uniform scale that fits the last screen drawing onto the page.
double PrintScale(int pageWidth, int pageHeight, const TGraphFrame& screen);

// Scroll bar for a drawing of virtualWidth shown in an image imageWidth wide.
struct TScrollSetup {
    int PageSize = 0;
    int Maximum = 0;   // page size plus the scrollable range
    int Range() const { return Maximum - PageSize; }
};
TScrollSetup ScrollBarSetup(int virtualWidth, int imageWidth);
// Small and large change of the scroll bar (an arrow and a click in the trough).
inline constexpr int ScrollSmallChange = 10;
inline constexpr int ScrollLargeChange = 60;

// The hour pairs that colour a day: Sunday's on Sundays, and on public holidays
// when holidays count as Sundays.
const int32_t* RangesForDay(bool isSunday, bool isHoliday, bool holidayAsSunday,
                            const int32_t* weekdayRanges, const int32_t* sundayRanges);
// Whether hour lies in one of the pairs first..last ([from, to), absent pairs never).
bool HourInPairs(const int32_t* ranges, int hour, int firstPair, int lastPair);

// A band rectangle over the full plot height, x relative to the plot's left edge.
struct TBand {
    int Left = 0;
    int Right = 0;
    TColor PenColor = 0;
    TColor BrushColor = 0;
    bool operator==(const TBand&) const = default;
};
// In drawing order: night bands first, edge bands over them.
std::vector<TBand> DayBands(const int32_t* ranges);
std::vector<TBand> HourBands(const int32_t* ranges, int viewHour);
std::vector<TBand> MinuteBands(const int32_t* ranges, int viewHour, int viewMinute);

// Axis labels: dB label i = 0..10 from the top, time labels per zoom level.
QString DbLabel(int i);
QString DayTimeLabel(int i);
QString HourTimeLabel(int viewHour, int i);
QString MinuteTimeLabel(int viewHour, int viewMinute, int i);

// Header lines above the graph.
QString DateCaption(TDateTime date);
QString StationCaption(const QString& name, int regionNumber, int stationNumber);
// Day of the week, 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime date);

}  // namespace graph
