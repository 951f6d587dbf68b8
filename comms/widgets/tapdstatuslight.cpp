#include "comms/widgets/tapdstatuslight.h"

#include <QPainter>


QColor ColorFromBgr(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

TApdCustomStatusLight::TApdCustomStatusLight(QWidget* parent) : TApdBaseGraphicControl(parent)
{
    setFixedSize(DefaultSize, DefaultSize);
}

QSize TApdCustomStatusLight::FixedSize() const
{
    if (m_useGlyph)
        return QSize(m_glyph.width() / 2, m_glyph.height());
    return QSize(DefaultSize, DefaultSize);
}

QSize TApdCustomStatusLight::sizeHint() const { return FixedSize(); }

void TApdCustomStatusLight::SetGlyph(const QImage& glyph)
{
    m_glyph = glyph.convertToFormat(QImage::Format_RGB32);
    m_useGlyph = !m_glyph.isNull() && m_glyph.width() >= 2;
    setFixedSize(FixedSize());
    update();
}

void TApdCustomStatusLight::Loaded()
{
    m_useGlyph = !m_glyph.isNull() && m_glyph.width() >= 2;
    setFixedSize(FixedSize());
}

void TApdCustomStatusLight::SetBounds(int left, int top, int width, int height)
{
    if (m_useGlyph) {
        width = FixedSize().width();
        height = FixedSize().height();
    }
    setFixedSize(width, height);
    move(left, top);
}

void TApdCustomStatusLight::SetLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
}

void TApdCustomStatusLight::SetLitColor(std::uint32_t color)
{
    if (color == m_litColor)
        return;
    m_litColor = color;
    if (!m_useGlyph && m_lit)
        update();
}

void TApdCustomStatusLight::SetNotLitColor(std::uint32_t color)
{
    if (color == m_notLitColor)
        return;
    m_notLitColor = color;
    if (!m_useGlyph && !m_lit)
        update();
}

void TApdCustomStatusLight::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();
    if (m_useGlyph) {
        const int half = m_glyph.width() / 2;
        QImage part = m_glyph.copy(m_lit ? 0 : half, 0, half, m_glyph.height());
        // The glyph's top-left colour stands for "transparent": the parent shows through.
        const QRgb key = m_glyph.pixel(0, 0);
        const QWidget* bgOwner = parentWidget() ? parentWidget() : this;
        const QRgb background = bgOwner->palette().color(bgOwner->backgroundRole()).rgb();
        for (int y = 0; y < part.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                if (line[x] == key)
                    line[x] = background;
        }
        p.drawImage(0, 0, part);
        return;
    }
    p.fillRect(0, 0, w, h, ColorFromBgr(m_lit ? m_litColor : m_notLitColor));
    p.setPen(Qt::white);
    p.drawLine(0, 0, w - 1, 0);
    p.drawLine(0, 0, 0, h - 1);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(w - 1, 0, w - 1, h - 1);
    p.drawLine(0, h - 1, w - 1, h - 1);
}

