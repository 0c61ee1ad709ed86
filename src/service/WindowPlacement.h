#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the start-up window puts the main window: a stored coordinate of 0 or
// more is used as it is (even off the present screen); a negative one centres
// the window on that axis.
namespace WindowPlacement {

// screenExtent / 2 - windowExtent / 2, rounded to the nearest integer with a
// half going to the even neighbour.
int centred(int screenExtent, int windowExtent);
int axis(int stored, int screenExtent, int windowExtent);
// Top-left corner for a window of frame size `window` on a screen of size `screen`.
QPoint topLeft(int storedTop, int storedLeft, QSize screen, QSize window);

} // namespace WindowPlacement
