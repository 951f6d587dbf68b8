#pragma once
#include <QObject>
#include <array>
#include <functional>

class QLineEdit;

namespace platform {

// Four edits of one dotted IPv4 address that behave as the address fields of a desktop: "." or
// "," typed in one moves on to the next, its text selected; a dotted address pasted into any
// of them (keys, context menu, middle button) fills all four; Backspace in an empty field goes
// back to the end of the one before.
class OctetEdits : public QObject {
public:
    OctetEdits(const std::array<QLineEdit*, 4>& edits, QObject* parent);

    // Four numbers of up to three digits, separated by "." (or ","), into the fields, and the
    // focus to the last; false, and nothing changed, for any other text.
    bool Fill(const QString& text);
    // Runs after a paste filled the fields; their textEdited is not raised then.
    std::function<void()> OnFilled;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int IndexOf(const QObject* watched) const;
    bool PasteMenu(QLineEdit* edit, const QPoint& at);

    std::array<QLineEdit*, 4> m_edits;
};

}  // namespace platform
