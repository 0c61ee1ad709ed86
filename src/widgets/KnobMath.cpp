#include "KnobMath.h"

#include "Rounding.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace KnobMath {

float angleStep(int min, int max)
{
    if (min == max)
        return 0.0f;
    return float(Sweep) / float(std::int64_t(max) - min);
}

int indicatorAngle(std::int64_t position, int min, float step)
{
    return MinAngle - roundHalfEven(double(position - min) * double(step));
}

std::int64_t angleToValue(int angle, int min, float step)
{
    if (step == 0.0f)
        return min;
    return min + std::int64_t(std::nearbyint((MinAngle - angle) / double(step)));
}

int mouseAngle(int x, int y, int width, int height)
{
    const int cx = width / 2;
    const int cy = height / 2;
    int angle;
    if (x == cx) {
        angle = y > cy ? 240 : 90;
    } else {
        const double radians = std::atan(double(cy - y) / double(x - cx));
        angle = roundHalfEven(radians * 180.0 / std::numbers::pi);
        if (x < cx)
            angle = (angle + 540) % 360;
    }
    if (angle > 240 && angle <= 270)
        angle = 240;
    else if (angle < -60)
        angle = -60;
    return angle;
}

bool insideCircle(QPoint point, QSize size)
{
    const double rx = size.width() / 2.0;
    const double ry = size.height() / 2.0;
    if (rx <= 0 || ry <= 0)
        return false;
    const double dx = (point.x() - rx) / rx;
    const double dy = (point.y() - ry) / ry;
    return dx * dx + dy * dy <= 1.0;
}

QLine pointerLine(int r, int angle)
{
    const double a = angle * std::numbers::pi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    return QLine(r + roundHalfEven((r - 11) * c), r - roundHalfEven((r - 11) * s),
                 r + roundHalfEven((r - 5) * c), r - roundHalfEven((r - 5) * s));
}

int squareSide(int stored, int width, int height)
{
    if (width > stored || height > stored)
        return std::max(width, height);
    if (width < stored || height < stored)
        return std::min(width, height);
    return stored;
}

} // namespace KnobMath
