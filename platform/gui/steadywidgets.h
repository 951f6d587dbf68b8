#pragma once
#include <QFont>
#include <QLabel>
#include <QStyledItemDelegate>

class QComboBox;

namespace platform {

// A label that is not sized by its text (a fixed-size label of the original windows): a new
// text repaints it but neither measures the text nor lays the window out again. Text wider
// than the label is cut; its height holds the marks above capitals ("Ü") whole.
class SteadyLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    mutable QFont m_font;
    mutable int m_textHeight = -1;
};

// Rows of one height (a list box with a fixed item height): the row size is measured once per
// font and length class instead of on every change of an entry's text.
class UniformRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    mutable QSize m_size;
    mutable QFont m_font;
    mutable qsizetype m_length = -1;
};

// Lets the box follow its entries' width (AdjustToContents) from its first polish, when it is
// first laid out or shown: set at once, the policy makes the box build its drop-down list at
// once, which a window that is never opened pays for at every start.
void AdjustToContentsWhenPolished(QComboBox* box);

}  // namespace platform
