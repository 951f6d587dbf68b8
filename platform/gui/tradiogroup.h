#pragma once
#include <QButtonGroup>
#include <QGroupBox>
#include <QList>
#include <QRadioButton>
#include <QStringList>

class QVBoxLayout;

// A captioned group of radio buttons addressed by index, as the program's dialogs use it.
// Setting ItemIndex in code emits clicked() again, as the original control raised its click
// event; handlers are expected to find nothing to do in that nested call.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    // Replaces all items (the selection is cleared).
    void SetItems(const QStringList& items);
    // Replaces the caption of one existing item in place.
    void SetItem(int index, const QString& text);
    QString Item(int index) const;
    int Count() const { return int(m_buttons.size()); }

    int ItemIndex() const;  // -1: nothing selected
    void SetItemIndex(int index);

Q_SIGNALS:
    void clicked(int index);  // by the user or by SetItemIndex

private:
    QVBoxLayout* m_layout;
    QButtonGroup* m_group;
    QList<QRadioButton*> m_buttons;
};
