#include "LedGeometry.h"

#include "Rounding.h"

namespace LedGeometry {

namespace {

QPolygon horizontal(int x, int y, int length, int d)
{
    return QPolygon({QPoint(x, y + d), QPoint(x + d, y), QPoint(x + d + length, y),
                     QPoint(x + length + 2 * d, y + d), QPoint(x + d + length, y + 2 * d),
                     QPoint(x + d, y + 2 * d)});
}

QPolygon vertical(int x, int y, int length, int e)
{
    return QPolygon({QPoint(x + e, y), QPoint(x + 2 * e, y + e), QPoint(x + 2 * e, y + length + e),
                     QPoint(x + e, y + length + 2 * e), QPoint(x, y + length + e),
                     QPoint(x, y + e)});
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

QPolygon diagonal(int x, int y, int dx, int dy, int w)
{
    if (dx == 0 || dy == 0)
        return {};
    const int sx = roundHalfEven(sign(dx) * w / 2.0);
    const int sy = roundHalfEven(sign(dy) * w / 2.0);
    return QPolygon({QPoint(x, y), QPoint(x + sx, y), QPoint(x + dx, y + dy - sy),
                     QPoint(x + dx, y + dy), QPoint(x + dx - sx, y + dy), QPoint(x, y + sy)});
}

QPolygon dot(int x, int y, int s)
{
    return QPolygon({QPoint(x + s, y - 1), QPoint(x + s, y + s - 1), QPoint(x, y + s - 1),
                     QPoint(x, y - 1), QPoint(x, y - 1), QPoint(x, y - 1)});
}

// Index = character code - 32, for ' ' up to '_'; lower-case letters are
// folded onto this range before the look-up.
constexpr std::uint16_t AsciiMasks[64] = {
    0,     // ' '
    0,     // !
    130,   // "
    0,     // #
    0,     // $
    0,     // %
    0,     // &
    128,   // '
    5120,  // (
    2560,  // )
    8064,  // *
    392,   // +
    0,     // ,
    8,     // -
    32768, // .
    3072,  // /
    4727,  // 0
    384,   // 1
    93,    // 2
    109,   // 3
    46,    // 4
    107,   // 5
    123,   // 6
    37,    // 7
    127,   // 8
    111,   // 9
    40960, // :
    0,     // ;
    5120,  // <
    72,    // =
    2560,  // >
    0,     // ?
    0,     // @
    63,    // A
    493,   // B
    83,    // C
    485,   // D
    91,    // E
    27,    // F
    123,   // G
    62,    // H
    384,   // I
    116,   // J
    5146,  // K
    82,    // L
    1590,  // M
    4662,  // N
    119,   // O
    31,    // P
    4215,  // Q
    4127,  // R
    107,   // S
    385,   // T
    118,   // U
    3090,  // V
    6198,  // W
    7680,  // X
    1792,  // Y
    3137,  // Z
    83,    // [
    4608,  // backslash
    101,   // ]
    0,     // ^
    64,    // _
};

} // namespace

QSize cellSize(SegmentSize s)
{
    return QSize(s.h + 5 * s.t, 2 * s.v + 7 * s.t);
}

SegmentPolygons segmentPolygons(SegmentSize s)
{
    const int H = s.h, V = s.v, T = s.t;
    const int h = T / 2;
    const int c = (4 * T + H) / 2;
    const int rightDiagX = c + roundHalfEven(1.5 * T);
    SegmentPolygons p;
    p[0] = horizontal(2 * T, T, H, h);
    p[1] = vertical(T, 2 * T, V, h);
    p[2] = vertical(H + 3 * T, 2 * T, V, h);
    p[3] = horizontal(2 * T, V + 3 * T, H, h);
    p[4] = vertical(T, V + 4 * T, V, h);
    p[5] = vertical(H + 3 * T, V + 4 * T, V, h);
    p[6] = horizontal(2 * T, 2 * V + 5 * T, H, h);
    p[7] = vertical(c, 2 * T, V, h);
    p[8] = vertical(c, V + 4 * T, V, h);
    p[9] = diagonal(c - h, V + 2 * T, T - H / 2, T - V, T);
    p[10] = diagonal(rightDiagX, V + 2 * T, H / 2 - T, T - V, T);
    p[11] = diagonal(c - h, V + 5 * T, T - H / 2, V - T, T);
    p[12] = diagonal(rightDiagX, V + 5 * T, H / 2 - T, V - T, T);
    p[13] = dot(c - 1, V + 3 * T, T);
    p[14] = dot(c - 1, T, T);
    p[15] = dot(c - 1, 2 * V + 5 * T, T);
    return p;
}

std::uint16_t charMask(char32_t ch)
{
    if (ch >= U'a' && ch <= U'z')
        ch -= U'a' - U'A';
    if (ch < 32 || ch >= 32 + std::size(AsciiMasks))
        return 0;
    return AsciiMasks[ch - 32];
}

std::uint16_t visibleMask(std::uint16_t mask, SegmentSize s)
{
    if (s.v <= 3 || s.h <= 3)
        return mask & 0x7F;
    return mask;
}

} // namespace LedGeometry
