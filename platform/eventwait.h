#pragma once
#include <functional>

namespace platform {

// Runs the calling thread's event loop until done() holds or timeoutMs has passed (negative:
// no limit), sleeping while no event comes instead of spinning: whatever ends the wait must
// arrive as an event (a reply, a timer, a signal). Handlers of any kind may run inside the
// wait. Returns done().
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = -1);

}  // namespace platform
