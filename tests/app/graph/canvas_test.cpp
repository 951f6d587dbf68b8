#include <QImage>
#include <QPixmap>
#include <random>
#include <gtest/gtest.h>

#include "app/graph/canvas.h"

namespace {

QImage Blank(int w = 40, int h = 30)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Painted pixels of one row or column as a string of '#' and '.'.
QString Row(const QImage& image, int y, int from, int to)
{
    QString s;
    for (int x = from; x <= to; ++x)
        s += image.pixel(x, y) == 0xFFFFFFFF ? '.' : '#';
    return s;
}

QString Column(const QImage& image, int x, int from, int to)
{
    QString s;
    for (int y = from; y <= to; ++y)
        s += image.pixel(x, y) == 0xFFFFFFFF ? '.' : '#';
    return s;
}

}  // namespace

TEST(Canvas, ColoursAreBlueGreenRed)
{
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ToQColor(0x808000), QColor(0, 128, 128));
    EXPECT_EQ(FromQColor(QColor(136, 248, 248)), 0xF8F888u);
}

TEST(Canvas, LinesLeaveOutTheirEndPointInEveryDirection)
{
    QImage image = Blank();
    {
        TCanvas c(&image);
        c.MoveTo(2, 1);
        c.LineTo(6, 1);   // right
        c.MoveTo(10, 3);
        c.LineTo(6, 3);   // left
        c.MoveTo(20, 2);
        c.LineTo(20, 6);  // down
        c.MoveTo(22, 9);
        c.LineTo(22, 5);  // up
        c.MoveTo(2, 10);
        c.LineTo(8, 13);  // diagonal
        c.MoveTo(30, 20);
        c.LineTo(26, 16); // diagonal, backwards
    }
    EXPECT_EQ(Row(image, 1, 1, 7), ".####..");
    EXPECT_EQ(Row(image, 3, 5, 11), "..####.");
    EXPECT_EQ(Column(image, 20, 1, 7), ".####..");
    EXPECT_EQ(Column(image, 22, 4, 10), "..####.");
    EXPECT_NE(image.pixel(2, 10), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(8, 13), 0xFFFFFFFFu);
    EXPECT_NE(image.pixel(30, 20), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(26, 16), 0xFFFFFFFFu);
    EXPECT_NE(image.pixel(27, 17), 0xFFFFFFFFu);
}

TEST(Canvas, RectanglesLeaveOutRightAndBottomEdges)
{
    QImage image = Blank();
    {
        TCanvas c(&image);
        c.Pen.Color = 0x0000FF;
        c.Brush.Color = 0x00FF00;
        c.Rectangle(2, 2, 8, 6);
        c.Brush.Color = 0xFF0000;
        c.FillRect({20, 2, 24, 5});
    }
    EXPECT_EQ(Row(image, 3, 1, 9), ".######..");
    EXPECT_EQ(Column(image, 4, 1, 7), ".####..");
    EXPECT_EQ(image.pixel(2, 2), QColor(255, 0, 0).rgb());   // outline in the pen colour
    EXPECT_EQ(image.pixel(7, 5), QColor(255, 0, 0).rgb());
    EXPECT_EQ(image.pixel(4, 3), QColor(0, 255, 0).rgb());   // inside in the brush colour
    EXPECT_EQ(Row(image, 3, 19, 25), ".####..");
    EXPECT_EQ(Column(image, 21, 1, 6), ".###..");
    EXPECT_EQ(image.pixel(21, 3), QColor(0, 0, 255).rgb());
}

TEST(Canvas, LogicalPointsAreScaledAndTruncated)
{
    QImage image = Blank(60, 30);
    {
        TCanvas c(&image);
        c.ScaleX = 2.5;
        c.ScaleY = 2.5;
        c.MoveTo(3, 1);   // device (7, 2)
        c.LineTo(7, 1);   // device (17, 2), left out
        c.Brush.Color = 0;
        c.FillRect({1, 3, 3, 5});  // device x 2..6, y 7..11
        EXPECT_EQ(c.DeviceX(-3), -7);  // toward zero
    }
    EXPECT_EQ(Row(image, 2, 6, 18), ".##########..");
    EXPECT_EQ(Row(image, 9, 1, 8), ".#####..");
    EXPECT_EQ(Column(image, 3, 6, 13), ".#####..");
}

