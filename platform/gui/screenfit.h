#pragma once

#include <QSize>

class QWidget;

namespace platform {

// Keeps a window on the screen it opens on: no larger than the screen's free area, its title
// bar and its buttons on it. A minimum size larger than the screen gives way.
void FitOnScreen(QWidget* window);

// The largest size of the window that the screen's free area holds, its frame included.
QSize ScreenRoom(const QWidget* window);

// The size to keep of a window that is now as large as now and was meant to be wanted: where
// it fills the room of its screen, the screen may have cut it, and wanted is kept.
QSize OwnSize(QSize now, QSize wanted, QSize room);

// From now on every window of the application is fitted as it is shown (once per
// application; needs the application object).
void KeepWindowsOnScreen();

}  // namespace platform
