#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "app/graph/graphcurves.h"
#include "app/graph/graphgrid.h"
#include "data/runtimetexts.h"
#include "app/graph/graphsamples.h"

using namespace graph;

namespace {

double TestLeq(const uint16_t* samples, int n)
{
    double sum = 0.0;
    int c = n;
    for (int i = 0; i < n; ++i) {
        const double level = (samples[i] >> 2) * 0.015625;
        if (level >= 30.0 && level <= 127.0)
            sum += std::pow(10.0, 0.1 * level);
        else
            --c;
    }
    return c > 0 ? 10.0 * std::log10(sum / c) : 0.0;
}


const QColor Teal(0, 128, 128);

class GraphRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        TxtDbA = "dB(A)";
        TxtTime = "Uhrzeit";
        TxtNoDataOnDate = "Zu diesem Datum sind keine Messwerte vorhanden!";
        TxtNoDataAtTime = "Zu diesem Zeitpunkt sind keine Messwerte vorhanden!";
        FmtLeq3 = "Leq3: %5.1f dB(A)";
        Samples.assign(150000, 0);
        Minutes.assign(1440, 0.0);
        Hours.assign(1200, -1.0);
        Scene.HourRanges = Ranges22;
        Scene.DayHasData = true;
        Scene.Leq = TestLeq;
        Scene.ZoneSuffix = " (UTC+01:00)";
    }

    QImage Render(int width, int height, double scale = 1.0)
    {
        Scene.SampleBuffer = Samples;
        Scene.MinuteLevels = Minutes;
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::red);
        TCanvas c(&image);
        c.ScaleX = c.ScaleY = scale;
        TGraphGrid grid(c, Scene);
        if (Scene.ZoomLevel == 0) {
            Frame = grid.DrawDayGrid();
            TGraphCurves(c, Scene, Frame).DrawDayCurve();
        } else if (Scene.ZoomLevel == 1) {
            Frame = grid.DrawHourGrid(Scene.ViewHour);
            TGraphCurves(c, Scene, Frame).DrawHourCurves(Scene.ViewHour, Hours);
        } else {
            Frame = grid.DrawMinuteGrid(Scene.ViewHour, Scene.ViewMinute);
            TGraphCurves(c, Scene, Frame).DrawMinuteCurves(Scene.ViewHour, Scene.ViewMinute);
        }
        return image;
    }

    // Pixels of a colour; with a tolerance (per channel) also the anti-aliased edges of text,
    // whose exact shades depend on the fonts installed.
    static int Count(const QImage& image, const QColor& color, QRect area = QRect(), int tolerance = 0)
    {
        if (area.isNull())
            area = image.rect();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += std::abs(c.red() - color.red()) <= tolerance && std::abs(c.green() - color.green()) <= tolerance &&
                     std::abs(c.blue() - color.blue()) <= tolerance;
            }
        return n;
    }
    // Text ink: near its colour, farther from it than any line or band colour is.
    static constexpr int TextTolerance = 40;

    std::vector<uint16_t> Samples;
    std::vector<double> Minutes;
    std::vector<double> Hours;
    TGraphScene Scene;
    TGraphFrame Frame;
};

}  // namespace

