#pragma once
#include <QColor>
#include <QImage>
#include <QString>
#include <cstdint>

#include "comms/widgets/tapdbasecontrols.h"

// One lamp of the status lights: a 13 x 13 square in the lit or the unlit colour with a
// bevel, or a two-state glyph (lit image on the left half, dark image on the right half;
// the colour of its top-left pixel shows the parent's background).
// Colours are 0x00BBGGRR values. GUI thread only.
class TApdCustomStatusLight : public TApdBaseGraphicControl {
    Q_OBJECT
public:
    static constexpr int DefaultSize = 13;
    static constexpr std::uint32_t DefaultLitColor = 255;  // red
    static constexpr std::uint32_t DefaultNotLitColor = 32768;  // green

    explicit TApdCustomStatusLight(QWidget* parent = nullptr);

    const QImage& Glyph() const { return m_glyph; }
    // Takes a copy; a null image returns the lamp to its plain square.
    void SetGlyph(const QImage& glyph);

    bool Lit() const { return m_lit; }
    void SetLit(bool lit);

    std::uint32_t LitColor() const { return m_litColor; }
    void SetLitColor(std::uint32_t color);
    std::uint32_t NotLitColor() const { return m_notLitColor; }
    void SetNotLitColor(std::uint32_t color);

    // Keeps the glyph's size while a glyph is in use.
    void SetBounds(int left, int top, int width, int height);

    // After loading a stored layout: use the glyph when it holds an image.
    void Loaded();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QSize FixedSize() const;

    QImage m_glyph;
    bool m_lit = false;
    std::uint32_t m_litColor = DefaultLitColor;
    std::uint32_t m_notLitColor = DefaultNotLitColor;
    bool m_useGlyph = false;
};

class TApdStatusLight : public TApdCustomStatusLight {
    Q_OBJECT
public:
    using TApdCustomStatusLight::TApdCustomStatusLight;
};

// 0x00BBGGRR to a Qt colour.
QColor ColorFromBgr(std::uint32_t bgr);
