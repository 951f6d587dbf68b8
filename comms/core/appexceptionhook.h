#pragma once
#include <exception>
#include <functional>

// Where the library hands an exception that an event handler raised and nobody may catch
// further up (the application's exception handler). The user interface installs its display;
// without one the message goes to the warning log.
using TAppExceptionHandler = std::function<void(const std::exception&)>;

void SetAppExceptionHandler(TAppExceptionHandler Handler);
void ApplicationHandleException(const std::exception& E);
