#include "platform/gui/steadywidgets.h"

#include <QComboBox>
#include <QEvent>
#include <algorithm>

namespace platform {

QSize SteadyLabel::sizeHint() const
{
    return minimumSizeHint();
}

QSize SteadyLabel::minimumSizeHint() const
{
    if (m_textHeight < 0 || font() != m_font) {
        // In many fonts the dots of "Ü" reach above the ascent; the line is centred, so the
        // room they need is added above and below.
        const QFontMetrics fm = fontMetrics();
        const int above = -fm.tightBoundingRect(QString::fromUtf8("ÄÖÜÅÉÊ")).top() - fm.ascent();
        m_textHeight = fm.height() + 2 * std::max(0, above);
        m_font = font();
    }
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), m_textHeight + m.top() + m.bottom() + 2 * margin()};
}

QSize UniformRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // A longer entry (one that gained its result) is measured again, so the width still
    // covers it; texts of one length share their size.
    const qsizetype length = index.data(Qt::DisplayRole).toString().size();
    if (!m_size.isValid() || option.font != m_font || length > m_length) {
        m_size = QStyledItemDelegate::sizeHint(option, index);
        m_font = option.font;
        m_length = length;
    }
    return m_size;
}

namespace {

class AdjustOnPolish : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish) {
            watched->removeEventFilter(this);
            static_cast<QComboBox*>(watched)->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            deleteLater();
        }
        return false;
    }
};

}  // namespace

void AdjustToContentsWhenPolished(QComboBox* box)
{
    box->installEventFilter(new AdjustOnPolish(box));
}

}  // namespace platform
