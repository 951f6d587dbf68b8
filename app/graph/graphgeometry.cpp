#include "app/graph/graphgeometry.h"

#include <QDate>
#include <algorithm>
#include <cmath>

#include "data/runtimetexts.h"

namespace graph {

int PixelsPerDbForHeight(int windowHeight)
{
    return std::max(1, (windowHeight - 330) / 100);
}

int GraphPanelHeight(int pixelsPerDb)
{
    return 100 * pixelsPerDb + 94;
}

int VirtualWidth(int zoomLevel)
{
    return zoomLevel == 0 ? 1550 : 1320;
}

int PlotWidth(int zoomLevel)
{
    return zoomLevel == 0 ? 1440 : 1200;
}

TGraphFrame ComputeFrame(int originX, int originY, int zoomLevel, int pixelsPerDb)
{
    TGraphFrame f;
    f.DrawOriginX = originX;
    f.DrawOriginY = originY;
    f.PlotRect.Left = originX + 50;
    f.PlotRect.Top = originY + 40;
    f.PlotRect.Right = f.PlotRect.Left + PlotWidth(zoomLevel);
    f.PlotRect.Bottom = f.PlotRect.Top + 100 * pixelsPerDb;
    f.DrawExtentX = f.PlotRect.Right + 60;
    f.DrawExtentY = f.PlotRect.Bottom + 45;
    return f;
}

int PrintOriginY(int clipHeightDevice, double scaleY, int pixelsPerDb)
{
    return static_cast<int>(clipHeightDevice / scaleY * 0.5 - 50.0 * pixelsPerDb);
}

double PrintScale(int pageWidth, int pageHeight, const TGraphFrame& screen)
{
    const double sx = double(pageWidth) / (screen.DrawExtentX - screen.DrawOriginX + 10);
    const double sy = double(pageHeight) / (screen.DrawExtentY - screen.DrawOriginY + 10);
    return std::min(sx, sy);
}

TScrollSetup ScrollBarSetup(int virtualWidth, int imageWidth)
{
    if (imageWidth >= virtualWidth)
        return {virtualWidth, virtualWidth};
    const int page = int(int64_t(imageWidth) * imageWidth / virtualWidth);
    return {page, virtualWidth - imageWidth + page};
}

const int32_t* RangesForDay(bool isSunday, bool isHoliday, bool holidayAsSunday,
                            const int32_t* weekdayRanges, const int32_t* sundayRanges)
{
    return isSunday || (holidayAsSunday && isHoliday) ? sundayRanges : weekdayRanges;
}

bool HourInPairs(const int32_t* ranges, int hour, int firstPair, int lastPair)
{
    for (int i = firstPair; i <= lastPair; ++i) {
        const int from = ranges[2 * i], to = ranges[2 * i + 1];
        if (from >= 0 && from <= hour && hour < to)
            return true;
    }
    return false;
}

std::vector<TBand> DayBands(const int32_t* ranges)
{
    std::vector<TBand> bands;
    for (int i = 0; i < 5; ++i) {
        const int from = ranges[2 * i], to = ranges[2 * i + 1];
        if (from < 0 || to <= from)
            continue;
        // The edge bands keep the night pen, so they carry a night-coloured outline.
        bands.push_back({60 * from, 60 * to, ClNight, i < 2 ? ClNight : ClEdge});
    }
    return bands;
}

namespace {

// Two parts [0, split) and [split, 1200) of a zoomed view, for hours h1 and h2.
std::vector<TBand> SplitBands(const int32_t* ranges, int h1, int h2, int split)
{
    std::vector<TBand> bands;
    const struct { int First, Last; TColor Color; } passes[] = {{0, 1, ClNight}, {2, 4, ClEdge}};
    for (const auto& pass : passes) {
        if (HourInPairs(ranges, h1, pass.First, pass.Last))
            bands.push_back({0, split, pass.Color, pass.Color});
        if (HourInPairs(ranges, h2, pass.First, pass.Last))
            bands.push_back({split, 1200, pass.Color, pass.Color});
    }
    return bands;
}

}  // namespace

std::vector<TBand> HourBands(const int32_t* ranges, int viewHour)
{
    return SplitBands(ranges, viewHour, viewHour == 23 ? 0 : viewHour + 1, 600);
}

std::vector<TBand> MinuteBands(const int32_t* ranges, int viewHour, int viewMinute)
{
    int h2 = viewHour;
    if (viewMinute == 50)
        h2 = viewHour == 23 ? 0 : viewHour + 1;
    return SplitBands(ranges, viewHour, h2, 1000);
}

QString DbLabel(int i)
{
    return QString::asprintf("%2d", 130 - 10 * i);
}

QString DayTimeLabel(int i)
{
    return QString::asprintf("%.2d:00", i);
}

QString HourTimeLabel(int viewHour, int i)
{
    int hour = viewHour + i / 4;
    const int minute = (i % 4) * 15;
    if (hour > 24 || (hour == 24 && minute > 0))
        hour -= 24;
    return QString::asprintf("%.2d:%.2d", hour, minute);
}

QString MinuteTimeLabel(int viewHour, int viewMinute, int i)
{
    const int minute = (viewMinute + i) % 60;
    int hour = viewHour + (viewMinute + i) / 60;
    if (hour == 24 && minute > 0)
        hour = 0;
    return QString::asprintf("%.2d:%.2d", hour, minute);
}

namespace {

QDate CalendarDate(TDateTime date)
{
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(date)));
}

}  // namespace

int DayOfWeek(TDateTime date)
{
    return CalendarDate(date).dayOfWeek() % 7 + 1;
}

QString DateCaption(TDateTime date)
{
    const QDate d = CalendarDate(date);
    return QString::asprintf("%s, %d. %s %d", qUtf8Printable(WeekdayNames[DayOfWeek(date)]), d.day(),
                             qUtf8Printable(MonthNames[d.month()]), d.year());
}

QString StationCaption(const QString& name, int regionNumber, int stationNumber)
{
    if (regionNumber <= 0)
        return name + QString::asprintf(" (%.3d)", stationNumber);
    return name + QString::asprintf(" (%.3d/%.3d)", regionNumber, stationNumber);
}

}  // namespace graph
