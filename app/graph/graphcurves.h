#pragma once
#include <span>

#include "app/graph/canvas.h"
#include "app/graph/graphgeometry.h"
#include "app/graph/graphscene.h"
#include "app/graph/levelscale.h"

// The level curves and the Leq3 caption of each zoom level, drawn over the grid
// of the same drawing; a day without data gets the no-data text instead.
class TGraphCurves {
public:
    TGraphCurves(TCanvas& canvas, const TGraphScene& scene, const graph::TGraphFrame& frame);

    void DrawDayCurve();
    // Also stores the 6-s level of each column in hourLevels (1200 entries).
    void DrawHourCurves(int hour, std::span<double> hourLevels);
    void DrawMinuteCurves(int hour, int minute);

private:
    double Leq(int start, int count) const;
    void DrawCaption(int start, int count);
    void DrawCaptionOf(double leq);
    void DrawCurve(const graph::TCurve& curve);
    void DrawAverage(int start, int blockSize, int tailSize, TColor color);

    TCanvas& Canvas;
    const TGraphScene& Scene;
    const graph::TGraphFrame& Frame;
};

inline constexpr TColor ClCurveBlue = 0xFF0000;
inline constexpr TColor ClCurveGreen = 0x008000;
inline constexpr TColor ClCurveRed = 0x0000FF;
