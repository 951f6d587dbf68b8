#pragma once
#include "app/graph/canvas.h"
#include "app/graph/graphgeometry.h"
#include "app/graph/graphscene.h"

// Background, bands, grid, ticks and labels of the three zoom levels, on the
// screen (teal surround, scrolled origin, grey inner labels) or on paper
// (framed, centred on the page's height).
class TGraphGrid {
public:
    TGraphGrid(TCanvas& canvas, const TGraphScene& scene);

    graph::TGraphFrame DrawDayGrid();
    graph::TGraphFrame DrawHourGrid(int hour);
    graph::TGraphFrame DrawMinuteGrid(int hour, int minute);

private:
    graph::TGraphFrame DrawBackground(int zoomLevel);
    void DrawBands(const graph::TGraphFrame& f, const std::vector<graph::TBand>& bands);
    void DrawDbAxis(const graph::TGraphFrame& f, std::initializer_list<int> innerLabelX);
    void DrawTimeLabel(int x, int y1, const QString& label);
    void DrawBottomCaptions(const graph::TGraphFrame& f);
    void Line(int ax, int ay, int bx, int by);

    TCanvas& Canvas;
    const TGraphScene& Scene;
};

// The no-data text of the zoom level, left in the plot, one text height above its middle.
void DrawNoData(TCanvas& canvas, const graph::TGraphFrame& frame, int zoomLevel);
