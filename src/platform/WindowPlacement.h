#pragma once

// Where the main window goes on the screen: a stored coordinate of 0 or more
// is used as it is (even off the present screen); a negative one centres the
// window on that axis.
namespace WindowPlacement {

// (screenExtent / 2 - windowExtent / 2) rounded to the nearest integer, a
// half going to the even neighbour; or stored when it is not negative.
int coordinate(int stored, int screenExtent, int windowExtent);

} // namespace WindowPlacement
