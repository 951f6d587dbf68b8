#pragma once
#include <QString>

namespace platform {

// True when a top-level window with exactly this title exists on the X display the program
// runs on. False when the program does not run on X11 (offscreen, Wayland) or X cannot be
// reached.
bool TopLevelWindowTitled(const QString& title);

// The same on a given display name (e.g. ":97"), through a connection of its own.
bool TopLevelWindowTitledOnDisplay(const QByteArray& display, const QString& title);

}  // namespace platform
