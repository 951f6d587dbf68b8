#pragma once
#include <functional>

// Asks the operator for a serial port when a port is opened without a number. The library
// itself shows no window: the user interface installs the dialog here at start-up.
// The prompt returns the chosen port number, 0 when the operator cancelled.
using TPortPrompt = std::function<int()>;

void SetPortPrompt(TPortPrompt prompt);
// 0 when no prompt is installed or the operator cancelled.
int RunPortPrompt();
