#include "app/graph/graphcurves.h"

#include <algorithm>
#include <vector>

#include "app/graph/graphgrid.h"
#include "data/runtimetexts.h"

using namespace graph;

TGraphCurves::TGraphCurves(TCanvas& canvas, const TGraphScene& scene, const TGraphFrame& frame)
    : Canvas(canvas), Scene(scene), Frame(frame)
{
}

double TGraphCurves::Leq(int start, int count) const
{
    const int size = int(Scene.SampleBuffer.size());
    if (!Scene.Leq || start < 0 || start >= size)
        return 0.0;
    return Scene.Leq(Scene.SampleBuffer.data() + start, std::min(count, size - start));
}

void TGraphCurves::DrawCaption(int start, int count)
{
    DrawCaptionOf(Leq(start, count));
}

void TGraphCurves::DrawCaptionOf(double leq)
{
    Canvas.Font.Color = ClBlack;
    Canvas.Font.Bold = true;
    Canvas.TextOut(Frame.PlotRect.Left + 15, Frame.DrawOriginY + 10, QString::asprintf(qUtf8Printable(FmtLeq3), leq));
    Canvas.Font.Bold = false;
}

void TGraphCurves::DrawCurve(const TCurve& curve)
{
    for (const auto& run : PenUpRuns(curve)) {
        Canvas.MoveTo(run.front().x(), run.front().y());
        for (size_t i = 1; i < run.size(); ++i)
            Canvas.LineTo(run[i].x(), run[i].y());
    }
}

void TGraphCurves::DrawAverage(int start, int blockSize, int tailSize, TColor color)
{
    std::vector<double> blocks(120);
    for (int j = 0; j < 120; ++j)
        blocks[j] = Leq(start + blockSize * j, blockSize);
    const double tail = Leq(start + 120 * blockSize - tailSize, tailSize);
    Canvas.Pen.Color = color;
    Canvas.Pen.Width += 1;
    DrawCurve(AverageCurve(blocks, tail, Frame.PlotRect.Left, Frame.PlotRect.Bottom, Scene.PixelsPerDb));
    Canvas.Pen.Width -= 1;
}

void TGraphCurves::DrawDayCurve()
{
    if (!Scene.DayHasData) {
        DrawNoData(Canvas, Frame, 0);
        return;
    }
    // The day summer time ends has 25 hours of samples, all of them in its Leq.
    const TRepeatedHour* repeated = Scene.RepeatedHour;
    if (repeated && repeated->WallHour >= 0 && Scene.SampleBuffer.size() >= size_t(24 * SamplesPerHour))
        DrawCaptionOf(CalcDayLeq(Scene.SampleBuffer.data(), repeated));
    else
        DrawCaption(0, 144000);
    Canvas.Pen.Color = ClCurveBlue;
    DrawCurve(LevelCurve(Scene.MinuteLevels.first(std::min<size_t>(1440, Scene.MinuteLevels.size())),
                         Frame.PlotRect.Left, Frame.PlotRect.Bottom, Scene.PixelsPerDb));
}

void TGraphCurves::DrawHourCurves(int hour, std::span<double> hourLevels)
{
    if (!Scene.DayHasData) {
        DrawNoData(Canvas, Frame, 1);
        return;
    }
    const int s = hour * 6000;
    DrawCaption(s, 12000);
    const size_t n = std::min<size_t>(1200, hourLevels.size());
    for (size_t i = 0; i < n; ++i)
        hourLevels[i] = Leq(s + 10 * int(i), 10);
    Canvas.Pen.Color = ClCurveGreen;
    DrawCurve(LevelCurve(hourLevels.first(n), Frame.PlotRect.Left, Frame.PlotRect.Bottom, Scene.PixelsPerDb));
    if (Scene.Average)
        DrawAverage(s, 100, 50, ClCurveBlue);
}

void TGraphCurves::DrawMinuteCurves(int hour, int minute)
{
    if (!Scene.DayHasData) {
        DrawNoData(Canvas, Frame, 2);
        return;
    }
    const int s = hour * 6000 + minute * 100;
    DrawCaption(s, 1200);
    const int size = int(Scene.SampleBuffer.size());
    const auto samples = s >= 0 && s < size ? Scene.SampleBuffer.subspan(s, std::min(1200, size - s))
                                            : std::span<const uint16_t>();
    const int x0 = Frame.PlotRect.Left, y1 = Frame.PlotRect.Bottom;
    for (const TTick& tick : SampleTicks(samples, x0, y1, Scene.PixelsPerDb)) {
        Canvas.Pen.Color = tick.Color;
        Canvas.MoveTo(tick.X, tick.FromY);
        Canvas.LineTo(tick.X, tick.ToY);
    }
    Canvas.Pen.Color = ClCurveRed;
    DrawCurve(SampleCurve(samples, x0, y1, Scene.PixelsPerDb));
    if (Scene.Average)
        DrawAverage(s, 10, 5, ClCurveGreen);
}
