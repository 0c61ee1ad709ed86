#pragma once

#include <cmath>

// Nearest integer, a half going to the even neighbour (the default
// floating-point rounding mode, which nothing here changes).
inline int roundHalfEven(double x)
{
    return static_cast<int>(std::nearbyint(x));
}
