#include "app/graph/canvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QVarLengthArray>
#include <algorithm>
#include <cstdlib>

#include "platform/core/vectorstate.h"

QColor ToQColor(TColor color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color)
{
    return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}

namespace {

constexpr int64_t LargeFillPixels = 4096;

uint32_t Argb(TColor color)
{
    return 0xFF000000u | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

bool WritableImage(QPaintDevice* device)
{
    if (device->devType() != QInternal::Image)
        return false;
    const auto* image = static_cast<QImage*>(device);
    const QImage::Format f = image->format();
    return (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied)
        && image->devicePixelRatio() == 1.0;
}

// Bresenham's points from a to b, b itself excluded.
template <typename Plot>
void ForEachLinePoint(int ax, int ay, int bx, int by, Plot plot)
{
    const int dx = std::abs(bx - ax), sx = ax < bx ? 1 : -1;
    const int dy = -std::abs(by - ay), sy = ay < by ? 1 : -1;
    int err = dx + dy;
    int x = ax, y = ay;
    while (x != bx || y != by) {
        plot(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

}  // namespace

TCanvas::TCanvas(QPaintDevice* device) : Painter(device)
{
    Clip = {0, 0, device->width(), device->height()};
    Painter.setRenderHint(QPainter::Antialiasing, false);
    // The painter holds the image's only copy by now, so these are the pixels it paints.
    if (Painter.isActive() && WritableImage(device) && !Painter.hasClipping()
        && Painter.worldTransform().type() == QTransform::TxNone) {
        auto* image = static_cast<QImage*>(device);
        Pixels = image->bits();
        PixelStride = image->bytesPerLine();
    }
}

TCanvas::~TCanvas() = default;

int TCanvas::DeviceX(int x) const
{
    return static_cast<int>(x * ScaleX);
}

int TCanvas::DeviceY(int y) const
{
    return static_cast<int>(y * ScaleY);
}

void TCanvas::MoveTo(int x, int y)
{
    PenX = x;
    PenY = y;
}

void TCanvas::LineTo(int x, int y)
{
    DeviceLine(DeviceX(PenX), DeviceY(PenY), DeviceX(x), DeviceY(y));
    PenX = x;
    PenY = y;
}

void TCanvas::DeviceLine(int ax, int ay, int bx, int by)
{
    if (ax == bx && ay == by)
        return;
    if (Pixels && Pen.Width <= 1) {
        const uint32_t argb = Argb(Pen.Color);
        if (ay == by) {
            PixelSpan(bx > ax ? ax : bx + 1, ay, std::abs(bx - ax), argb);
            return;
        }
        if (ax == bx) {
            const int from = by > ay ? ay : by + 1;
            PixelFill({ax, from, ax + 1, from + std::abs(by - ay)}, argb);
            return;
        }
        ForEachLinePoint(ax, ay, bx, by, [&](int x, int y) { PixelSpan(x, y, 1, argb); });
        return;
    }
    const QColor color = ToQColor(Pen.Color);
    if (Pen.Width > 1) {
        QPen pen(color, Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        Painter.setPen(pen);
        Painter.drawLine(ax, ay, bx, by);
        return;
    }
    // One-pixel pens: the end point stays unpainted, whatever the direction.
    if (ay == by) {
        const int from = bx > ax ? ax : bx + 1;
        Painter.fillRect(QRect(from, ay, std::abs(bx - ax), 1), color);
        return;
    }
    if (ax == bx) {
        const int from = by > ay ? ay : by + 1;
        Painter.fillRect(QRect(ax, from, 1, std::abs(by - ay)), color);
        return;
    }
    QVarLengthArray<QPoint, 256> points;
    ForEachLinePoint(ax, ay, bx, by, [&](int x, int y) { points.append(QPoint(x, y)); });
    QPen pen(color, 0);
    Painter.setPen(pen);
    Painter.drawPoints(points.constData(), int(points.size()));
}

void TCanvas::PixelSpan(int x, int y, int n, uint32_t argb)
{
    PixelFill({x, y, x + n, y + 1}, argb);
}

void TCanvas::PixelFill(const TRect& r, uint32_t argb)
{
    const int left = std::max(r.Left, 0), right = std::min(r.Right, Clip.Right);
    const int top = std::max(r.Top, 0), bottom = std::min(r.Bottom, Clip.Bottom);
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(Pixels + PixelStride * y);
        std::fill(row + left, row + std::max(left, right), argb);
    }
}

void TCanvas::FillRect(const TRect& r)
{
    FillDeviceRect({DeviceX(r.Left), DeviceY(r.Top), DeviceX(r.Right), DeviceY(r.Bottom)});
}

void TCanvas::FillDeviceRect(const TRect& r)
{
    if (Brush.Style == TBrushStyle::Clear || r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    // Large areas fill faster through the painter's own routines.
    if (Pixels && int64_t(r.Width()) * r.Height() <= LargeFillPixels) {
        PixelFill(r, Argb(Brush.Color));
        return;
    }
    Painter.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(Brush.Color));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    int l = DeviceX(left), t = DeviceY(top), r = DeviceX(right), b = DeviceY(bottom);
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    if (r == l || b == t)
        return;
    FillDeviceRect({l, t, r, b});
    const int w = std::max(1, std::min({Pen.Width, r - l, b - t}));
    if (Pixels) {
        const uint32_t argb = Argb(Pen.Color);
        PixelFill({l, t, r, t + w}, argb);
        PixelFill({l, b - w, r, b}, argb);
        PixelFill({l, t, l + w, b}, argb);
        PixelFill({r - w, t, r, b}, argb);
        return;
    }
    const QColor color = ToQColor(Pen.Color);
    Painter.fillRect(QRect(l, t, r - l, w), color);
    Painter.fillRect(QRect(l, b - w, r - l, w), color);
    Painter.fillRect(QRect(l, t, w, b - t), color);
    Painter.fillRect(QRect(r - w, t, w, b - t), color);
}

void TCanvas::ApplyFont()
{
    if (FontApplied && Font.Name == AppliedFont.Name && Font.Size == AppliedFont.Size && Font.Bold == AppliedFont.Bold)
        return;
    AppliedFont = Font;
    FontApplied = true;
    QFont font(Font.Name);
    font.setPointSize(std::max(1, Font.Size));
    font.setBold(Font.Bold);
    if (Painter.font() != font)
        Painter.setFont(font);
}

QSize TCanvas::TextExtent(const QString& text)
{
    ApplyFont();
    const QFontMetrics metrics = Painter.fontMetrics();
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

QSize TCanvas::LogicalTextExtent(const QString& text)
{
    const QSize size = TextExtent(text);
    return QSize(static_cast<int>(size.width() / ScaleX), static_cast<int>(size.height() / ScaleY));
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    ApplyFont();
    const QFontMetrics metrics = Painter.fontMetrics();
    const int dx = DeviceX(x), dy = DeviceY(y);
    if (Brush.Style == TBrushStyle::Solid) {
        const TRect box{dx, dy, dx + metrics.horizontalAdvance(text), dy + metrics.height()};
        if (Pixels)
            PixelFill(box, Argb(Brush.Color));
        else
            Painter.fillRect(QRect(box.Left, box.Top, box.Width(), box.Height()), ToQColor(Brush.Color));
    }
    Painter.setPen(ToQColor(Font.Color));
    Painter.drawText(dx, dy + metrics.ascent(), text);
    platform::ClearUpperVectorState();
}