TEST_F(GraphRender, WholeDayBandsTealSurroundAndFrame)
{
    const QImage image = Render(1700, 186);
    EXPECT_EQ(Frame.PlotRect, (TRect{50, 40, 1490, 140}));
    const int x0 = 50, y = 43;
    EXPECT_EQ(image.pixelColor(x0 + 10, y), Night);       // 00:10
    EXPECT_EQ(image.pixelColor(x0 + 359, y), Night);      // 05:59
    EXPECT_EQ(image.pixelColor(x0 + 419, y), Night);      // outline of the edge band
    EXPECT_EQ(image.pixelColor(x0 + 400, y), Edge);       // 06:40
    EXPECT_EQ(image.pixelColor(x0 + 422, y), White);      // 07:02
    EXPECT_EQ(image.pixelColor(x0 + 1250, y), Edge);      // 20:50
    EXPECT_EQ(image.pixelColor(x0 + 1400, y), Night);     // 23:20
    EXPECT_EQ(image.pixelColor(x0 + 1440, y), QColor(0, 0, 0));  // 24:00 line
    EXPECT_EQ(image.pixelColor(1600, 50), Teal);          // beyond the drawing
    EXPECT_EQ(image.pixelColor(1549, 184), White);
    EXPECT_EQ(image.pixelColor(1549, 185), Teal);
    EXPECT_EQ(image.pixelColor(1550, 50), Teal);
    // Silver 15-minute lines and the black 10-dB lines.
    EXPECT_EQ(image.pixelColor(x0 + 495, y), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(x0 + 700, 40 + 10), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(x0 + 700, 40 + 5), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(x0 - 5, 40 + 10), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(x0 - 6, 40 + 10), White);
    // Grey inner dB labels only on the screen.
    EXPECT_GT(Count(image, QColor(128, 128, 128), QRect(x0 + 400, 40, 80, 100), TextTolerance), 0);
}

TEST_F(GraphRender, DayCurveColourAtKnownMinutesAndPenUp)
{
    for (int i = 600; i < 660; ++i)
        Minutes[i] = 63.55;
    Minutes[700] = 80.0;  // single point between gaps: draws nothing
    for (int i = 800; i < 820; ++i)
        Minutes[i] = 140.0;
    Samples[0] = 60 << 8;
    const int L = 7;
    Scene.PixelsPerDb = L;
    const QImage image = Render(1600, 100 * L + 86);
    const int x0 = 50, y1 = 40 + 100 * L;
    const QColor blue(0, 0, 255);
    EXPECT_EQ(image.pixelColor(x0 + 630, y1 - 33 * L - 2), blue);
    EXPECT_EQ(image.pixelColor(x0 + 658, y1 - 33 * L - 2), blue);
    EXPECT_NE(image.pixelColor(x0 + 659, y1 - 33 * L - 2), blue);  // the line's end point
    EXPECT_NE(image.pixelColor(x0 + 700, y1 - 50 * L), blue);
    EXPECT_EQ(image.pixelColor(x0 + 810, y1 - 97 * L), blue);      // clamped at 127 dB
    EXPECT_EQ(Count(image, blue, QRect(x0 + 661, 40, 138, 100 * L)), 0);
    // The bold caption stands above the plot.
    EXPECT_GT(Count(image, QColor(0, 0, 0), QRect(x0 + 15, 10, 100, 20), TextTolerance), 10);
}

TEST_F(GraphRender, NoDataShowsTheTextAndTheFrame)
{
    Scene.DayHasData = false;
    Minutes[500] = Minutes[501] = 60.0;
    const QImage image = Render(1600, 186);
    const QColor noData(248, 48, 16);
    EXPECT_GT(Count(image, noData, QRect(60, 40, 700, 100), TextTolerance), 20);
    EXPECT_EQ(Count(image, QColor(0, 0, 255)), 0);
    EXPECT_EQ(image.pixelColor(60, 43), Night);
    Scene.ZoomLevel = 2;
    const QImage zoomed = Render(1600, 186);
    EXPECT_GT(Count(zoomed, noData, QRect(60, 40, 900, 100), TextTolerance),
              Count(image, noData, QRect(60, 40, 900, 100), TextTolerance));
}

TEST_F(GraphRender, ScrollingMovesEverythingLeft)
{
    for (int i = 0; i < 1440; ++i)
        Minutes[i] = 40 + i % 50;
    Samples[0] = 60 << 8;
    const QImage plain = Render(1600, 186);
    Scene.ScrollPosition = 100;
    const QImage scrolled = Render(1600, 186);
    EXPECT_EQ(Frame.DrawOriginX, -100);
    EXPECT_EQ(scrolled.copy(0, 0, 1400, 186), plain.copy(100, 0, 1400, 186));
    EXPECT_EQ(scrolled.pixelColor(0, 0), White);  // white starts at the left edge
    EXPECT_EQ(scrolled.pixelColor(1549, 0), White);
    EXPECT_EQ(scrolled.pixelColor(1550, 0), Teal);
}

