#include "app/graph/graphgrid.h"

#include "data/runtimetexts.h"

using namespace graph;

TGraphGrid::TGraphGrid(TCanvas& canvas, const TGraphScene& scene) : Canvas(canvas), Scene(scene) {}

void TGraphGrid::Line(int ax, int ay, int bx, int by)
{
    Canvas.MoveTo(ax, ay);
    Canvas.LineTo(bx, by);
}

TGraphFrame TGraphGrid::DrawBackground(int zoomLevel)
{
    const int L = Scene.PixelsPerDb;
    TGraphFrame f;
    if (Scene.Printing)
        f = ComputeFrame(5, PrintOriginY(Canvas.ClipRect().Height(), Canvas.ScaleY, L), zoomLevel, L);
    else
        f = ComputeFrame(-Scene.ScrollPosition, 0, zoomLevel, L);

    Canvas.Font.Color = ClBlack;
    Canvas.Font.Bold = false;
    Canvas.Font.Size = 8;
    Canvas.Brush.Style = TBrushStyle::Solid;
    Canvas.Brush.Color = ClWhite;
    if (!Scene.Printing) {
        Canvas.Pen.Color = ClWhite;
        Canvas.Brush.Color = ClTeal;
        Canvas.FillDeviceRect(Canvas.ClipRect());
        Canvas.Brush.Color = ClWhite;
        // Starts at the image's left edge whatever the scroll position.
        Canvas.FillRect({0, 0, f.DrawExtentX - f.DrawOriginX, f.DrawExtentY});
        Canvas.Pen.Color = ClBlack;
    } else {
        Canvas.Pen.Color = ClBlack;
        Canvas.Rectangle(f.DrawOriginX, f.DrawOriginY, f.DrawExtentX, f.DrawExtentY);
    }
    return f;
}

void TGraphGrid::DrawBands(const TGraphFrame& f, const std::vector<TBand>& bands)
{
    const TRect& p = f.PlotRect;
    for (const TBand& band : bands) {
        Canvas.Pen.Color = band.PenColor;
        Canvas.Brush.Color = band.BrushColor;
        Canvas.Rectangle(p.Left + band.Left, p.Top, p.Left + band.Right, p.Bottom);
    }
    Canvas.Brush.Color = ClWhite;
}

void TGraphGrid::DrawDbAxis(const TGraphFrame& f, std::initializer_list<int> innerLabelX)
{
    const int L = Scene.PixelsPerDb;
    const int x0 = f.PlotRect.Left, y0 = f.PlotRect.Top, x1 = f.PlotRect.Right;
    Canvas.Pen.Color = ClSilver;
    for (int i = 0; i <= 20; ++i)
        Line(x0, y0 + 5 * L * i, x1, y0 + 5 * L * i);
    Canvas.Pen.Color = ClBlack;
    for (int i = 0; i <= 10; ++i)
        Line(x0 - 5, y0 + 10 * L * i, x1, y0 + 10 * L * i);
    for (int i = 0; i <= 9; ++i)
        Line(x0 - 5, y0 + 10 * L * i + 5 * L, x0, y0 + 10 * L * i + 5 * L);
    for (int i = 0; i <= 100; ++i)
        Line(x0 - 2, y0 + L * i, x0, y0 + L * i);

    Canvas.Brush.Style = TBrushStyle::Clear;
    for (int i = 0; i <= 10; ++i) {
        const int y = y0 + 10 * L * i;
        const QString label = DbLabel(i);
        const QSize size = Canvas.LogicalTextExtent(label);
        const int w = size.width(), h = size.height();
        Canvas.Font.Color = ClBlack;
        Canvas.TextOut(x0 - w - 8, y - h / 2, label);
        if (!Scene.Printing && i % 2 == 1) {
            Canvas.Font.Color = ClGrey;
            for (int x : innerLabelX)
                Canvas.TextOut(x0 + x - w - 3, y - h / 2, label);
            Canvas.Font.Color = ClBlack;
        }
        Canvas.TextOut(x1 + 3, y - h / 2, label);
    }
    Canvas.Brush.Style = TBrushStyle::Solid;
    Canvas.TextOut(f.DrawOriginX + 10, f.DrawOriginY + 10, TxtDbA);
    Canvas.TextOut(x1 + 1, f.DrawOriginY + 10, TxtDbA);
}

void TGraphGrid::DrawTimeLabel(int x, int y1, const QString& label)
{
    const QSize size = Canvas.LogicalTextExtent(label);
    Canvas.TextOut(x - size.width() / 2, y1 + 6 + size.height() / 2, label);
}

