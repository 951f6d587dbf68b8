#include "platform/gui/tradiogroup.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), m_layout(new QVBoxLayout(this)), m_group(new QButtonGroup(this))
{
    m_group->setExclusive(true);
    m_layout->setContentsMargins(6, 0, 6, 0);
    m_layout->setSpacing(0);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) { Q_EMIT clicked(id); });
}

void TRadioGroup::SetItems(const QStringList& items)
{
    for (QRadioButton* b : m_buttons) {
        m_group->removeButton(b);
        delete b;
    }
    m_buttons.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        m_layout->addWidget(b);
        m_group->addButton(b, i);
        m_buttons.append(b);
    }
}

void TRadioGroup::SetItem(int index, const QString& text)
{
    if (index >= 0 && index < m_buttons.size())
        m_buttons[index]->setText(text);
}

QString TRadioGroup::Item(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons[index]->text() : QString();
}

int TRadioGroup::ItemIndex() const { return m_group->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < m_buttons.size()) {
        m_buttons[index]->setChecked(true);
    } else if (QAbstractButton* b = m_group->checkedButton()) {
        m_group->setExclusive(false);
        b->setChecked(false);
        m_group->setExclusive(true);
    m_layout->setContentsMargins(6, 0, 6, 0);
    m_layout->setSpacing(0);
    }
    Q_EMIT clicked(ItemIndex());
}
