#pragma once
#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/eventwait.h"

// What a person does, delivered as the window system delivers it (spontaneous events), at a
// moment the program waits on a device.
namespace testing_support {

inline void clickCloseBox(QWidget* window)
{
    QCloseEvent e;
    QSpontaneKeyEvent::setSpontaneous(&e);
    QApplication::instance()->notify(window, &e);
}

// Runs act once, from inside the first wait on a device during which when() holds.
class DuringWait {
public:
    DuringWait(std::function<bool()> when, std::function<void()> act)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, when = std::move(when), act = std::move(act)] {
            if (!platform::Waiting() || !when())
                return;
            m_timer.stop();
            m_ran = true;
            act();
        });
        m_timer.start(1);
    }
    bool ran() const { return m_ran; }

private:
    QTimer m_timer;
    bool m_ran = false;
};

}  // namespace testing_support

using testing_support::clickCloseBox;
using testing_support::DuringWait;
