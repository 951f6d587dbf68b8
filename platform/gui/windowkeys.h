#pragma once

class QKeyEvent;

namespace platform {

// Keys that belong to the window rather than to the control with the focus: Escape (cancel),
// Tab and Shift+Tab (the next control), Alt with a key (the window's short-cuts) and F4 or
// Alt+Down (a picker's drop-down calendar). A filter that keeps typing out of a control lets
// these through.
bool IsWindowKey(const QKeyEvent* key);

}  // namespace platform
