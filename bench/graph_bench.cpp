#include <QImage>
#include <QLabel>
#include <memory>

#include "data/daymodel.h"
#include "app/graph/graphcurves.h"
#include "app/graph/graphgeometry.h"
#include "app/graph/graphgrid.h"
#include "app/graph/readout.h"
#include "app/setlanguage.h"
#include "bench.h"
#include "peers/dbbwriter.h"

namespace {

// The three views of a full day drawn into an image as the window's 1400 x 900 graph
// has it (5 pixels per dB, averages on), and the read-out of one pointer move per view.
void GraphDrawing()
{
    SetLanguage(0);
    auto samples = std::make_unique<TSampleBuffer>();
    auto levels = std::make_unique<TMinuteLevels>();
    const int64_t day = dbbtest::UtcSeconds(2007, 11, 23);
    for (int i = 0; i < SampleBufferWords; ++i)
        (*samples)[i] = dbbtest::PositionWord(day + 60 * (i / 100), i % 100) | (i % 997 == 0 ? Overload : 0);
    for (int m = 0; m < MinutesPerDay; ++m)
        (*levels)[m] = CalcLeq(samples->data() + 100 * m, 100);
    const int32_t ranges[10] = {22, 24, 0, 6, 6, 7, 20, 22, -1, -1};
    std::array<double, 1200> hourLevels{};

    TGraphScene scene;
    scene.DayHasData = true;
    scene.PixelsPerDb = graph::PixelsPerDbForHeight(900);
    scene.HourRanges = ranges;
    scene.ZoneSuffix = " (UTC+01:00)";
    scene.SampleBuffer = *samples;
    scene.MinuteLevels = *levels;
    scene.Average = true;
    scene.Leq = CalcLeq;
    QImage image(1392, 100 * scene.PixelsPerDb + 86, QImage::Format_RGB32);

    const auto draw = [&](int zoom) {
        scene.ZoomLevel = zoom;
        scene.ViewHour = 14;
        scene.ViewMinute = 50;
        TCanvas canvas(&image);
        TGraphGrid grid(canvas, scene);
        graph::TGraphFrame frame;
        if (zoom == 0) {
            frame = grid.DrawDayGrid();
            TGraphCurves(canvas, scene, frame).DrawDayCurve();
        } else if (zoom == 1) {
            frame = grid.DrawHourGrid(14);
            TGraphCurves(canvas, scene, frame).DrawHourCurves(14, hourLevels);
        } else {
            frame = grid.DrawMinuteGrid(14, 50);
            TGraphCurves(canvas, scene, frame).DrawMinuteCurves(14, 50);
        }
    };
    // The yardstick: one fill of the same image, so the ratio holds on another machine.
    const std::vector<double> t = bench::AlternatingMedians(
        5, 31, {[&] { draw(0); }, [&] { draw(1); }, [&] { draw(2); }, [&] { image.fill(0xFF008080); }});
    bench::Figure("graph_draw_whole_day", t[0] / 1000.0, "ms");
    bench::Figure("graph_draw_two_hours", t[1] / 1000.0, "ms");
    bench::Figure("graph_draw_twelve_minutes", t[2] / 1000.0, "ms");
    bench::Figure("graph_image_fill", t[3] / 1000.0, "ms");
    bench::Figure("graph_vs_fill", t[3] > 0 ? t[0] / t[3] : 0.0, "x");

    QLabel label;
    int p = 0;
    const double us = bench::MedianMicros(301, [&] {
        p = (p + 7) % 1200;
        const graph::TReadout readouts[] = {graph::DayReadout(p, *levels), graph::HourReadout(p, 14, hourLevels),
                                            graph::MinuteReadout(p, 14, 50, *samples)};
        for (const auto& r : readouts) {
            QPalette palette = label.palette();
            palette.setColor(QPalette::WindowText, ToQColor(r.Color));
            label.setPalette(palette);
            label.setText(r.Text);
        }
    });
    bench::Figure("graph_readout_three_views", us / 1000.0, "ms");
}

}  // namespace

QWL_BENCH(GraphDrawing);