void TGraphGrid::DrawBottomCaptions(const TGraphFrame& f)
{
    const int h = Canvas.LogicalTextExtent(TxtTime).height();
    Canvas.TextOut(f.DrawOriginX + 10, f.DrawExtentY - h - 2, TxtTime + Scene.ZoneSuffix);
    Canvas.TextOut(f.PlotRect.Right - 10, f.DrawExtentY - h - 2, TxtTime);
}

TGraphFrame TGraphGrid::DrawDayGrid()
{
    const TGraphFrame f = DrawBackground(0);
    const int x0 = f.PlotRect.Left, y0 = f.PlotRect.Top, y1 = f.PlotRect.Bottom;
    DrawBands(f, DayBands(Scene.HourRanges));
    DrawDbAxis(f, {480, 960});
    Canvas.Pen.Color = ClSilver;
    for (int i = 0; i <= 96; ++i)
        Line(x0 + 15 * i, y0, x0 + 15 * i, y1);
    Canvas.Pen.Color = ClBlack;
    for (int i = 0; i <= 48; ++i)
        Line(x0 + 30 * i, y1, x0 + 30 * i, y1 + 6);
    for (int i = 0; i <= 288; ++i)
        Line(x0 + 5 * i, y1, x0 + 5 * i, y1 + 3);
    for (int i = 0; i <= 24; ++i) {
        const int x = x0 + 60 * i;
        Line(x, y0, x, y1 + 6);
        DrawTimeLabel(x, y1, DayTimeLabel(i));
    }
    DrawBottomCaptions(f);
    return f;
}

TGraphFrame TGraphGrid::DrawHourGrid(int hour)
{
    const TGraphFrame f = DrawBackground(1);
    const int x0 = f.PlotRect.Left, y0 = f.PlotRect.Top, y1 = f.PlotRect.Bottom;
    DrawBands(f, HourBands(Scene.HourRanges, hour));
    DrawDbAxis(f, {750});
    Canvas.Pen.Color = ClSilver;
    for (int i = 0; i <= 24; ++i)
        Line(x0 + 50 * i, y0, x0 + 50 * i, y1);
    Canvas.Pen.Color = ClBlack;
    for (int i = 0; i <= 120; ++i)
        Line(x0 + 10 * i, y1, x0 + 10 * i, y1 + 4);
    for (int i = 0; i <= 24; ++i)
        Line(x0 + 50 * i, y1, x0 + 50 * i, y1 + 6);
    for (int i = 0; i <= 8; ++i) {
        const int x = x0 + 150 * i;
        Line(x, y0, x, y1 + 6);
        DrawTimeLabel(x, y1, HourTimeLabel(hour, i));
    }
    DrawBottomCaptions(f);
    return f;
}

TGraphFrame TGraphGrid::DrawMinuteGrid(int hour, int minute)
{
    const TGraphFrame f = DrawBackground(2);
    const int x0 = f.PlotRect.Left, y0 = f.PlotRect.Top, y1 = f.PlotRect.Bottom;
    DrawBands(f, MinuteBands(Scene.HourRanges, hour, minute));
    DrawDbAxis(f, {600});
    Canvas.Pen.Color = ClSilver;
    for (int i = 0; i <= 47; ++i)
        Line(x0 + 25 + 25 * i, y0, x0 + 25 + 25 * i, y1);
    Canvas.Pen.Color = ClBlack;
    for (int i = 0; i <= 12; ++i) {
        const int x = x0 + 100 * i;
        Line(x, y0, x, y1 + 6);
        DrawTimeLabel(x, y1, MinuteTimeLabel(hour, minute, i));
    }
    for (int i = 0; i <= 23; ++i)
        Line(x0 + 50 + 50 * i, y1, x0 + 50 + 50 * i, y1 + 6);
    for (int i = 0; i <= 239; ++i)
        Line(x0 + 5 + 5 * i, y1, x0 + 5 + 5 * i, y1 + 3);
    DrawBottomCaptions(f);
    return f;
}

void DrawNoData(TCanvas& canvas, const TGraphFrame& frame, int zoomLevel)
{
    canvas.Font.Color = ClNoData;
    canvas.Font.Size = 14;
    const int hA = static_cast<int>(canvas.TextHeight(QStringLiteral("A")) / canvas.ScaleY);
    canvas.Brush.Style = TBrushStyle::Clear;
    const TRect& p = frame.PlotRect;
    canvas.TextOut(p.Left + 10, p.Top + (p.Bottom - p.Top) / 2 - hA,
                   zoomLevel == 0 ? TxtNoDataOnDate : TxtNoDataAtTime);
    canvas.Brush.Style = TBrushStyle::Solid;
    canvas.Font.Size = 8;
}
