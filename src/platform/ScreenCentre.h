#pragma once

class QWidget;

namespace ScreenCentre {

// Moves a top-level window so that it sits in the middle of the primary
// screen's available area. Does nothing without a screen.
void place(QWidget *window);

} // namespace ScreenCentre
