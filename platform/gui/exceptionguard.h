#pragma once
#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

namespace platform {

// The application's default exception display: the message in a box captioned with the
// application title (an exception of an unknown type shows an empty message).
void ShowException(const QString& message);

// Runs a handler that Qt entered; an exception never crosses the event loop but is shown.
// Returns false when the handler threw.
bool Guarded(const std::function<void()>& handler);

// Wraps a handler for connect(): connect(b, &QToolButton::clicked, this, Guard([this] { ... })).
template <class F>
auto Guard(F f)
{
    return [f](auto&&...) { Guarded(f); };
}

// The backstop: an exception that escapes any event handler is shown, not fatal.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace platform
