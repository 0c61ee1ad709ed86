#include "WindowPlacement.h"

namespace WindowPlacement {

int centred(int screenExtent, int windowExtent)
{
    // Work in halves: 2 * (s/2 - w/2) = s - w, exact in integers.
    const long long twice = static_cast<long long>(screenExtent) - windowExtent;
    long long whole = twice / 2; // truncates toward zero
    const long long rest = twice - whole * 2; // -1, 0 or 1
    if (rest != 0 && whole % 2 != 0)
        whole += rest; // a half goes to the even neighbour
    return static_cast<int>(whole);
}

int axis(int stored, int screenExtent, int windowExtent)
{
    return stored < 0 ? centred(screenExtent, windowExtent) : stored;
}

QPoint topLeft(int storedTop, int storedLeft, QSize screen, QSize window)
{
    return {axis(storedLeft, screen.width(), window.width()), axis(storedTop, screen.height(), window.height())};
}

} // namespace WindowPlacement
