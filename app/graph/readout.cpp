#include "app/graph/readout.h"

#include "app/graph/graphgeometry.h"
#include "app/graph/levelscale.h"

namespace graph {

THourTime HourViewTime(int viewHour, int p)
{
    // The hour is not wrapped: the second hour of a view from 23:00 reads 24.
    return {viewHour + p / 600, (p / 10) % 60, (p % 10) * 6};
}

TMinuteTime MinuteViewTime(int viewHour, int viewMinute, int p)
{
    return {((viewMinute * 100 + p) / 6000 + viewHour) % 24, (p / 100 + viewMinute) % 60,
            (p % 100) * 3 / 5, ((p % 100) * 3 % 5) * 2};
}

int MinuteViewSample(int viewHour, int viewMinute, int p)
{
    return viewHour * 6000 + viewMinute * 100 + p;
}

TReadout DayReadout(int p, std::span<const double> minuteLevels)
{
    if (p < 0 || size_t(p) >= minuteLevels.size())
        return {};
    const double v = minuteLevels[p];
    return {QString::asprintf("%02d:%.2d Uhr = %03.1f dB(A)", p / 60, p % 60, v), LevelColor(v)};
}

TReadout HourReadout(int p, int viewHour, std::span<const double> hourLevels)
{
    if (p < 0 || size_t(p) >= hourLevels.size())
        return {};
    const THourTime t = HourViewTime(viewHour, p);
    const double v = hourLevels[p];
    return {QString::asprintf("%02d:%.2d:%.2d Uhr = %05.1f dB(A)", t.Hour, t.Minute, t.Second, v),
            LevelColor(v)};
}

TReadout MinuteReadout(int p, int viewHour, int viewMinute, std::span<const uint16_t> samples)
{
    const int k = MinuteViewSample(viewHour, viewMinute, p);
    if (p < 0 || k < 0 || size_t(k) >= samples.size())
        return {};
    const TMinuteTime t = MinuteViewTime(viewHour, viewMinute, p);
    const uint16_t w = samples[k];
    const TSampleLevel level = SampleLevelTenths(w);
    return {QString::asprintf("%02d:%.2d:%.2d,%1d Uhr = %03d,%1d dB(A)", t.Hour, t.Minute, t.Second,
                              t.Tenth, level.Db, level.Tenths),
            SampleColor(w)};
}

namespace {

std::optional<QString> LevelText(double v)
{
    if (!(v > 0.0))
        return std::nullopt;
    QString text = QString::asprintf("%05.1f", v);
    if (v < MinDb)
        text += QStringLiteral(" <<");
    if (v > MaxDb)
        text += QStringLiteral(" >>");
    return text;
}

// Seconds and minutes past 59 carry into the next minute and hour (the hour is not wrapped).
void CarrySeconds(int& hh, int& mm, int& ss)
{
    if (ss > 59) {
        ss -= 60;
        ++mm;
    }
    if (mm > 59) {
        mm -= 60;
        ++hh;
    }
}

}  // namespace

std::vector<TNumRow> NumViewDayRows(int p, int hh, int mm, std::span<const double> minuteLevels)
{
    std::vector<TNumRow> rows;
    if (p < 0)
        return rows;
    while (size_t(p) < minuteLevels.size() && rows.size() < NumViewRows) {
        rows.push_back({QString::asprintf("%02d:%.2d", hh, mm), LevelText(minuteLevels[p])});
        ++p;
        if (++mm == 60) {
            mm = 0;
            ++hh;
        }
    }
    return rows;
}

std::vector<TNumRow> NumViewHourRows(int p, int hh, int mm, int ss, std::span<const double> hourLevels)
{
    std::vector<TNumRow> rows;
    if (p < 0)
        return rows;
    while (size_t(p) < hourLevels.size() && rows.size() < NumViewRows) {
        rows.push_back({QString::asprintf("%02d:%.2d:%.2d", hh, mm, ss), LevelText(hourLevels[p])});
        ++p;
        ss += 6;
        CarrySeconds(hh, mm, ss);
    }
    return rows;
}

std::vector<TNumRow> NumViewMinuteRows(int k, int hh, int mm, int ss, int t,
                                       std::span<const uint16_t> samples)
{
    std::vector<TNumRow> rows;
    for (int row = 0; row < NumViewRows; ++row, ++k) {
        if (k < 0 || size_t(k) >= samples.size())
            break;
        const uint16_t w = samples[k];
        const TSampleLevel level = SampleLevelTenths(w);
        QString text = QStringLiteral(" ");
        if (level.Db > 0) {
            text = QString::asprintf("%03d,%1d", level.Db, level.Tenths);
            if (level.Db < MinDb || (w & UnderRange))
                text += QStringLiteral(" <<");
            if (level.Db > MaxDb || (w & Overload))
                text += QStringLiteral(" >>");
        }
        rows.push_back({QString::asprintf("%02d:%.2d:%.2d,%1d", hh, mm, ss, t), text});
        t += 6;
        if (t > 9) {
            t -= 10;
            ++ss;
        }
        CarrySeconds(hh, mm, ss);
    }
    return rows;
}

}  // namespace graph
