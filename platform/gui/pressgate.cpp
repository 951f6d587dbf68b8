#include "platform/gui/pressgate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

PressGate::PressGate(QAbstractButton* button) : QObject(button), m_button(button) {}

PressGate::~PressGate() { Reset(); }

void PressGate::MeaningChanged()
{
    if (!Armed())
        qApp->installEventFilter(this);
    m_changed.start();
}

void PressGate::Reset()
{
    if (Armed())
        qApp->removeEventFilter(this);
    m_changed.invalidate();
}

bool PressGate::WithinInterval() const
{
    return m_changed.elapsed() < QApplication::doubleClickInterval();
}

bool PressGate::eventFilter(QObject* receiver, QEvent* e)
{
    if (!m_button)
        return false;
    // Mouse and keys reach a window's platform side first, then its widgets.
    QWidget* window = m_button->window();
    const bool inWindow = receiver == window->windowHandle()
                          || (receiver->isWidgetType() && static_cast<QWidget*>(receiver)->window() == window);
    if (!inWindow)
        return false;
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!WithinInterval())
            return false;
        const QPointF at = static_cast<QMouseEvent*>(e)->globalPosition();
        return m_button->rect().contains(m_button->mapFromGlobal(at.toPoint()));
    }
    case QEvent::KeyPress: {
        // Enter reaches the button from anywhere in the window, Space only where it has the focus.
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool presses = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
                             || ((key->key() == Qt::Key_Space || key->key() == Qt::Key_Select) && m_button->hasFocus());
        return presses && (key->isAutoRepeat() || WithinInterval());
    }
    default:
        return false;
    }
}
