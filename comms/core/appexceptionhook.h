#pragma once
#include <exception>
#include <functional>

// Where the library hands an exception that an event handler raised and nobody may catch
// further up (the application's exception handler). The user interface installs its display;
// without one the message goes to the warning log.
using TAppExceptionHandler = std::function<void(const std::exception&)>;

void SetAppExceptionHandler(TAppExceptionHandler Handler);
void ApplicationHandleException(const std::exception& E);

// Whether the program is ending (its main window closed, a signal received): the library's
// own waits stop then. The user interface installs its answer; without one only Qt's own
// shut-down counts.
void SetAppTerminatedQuery(std::function<bool()> Query);
bool ApplicationTerminated();
