#include "platform/gui/paintthrottle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace platform {

PaintThrottle::PaintThrottle(QWidget* window, int intervalMs)
    : QObject(window), m_window(window), m_intervalMs(intervalMs)
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, [this] { paintHeldBack(); });
    window->installEventFilter(this);
}

PaintThrottle::~PaintThrottle()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

bool PaintThrottle::eventFilter(QObject* watched, QEvent* event)
{
    // Qt gathers a window's pending repaints into one update request to its top level.
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    if (m_letThrough || !m_sinceLastPaint.isValid() || m_sinceLastPaint.elapsed() >= m_intervalMs) {
        m_letThrough = false;
        m_held = false;
        m_sinceLastPaint.start();
        return false;
    }
    if (!m_held) {
        m_held = true;
        m_later.start(int(m_intervalMs - m_sinceLastPaint.elapsed()));
    }
    return true;
}

void PaintThrottle::paintHeldBack()
{
    if (!m_window || !m_held)
        return;
    // Qt sends no new request while the one held back is pending: ask again ourselves.
    m_letThrough = true;
    QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

}  // namespace platform
