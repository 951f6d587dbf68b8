#pragma once
#include <QTest>
#include <QTimer>

#include "platform/eventwait.h"

// Runs act once from inside the first wait on a device during which when() holds; what a
// person does then arrives as the window system delivers it (QTest's spontaneous events).
struct DuringWait {
    template <class When, class Act>
    DuringWait(When when, Act act)
    {
        QObject::connect(&timer, &QTimer::timeout, [=, this] {
            if (platform::Waiting() && when() && !std::exchange(ran, true))
                act();
        });
        timer.start(1);
    }
    QTimer timer;
    bool ran = false;
};
