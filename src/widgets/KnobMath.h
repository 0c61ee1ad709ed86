#pragma once

#include <QLine>
#include <QPoint>
#include <QSize>

#include <cstdint>

// The knob's maps between values, angles and screen points. Angles are
// mathematical degrees (0 right, counter-clockwise, screen y downward); the
// pointer sweeps 300 degrees clockwise from 240 (Min) to -60 (Max).
namespace KnobMath {

constexpr int MinAngle = 240;
constexpr int MaxAngle = -60;
constexpr int Sweep = 300;

// Degrees per unit: 300 / (max - min), 0 when max = min.
float angleStep(int min, int max);

// 240 - nearest((position - min) * step), halves to even.
int indicatorAngle(std::int64_t position, int min, float step);

// min + nearest((240 - angle) / step); min when step is 0. Not clamped.
std::int64_t angleToValue(int angle, int min, float step);

// Angle of a point as seen from the centre of a w x h control, clamped into
// the arc: below the centre the gap maps to 240 on the left and -60 on the
// right.
int mouseAngle(int x, int y, int width, int height);

// Whether a point lies in the circle inscribed in the control.
bool insideCircle(QPoint point, QSize size);

// The pointer tick from radius r - 11 to r - 5 at the angle.
QLine pointerLine(int radius, int angle);

// The side of the square control after a resize request of w x h.
int squareSide(int storedSide, int width, int height);

} // namespace KnobMath
