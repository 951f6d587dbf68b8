#pragma once
#include <QString>
#include <functional>

namespace platform {

// While it lives, a window system that cannot be reached while the application object is made
// ends the process with the given line on stderr and status 1, after cleanUp, instead of Qt's
// abort with its advice on reinstalling. What Qt says meanwhile is held back and passed on
// once the application stands (a display found after all).
class NoDisplayExit {
public:
    NoDisplayExit(QString line, std::function<void()> cleanUp);
    ~NoDisplayExit();
    NoDisplayExit(const NoDisplayExit&) = delete;
    NoDisplayExit& operator=(const NoDisplayExit&) = delete;
};

}  // namespace platform
