#pragma once
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "platform/gui/eventwait.h"

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

// Shows window active and walks Tab from its focus on: the controls Tab reaches, each once.
inline QList<QWidget*> TabChain(QWidget* window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {};
    QList<QWidget*> chain;
    for (QWidget* f; chain.size() < 60 && (f = QApplication::focusWidget()) && !chain.contains(f);)
        QTest::keyClick(chain.emplace_back(f), Qt::Key_Tab);
    return chain;
}
