#pragma once
#include <functional>

namespace testing_support {

// Runs the Qt event loop until pred() holds or timeoutMs passed; returns pred()'s last value.
bool pumpUntil(const std::function<bool()>& pred, int timeoutMs = 5000);

// Runs the event loop for about ms milliseconds.
void pumpFor(int ms);

// Waits until pred() holds or timeoutMs passed, without running the event loop (so nothing
// queued for the GUI thread runs meanwhile); returns pred()'s last value.
bool waitWithoutEvents(const std::function<bool()>& pred, int timeoutMs = 5000);

}  // namespace testing_support

using testing_support::pumpFor;
using testing_support::pumpUntil;
using testing_support::waitWithoutEvents;