TEST(Canvas, TextIsAnchoredTopLeftAndOpaqueUnlessTheBrushIsClear)
{
    QImage image = Blank(120, 60);
    QSize extent;
    {
        TCanvas c(&image);
        c.Font.Size = 10;
        extent = c.TextExtent("Hg130");
        c.Brush.Color = 0x00FF00;
        c.TextOut(10, 5, "Hg130");
        c.Brush.Style = TBrushStyle::Clear;
        c.TextOut(10, 30, "Hg130");
        EXPECT_EQ(c.LogicalTextExtent("Hg130"), extent);
        c.ScaleX = 2.0;
        c.ScaleY = 3.0;
        EXPECT_EQ(c.LogicalTextExtent("Hg130"), QSize(extent.width() / 2, extent.height() / 3));
    }
    ASSERT_GT(extent.width(), 10);
    // Opaque: the corner of the text box carries the brush colour, nothing above it.
    EXPECT_EQ(image.pixel(10, 5), QColor(0, 255, 0).rgb());
    EXPECT_EQ(image.pixel(10, 4), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(9, 5), 0xFFFFFFFFu);
    // Transparent: ink inside the box below (10, 30), none above or left of it.
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (y >= 25 && image.pixel(x, y) != 0xFFFFFFFFu) {
                ++ink;
                EXPECT_GE(y, 30);
                EXPECT_LT(y, 30 + extent.height());
                EXPECT_GE(x, 9);
                EXPECT_LT(x, 10 + extent.width() + 1);
            }
    EXPECT_GT(ink, 20);
}

TEST(Canvas, WidePensDrawThickerLines)
{
    QImage image = Blank();
    {
        TCanvas c(&image);
        c.Pen.Width = 3;
        c.MoveTo(5, 10);
        c.LineTo(30, 10);
    }
    EXPECT_NE(image.pixel(15, 9), 0xFFFFFFFFu);
    EXPECT_NE(image.pixel(15, 11), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(15, 13), 0xFFFFFFFFu);
}

// An image is drawn straight into its pixels, other devices through the painter; both ways
// give the same pixels, also for shapes that leave the surface.
TEST(Canvas, ImagePixelsMatchThePaintersOnRandomShapes)
{
    std::mt19937 rng(7);
    const auto coordinate = [&](int size) { return int(rng() % unsigned(size + 40)) - 20; };
    for (const double scale : {1.0, 1.5}) {
        QImage image = Blank(90, 70);
        QPixmap pixmap(90, 70);
        pixmap.fill(Qt::white);
        const auto draw = [&](QPaintDevice* device, std::mt19937 shapes) {
            std::swap(rng, shapes);
            TCanvas c(device);
            c.ScaleX = c.ScaleY = scale;
            for (int i = 0; i < 300; ++i) {
                c.Pen.Color = rng() & 0xFFFFFF;
                c.Brush.Color = rng() & 0xFFFFFF;
                c.Brush.Style = rng() % 4 == 0 ? TBrushStyle::Clear : TBrushStyle::Solid;
                c.Pen.Width = rng() % 5 == 0 ? 2 : 1;
                const int ax = coordinate(90), ay = coordinate(70), bx = coordinate(90), by = coordinate(70);
                switch (rng() % 5) {
                case 0:
                    c.MoveTo(ax, ay);
                    c.LineTo(bx, ay);
                    break;
                case 1:
                    c.MoveTo(ax, ay);
                    c.LineTo(ax, by);
                    break;
                case 2:
                    c.MoveTo(ax, ay);
                    c.LineTo(bx, by);
                    break;
                case 3:
                    c.Rectangle(ax, ay, bx, by);
                    break;
                default:
                    c.FillRect({ax, ay, bx, by});
                }
            }
            c.Brush.Style = TBrushStyle::Solid;
            c.TextOut(3, 3, "12:00");
            std::swap(rng, shapes);
        };
        draw(&image, rng);
        draw(&pixmap, rng);
        EXPECT_TRUE(image == pixmap.toImage().convertToFormat(QImage::Format_RGB32)) << "scale " << scale;
    }
}
