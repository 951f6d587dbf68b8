#pragma once
#include <QFont>
#include <QPainter>
#include <QSize>
#include <QString>
#include <cstdint>

#include "app/graph/graphtypes.h"

QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

enum class TBrushStyle { Solid, Clear };

// A drawing surface with the semantics the graph routines are written for:
// lines leave out their end point, rectangles leave out their right and bottom
// edge, text is anchored at its top-left corner, and every logical point (x, y)
// lands on device pixel (trunc(x * ScaleX), trunc(y * ScaleY)).
// Pen widths and text sizes are device units (font sizes are points of the device).
class TCanvas {
public:
    struct TPen {
        TColor Color = 0x000000;
        int Width = 1;
    };
    struct TBrush {
        TColor Color = 0xFFFFFF;
        TBrushStyle Style = TBrushStyle::Solid;
    };
    struct TFont {
        QString Name = QStringLiteral("Arial");
        int Size = 8;
        bool Bold = false;
        TColor Color = 0x000000;
    };

    explicit TCanvas(QPaintDevice* device);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // False when the device could not be opened for drawing (a printer that fails).
    bool IsActive() const { return Painter.isActive(); }
    // Ends the drawing (for a printer: the document); false when that failed.
    bool End() { return Painter.isActive() ? Painter.end() : false; }

    TPen Pen;
    TBrush Brush;
    TFont Font;
    double ScaleX = 1.0;
    double ScaleY = 1.0;

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // Fills with the brush, no outline.
    void FillRect(const TRect& r);
    // Fills a rectangle given in device pixels (the clip rectangle, for example).
    void FillDeviceRect(const TRect& r);
    // Outline with the pen, inside filled with the brush (unless the brush is clear).
    void Rectangle(int left, int top, int right, int bottom);
    // Opaque background in the brush colour unless the brush is clear.
    void TextOut(int x, int y, const QString& text);

    // Sizes in device units.
    QSize TextExtent(const QString& text);
    int TextHeight(const QString& text) { return TextExtent(text).height(); }
    // Size in logical units: device size divided by the scale, truncated.
    QSize LogicalTextExtent(const QString& text);

    // The whole device surface, in device pixels.
    TRect ClipRect() const { return Clip; }

    int DeviceX(int x) const;
    int DeviceY(int y) const;

private:
    void ApplyFont();
    void DeviceLine(int ax, int ay, int bx, int by);
    // One-pixel lines and solid fills go straight into the pixels of a 32-bit image
    // without clipping or transform; other devices (the printer) take the painter's way.
    void PixelSpan(int x, int y, int n, uint32_t argb);
    void PixelFill(const TRect& r, uint32_t argb);

    QPainter Painter;
    TRect Clip;
    int PenX = 0;
    int PenY = 0;
    uchar* Pixels = nullptr;
    qsizetype PixelStride = 0;
    // The font last handed to the painter.
    TFont AppliedFont;
    bool FontApplied = false;
};
