#include "platform/gui/waitcursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

WaitCursor::WaitCursor() : m_set(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
{
    if (m_set)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void WaitCursor::Restore()
{
    if (m_set && QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    m_set = false;
}

}  // namespace platform
