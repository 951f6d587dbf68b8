#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "comms/widgets/tapdbasecontrols.h"
#include "comms/widgets/tapdstatuslight.h"

namespace {

QRgb pixelAt(QWidget& w, int x, int y)
{
    return w.grab().toImage().pixel(x, y) & 0xFFFFFF;
}

}  // namespace

TEST(StatusLight, PlainLampShowsItsColoursWithABevel)
{
    QWidget parent;
    TApdStatusLight lamp(&parent);
    EXPECT_EQ(lamp.size(), QSize(13, 13));
    EXPECT_EQ(lamp.Version(), "v4.06");

    // Unlit: green (32768), white top/left, grey right/bottom edge.
    EXPECT_EQ(pixelAt(lamp, 6, 6), 0x008000u);
    EXPECT_EQ(pixelAt(lamp, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(lamp, 0, 6), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(lamp, 6, 0), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(lamp, 12, 6), 0x808080u);
    EXPECT_EQ(pixelAt(lamp, 6, 12), 0x808080u);
    EXPECT_EQ(pixelAt(lamp, 12, 12), 0x808080u);

    lamp.SetLit(true);
    EXPECT_EQ(pixelAt(lamp, 6, 6), 0xFF0000u);  // 255 is red in 0x00BBGGRR

    lamp.SetLitColor(0xFF0000);  // blue
    EXPECT_EQ(pixelAt(lamp, 6, 6), 0x0000FFu);
    lamp.SetNotLitColor(0x00FFFF);  // yellow
    lamp.SetLit(false);
    EXPECT_EQ(pixelAt(lamp, 6, 6), 0xFFFF00u);
    lamp.SetVersion("x");
    EXPECT_EQ(lamp.Version(), "v4.06");
}

// Every visual base, as a stored form sets and reads it (through the property system).
TEST(StatusLight, EveryControlBaseReadsItsFixedVersion)
{
    TApdBaseWinControl win;
    TApdBaseOleControl ole;
    TApdBaseGraphicControl graphic;
    TApdBaseScrollingWinControl scrolling;
    for (QWidget* w : std::initializer_list<QWidget*>{&win, &ole, &graphic, &scrolling}) {
        EXPECT_TRUE(w->setProperty("Version", "v9.99")) << w->metaObject()->className();
        EXPECT_EQ(w->property("Version").toString(), "v4.06") << w->metaObject()->className();
    }
}

TEST(StatusLight, GlyphShowsItsHalvesAndLetsTheBackgroundThrough)
{
    QWidget parent;
    QPalette pal = parent.palette();
    pal.setColor(parent.backgroundRole(), QColor(0x12, 0x34, 0x56));
    parent.setPalette(pal);
    TApdStatusLight lamp(&parent);

    // 20 x 8: left half lit (yellow centre), right half dark (black centre), magenta frame
    // as the transparent colour (taken from the top-left pixel).
    QImage glyph(20, 8, QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255));
    {
        QPainter p(&glyph);
        p.fillRect(2, 2, 6, 4, QColor(255, 255, 0));
        p.fillRect(12, 2, 6, 4, QColor(0, 0, 0));
    }
    lamp.SetGlyph(glyph);
    EXPECT_EQ(lamp.size(), QSize(10, 8));
    lamp.SetBounds(5, 5, 40, 40);
    EXPECT_EQ(lamp.size(), QSize(10, 8));  // the glyph decides the size

    EXPECT_EQ(pixelAt(lamp, 4, 4), 0x000000u);
    EXPECT_EQ(pixelAt(lamp, 0, 0), 0x123456u);
    lamp.SetLit(true);
    EXPECT_EQ(pixelAt(lamp, 4, 4), 0xFFFF00u);
    EXPECT_EQ(pixelAt(lamp, 9, 7), 0x123456u);

    lamp.SetGlyph(QImage());
    EXPECT_EQ(lamp.size(), QSize(13, 13));
    EXPECT_EQ(pixelAt(lamp, 6, 6), 0xFF0000u);
}
