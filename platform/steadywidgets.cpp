#include "platform/steadywidgets.h"

namespace platform {

QSize SteadyLabel::sizeHint() const
{
    return minimumSizeHint();
}

QSize SteadyLabel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), fontMetrics().height() + m.top() + m.bottom() + 2 * margin()};
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

}  // namespace platform
