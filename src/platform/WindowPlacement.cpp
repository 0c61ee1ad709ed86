#include "WindowPlacement.h"

#include <cmath>

namespace WindowPlacement {

int coordinate(int stored, int screenExtent, int windowExtent)
{
    if (stored >= 0)
        return stored;
    // Both halves are multiples of 0.5, so the sum is exact in a double and
    // nearbyint's default mode rounds a half to even.
    return static_cast<int>(std::nearbyint(screenExtent / 2.0 - windowExtent / 2.0));
}

} // namespace WindowPlacement
