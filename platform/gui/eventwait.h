#pragma once
#include <functional>

class QAbstractButton;
class QWidget;

// One operation at a time. While the GUI thread waits on a device (inside WaitUntil or a
// WaitScope), user input reaches only the waiting operation's abort: the abort button of its
// window, Escape in that window and the window's close box (both as a click on that button),
// and the boxes the operation itself opens meanwhile. Everything else the user does is
// refused: clicks, keys, short-cuts and menus of every window. Looking stays possible: the
// pointer, scrolling a list, moving or resizing a window. The program window's close box
// ends the program, and with it every wait.
namespace platform {

// Runs the calling thread's event loop until done() holds or timeoutMs has passed (negative:
// no limit), sleeping while no event comes instead of spinning: whatever ends the wait must
// arrive as an event (a reply, a timer, a signal). Timers, replies and the abort run inside
// the wait; user input is held to the rule above. Ends at once once the program is closing.
// Returns done().
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = -1);

// A wait that pumps events in code of its own (a library's loop) holds the same rule for
// the length of the block.
class WaitScope {
public:
    WaitScope();
    ~WaitScope();
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;
};

// A wait runs: a request to a device refuses to start until it has ended.
bool Waiting();

// The button that aborts what the window's operations wait for; it reaches them while
// it is enabled and shown.
void SetAbortButton(QWidget* window, QAbstractButton* abort);
// The window whose close box ends the program; it stays open to the user during waits. Each
// program window (or none) starts a run that is not closing.
void SetProgramWindow(QWidget* window);

// From here on the program is closing: every wait ends at once and no box opens.
void BeginClosing();
bool Closing();

}  // namespace platform
