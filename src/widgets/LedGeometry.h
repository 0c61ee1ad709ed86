#pragma once

#include <QPolygon>
#include <QSize>

#include <array>
#include <cstdint>

// Geometry of the sixteen-segment LED cell: sizes, segment outlines and the
// segments each character lights. Pure arithmetic, usable without a display.
namespace LedGeometry {

// Segment sizes in pixels: H (horizontal bar length), V (vertical bar
// length) and T (thickness).
struct SegmentSize {
    int h = 9;
    int v = 7;
    int t = 2;
    friend bool operator==(const SegmentSize &, const SegmentSize &) = default;
};

constexpr int SegmentCount = 16;
using SegmentPolygons = std::array<QPolygon, SegmentCount>;

// Width H + 5T, height 2V + 7T.
QSize cellSize(SegmentSize size);

// The six-point outline of every segment in cell coordinates, indexed by the
// bit that lights it. A diagonal without extent in x or y stays empty.
SegmentPolygons segmentPolygons(SegmentSize size);

// Segments a character lights. Letters light the same segments in either
// case; characters outside the table (space, accented letters, ...) light
// none.
std::uint16_t charMask(char32_t ch);

// Small cells show only the seven outer segments.
std::uint16_t visibleMask(std::uint16_t mask, SegmentSize size);

} // namespace LedGeometry
