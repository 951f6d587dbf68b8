#include "pump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace testing_support {

bool pumpUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool waitWithoutEvents(const std::function<bool()>& pred, int timeoutMs)
{
    for (QDeadlineTimer deadline(timeoutMs); !pred(); QThread::msleep(1))
        if (deadline.hasExpired())
            return pred();
    return true;
}

void pumpFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

}  // namespace testing_support
