#pragma once

class QWidget;

namespace platform {

// For the start-up benchmark: once window has painted for the first time, "painted" is
// written on a line of standard output. Both the program and the bench's minimal window
// report this way, so that their start-up times compare.
void ReportFirstPaint(QWidget* window);

}  // namespace platform
