#pragma once
#include <QTimer>

// A timer that carries a small state word of its owner, as the request waits use it.
class TTagTimer : public QTimer {
    Q_OBJECT
public:
    using QTimer::QTimer;
    int Tag = 0;
};
