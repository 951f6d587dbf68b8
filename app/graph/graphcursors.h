#pragma once
#include <QCursor>

// The graph's own pointer shapes, painted in code: the magnifier over the zoomable
// views, the tracker over the raw samples, the range while the numeric view lists
// the values from the pointer on.
QCursor MagCursor();
QCursor TracCursor();
QCursor RangeCursor();
