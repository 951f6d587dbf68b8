#pragma once

class QWidget;

namespace platform {

// Keeps a window on the screen it opens on: no larger than the screen's free area, its title
// bar and its buttons on it. A minimum size larger than the screen gives way.
void FitOnScreen(QWidget* window);

// From now on every window of the application is fitted as it is shown (once per
// application; needs the application object).
void KeepWindowsOnScreen();

}  // namespace platform
