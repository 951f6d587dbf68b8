#include "platform/gui/octetedits.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>

namespace platform {

OctetEdits::OctetEdits(const std::array<QLineEdit*, 4>& edits, QObject* parent) : QObject(parent), m_edits(edits)
{
    for (QLineEdit* edit : m_edits)
        edit->installEventFilter(this);
}

int OctetEdits::IndexOf(const QObject* watched) const
{
    for (int i = 0; i < 4; ++i)
        if (m_edits[i] == watched)
            return i;
    return -1;
}

bool OctetEdits::Fill(const QString& text)
{
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,3})[.,](\\d{1,3})[.,](\\d{1,3})[.,](\\d{1,3})$"));
    const QRegularExpressionMatch m = dotted.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    for (int i = 0; i < 4; ++i)
        m_edits[i]->setText(m.captured(i + 1));
    m_edits[3]->setFocus(Qt::OtherFocusReason);
    m_edits[3]->end(false);
    if (OnFilled)
        OnFilled();
    return true;
}

bool OctetEdits::PasteMenu(QLineEdit* edit, const QPoint& at)
{
    QMenu* menu = edit->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's Paste is the entry that names Paste's key; its actions carry no other mark.
    const QString pasteKey = u'\t' + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    for (QAction* action : menu->actions())
        if (action->text().endsWith(pasteKey)) {
            disconnect(action, &QAction::triggered, edit, nullptr);
            connect(action, &QAction::triggered, this, [this, edit] {
                if (!Fill(QGuiApplication::clipboard()->text()))
                    edit->paste();
            });
        }
    menu->popup(at);
    return true;
}

bool OctetEdits::eventFilter(QObject* watched, QEvent* event)
{
    const int i = IndexOf(watched);
    if (i < 0)
        return false;
    QLineEdit* edit = m_edits[i];
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste))
            return Fill(QGuiApplication::clipboard()->text());
        if (key->text() == QLatin1String(".") || key->text() == QLatin1String(",")) {
            if (i < 3) {
                m_edits[i + 1]->setFocus(Qt::TabFocusReason);
                m_edits[i + 1]->selectAll();
            }
            return true;
        }
        if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier && edit->text().isEmpty() && i > 0) {
            m_edits[i - 1]->setFocus(Qt::BacktabFocusReason);
            m_edits[i - 1]->end(false);
            return true;
        }
        return false;
    }
    case QEvent::ContextMenu: return PasteMenu(edit, static_cast<QContextMenuEvent*>(event)->globalPos());
    case QEvent::MouseButtonRelease: {
        // X11 pastes the selection with the middle button.
        const QClipboard* clipboard = QGuiApplication::clipboard();
        return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton && clipboard->supportsSelection()
               && Fill(clipboard->text(QClipboard::Selection));
    }
    default: return false;
    }
}

}  // namespace platform
