#pragma once
#include <functional>

namespace platform {

// SIGTERM and SIGINT run onSignal on the GUI thread (from the event loop), so the program can
// close its main window the normal way and save its settings. Call after the application exists.
bool InstallCloseOnSignal(std::function<void()> onSignal);
// Restores the default handlers.
void RemoveCloseOnSignal();

}  // namespace platform