TEST_F(GraphRender, TwoHourViewFrom2300TakesTheNextDaysFirstHour)
{
    for (int i = 138000; i < 144000; ++i)
        Samples[i] = 50 << 8;
    for (int i = 144000; i < 150000; ++i)
        Samples[i] = 70 << 8;
    Scene.ZoomLevel = 1;
    Scene.ViewHour = 23;
    const QImage image = Render(1320, 186);
    EXPECT_DOUBLE_EQ(Hours[0], 50.0);
    EXPECT_DOUBLE_EQ(Hours[1199], 70.0);
    const int x0 = 50, y1 = 140;
    const QColor green(0, 128, 0);
    EXPECT_EQ(image.pixelColor(x0 + 300, y1 - 20), green);
    EXPECT_EQ(image.pixelColor(x0 + 900, y1 - 40), green);
    EXPECT_EQ(image.pixelColor(x0 + 320, 43), Night);  // hour 23
    EXPECT_EQ(image.pixelColor(x0 + 920, 43), Night);  // hour 0
    // The average curve, one pixel wider, in blue.
    Scene.Average = true;
    const QImage averaged = Render(1320, 186);
    EXPECT_EQ(averaged.pixelColor(x0 + 905, y1 - 40), QColor(0, 0, 255));
}

TEST_F(GraphRender, TwelveMinuteBandsTicksAndRawCurve)
{
    const int s = 14 * 6000 + 50 * 100;
    for (int i = 0; i < 1200; ++i)
        Samples[s + i] = 60 << 8;
    Samples[s + 100] |= Overload;
    Samples[s + 300] |= UnderRange;
    const int32_t ranges[10] = {-1, -1, -1, -1, 15, 16, -1, -1, -1, -1};
    Scene.HourRanges = ranges;
    Scene.ZoomLevel = 2;
    Scene.ViewHour = 14;
    Scene.ViewMinute = 50;
    const QImage image = Render(1320, 186);
    const int x0 = 50, y1 = 140;
    EXPECT_EQ(image.pixelColor(x0 + 990, 43), White);  // 14:59
    EXPECT_EQ(image.pixelColor(x0 + 1010, 43), Edge);  // 15:00
    EXPECT_EQ(image.pixelColor(x0 + 500, y1 - 30), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(x0 + 100, y1 - 30 + 5), QColor(255, 0, 255));  // overload, down
    EXPECT_EQ(image.pixelColor(x0 + 300, y1 - 30 - 5), QColor(166, 202, 240));  // under-range, up
    EXPECT_EQ(image.pixelColor(x0 + 300, y1 - 30), QColor(255, 0, 0));  // the curve lies over it
}

TEST_F(GraphRender, PaperHasAFrameButNoTealAndNoGreyLabels)
{
    Scene.Printing = true;
    Scene.PixelsPerDb = 7;
    Minutes[100] = Minutes[101] = 60.0;
    const double scale = 2.0;
    const QImage image = Render(3200, 2400, scale);
    EXPECT_EQ(Frame.DrawOriginX, 5);
    EXPECT_EQ(Frame.DrawOriginY, int(2400 / scale * 0.5 - 350));
    EXPECT_EQ(Count(image, Teal), 0);
    // Where the screen has its grey inner labels (left of 08:00), paper has no ink.
    const QRect inner((50 + 5 + 440) * 2, (Frame.DrawOriginY + 40 + 5) * 2, 76, 100 * 7 * 2 - 20);
    EXPECT_EQ(Count(image, QColor(255, 255, 255), inner) + Count(image, QColor(192, 192, 192), inner) +
                  Count(image, QColor(0, 0, 0), inner),
              inner.width() * inner.height());
    // The black frame at the scaled origin.
    EXPECT_EQ(image.pixelColor(10, Frame.DrawOriginY * 2 + 100), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(9, Frame.DrawOriginY * 2 + 100), QColor(255, 0, 0));  // untouched
    EXPECT_EQ(image.pixelColor(Frame.PlotRect.Left * 2 + 20, Frame.PlotRect.Top * 2 + 6), Night);
}
