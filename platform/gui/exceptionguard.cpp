#include "platform/gui/exceptionguard.h"

#include <QGuiApplication>

#include "platform/gui/dialogs.h"

namespace platform {

void ShowException(const QString& message)
{
    AppMessageBox(message, AppTitle());
}

bool Guarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    Guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

}  // namespace platform
