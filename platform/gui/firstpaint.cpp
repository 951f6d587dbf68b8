#include "platform/gui/firstpaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace platform {

namespace {

class FirstPaintReporter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Reported once the paint has finished.
            QTimer::singleShot(0, this, [this] {
                std::fputs("painted\n", stdout);
                std::fflush(stdout);
                deleteLater();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

}  // namespace

void ReportFirstPaint(QWidget* window)
{
    window->installEventFilter(new FirstPaintReporter(window));
}

}  // namespace platform
