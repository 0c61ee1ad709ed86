#include "LedGeometry.h"

#include <gtest/gtest.h>

using namespace LedGeometry;

namespace {

const SegmentSize LedText{6, 5, 2};
const SegmentSize LedCisla{5, 5, 1};

QPolygon poly(std::initializer_list<QPoint> points)
{
    return QPolygon(QList<QPoint>(points));
}

} // namespace

TEST(LedGeometry, CellSizesOfBothPanelLabels)
{
    EXPECT_EQ(cellSize(LedText), QSize(16, 24));
    EXPECT_EQ(cellSize(LedCisla), QSize(10, 17));
    EXPECT_EQ(cellSize(SegmentSize{}), QSize(19, 28));
    // 273 pixels hold 17 whole cells of the title and 27 of the numbers.
    EXPECT_EQ(273 / cellSize(LedText).width(), 17);
    EXPECT_EQ(273 / cellSize(LedCisla).width(), 27);
}

TEST(LedGeometry, PolygonsOfTheTitleLabel)
{
    const SegmentPolygons p = segmentPolygons(LedText);
    // Top bar at (4, 2), length 6, half-thickness 1.
    EXPECT_EQ(p[0], poly({{4, 3}, {5, 2}, {11, 2}, {12, 3}, {11, 4}, {5, 4}}));
    // Lower right bar at (12, 13).
    EXPECT_EQ(p[5], poly({{13, 13}, {14, 14}, {14, 19}, {13, 20}, {12, 19}, {12, 14}}));
    // Upper centre at c = 7.
    EXPECT_EQ(p[7], poly({{8, 4}, {9, 5}, {9, 10}, {8, 11}, {7, 10}, {7, 5}}));
    // Upper-right diagonal at (7 + 3, 9), dx 1, dy -3, width 2.
    EXPECT_EQ(p[10], poly({{10, 9}, {11, 9}, {11, 7}, {11, 6}, {10, 6}, {10, 8}}));
    // Lower-left diagonal at (6, 15), dx -1, dy 3.
    EXPECT_EQ(p[11], poly({{6, 15}, {5, 15}, {5, 17}, {5, 18}, {6, 18}, {6, 16}}));
    // Bottom dot at (6, 20), size 2.
    EXPECT_EQ(p[15], poly({{8, 19}, {8, 21}, {6, 21}, {6, 19}, {6, 19}, {6, 19}}));
}

TEST(LedGeometry, HalvesRoundToEven)
{
    // T = 1: the half pixel of a diagonal's width rounds to 0, leaving a
    // plain line; rounding away from zero would give a 1-pixel offset.
    const SegmentPolygons p = segmentPolygons(LedCisla);
    EXPECT_EQ(p[9], poly({{4, 7}, {4, 7}, {3, 3}, {3, 3}, {3, 3}, {4, 7}}));
    EXPECT_EQ(p[12], poly({{6, 10}, {6, 10}, {7, 14}, {7, 14}, {7, 14}, {6, 10}}));
    // T = 3: the right diagonals start at c + N(4.5) = c + 4, not c + 5.
    const SegmentPolygons q = segmentPolygons(SegmentSize{9, 7, 3});
    EXPECT_EQ(q[10].first(), QPoint(10 + 4, 7 + 6));
    EXPECT_EQ(q[12].first(), QPoint(14, 7 + 15));
    // With T = 1 the bars are lines of zero thickness.
    EXPECT_EQ(p[0], poly({{2, 1}, {2, 1}, {7, 1}, {7, 1}, {7, 1}, {2, 1}}));
    EXPECT_EQ(p[13], poly({{4, 7}, {4, 8}, {3, 8}, {3, 7}, {3, 7}, {3, 7}}));
}

TEST(LedGeometry, DiagonalWithoutExtentHasNoPolygon)
{
    // H div 2 = T makes dx 0; V = T makes dy 0.
    const SegmentPolygons flatX = segmentPolygons(SegmentSize{4, 7, 2});
    for (int bit : {9, 10, 11, 12})
        EXPECT_TRUE(flatX[bit].isEmpty()) << bit;
    const SegmentPolygons flatY = segmentPolygons(SegmentSize{9, 2, 2});
    for (int bit : {9, 10, 11, 12})
        EXPECT_TRUE(flatY[bit].isEmpty()) << bit;
    EXPECT_EQ(flatY[0].size(), 6);
}

TEST(LedGeometry, EveryPolygonStaysInsideItsCell)
{
    for (SegmentSize s : {LedText, LedCisla, SegmentSize{}, SegmentSize{4, 4, 3}, SegmentSize{20, 15, 4}}) {
        const QRect cell(QPoint(0, 0), cellSize(s));
        const SegmentPolygons p = segmentPolygons(s);
        for (int bit = 0; bit < SegmentCount; ++bit)
            for (QPoint pt : p[bit])
                EXPECT_TRUE(cell.contains(pt)) << "segment " << bit << " of " << s.h << "x" << s.v
                                               << "x" << s.t << " at " << pt.x() << "," << pt.y();
    }
}

TEST(LedGeometry, LettersLightTheSameInEitherCase)
{
    // Characters that share a picture.
    EXPECT_EQ(charMask(U'('), charMask(U'<'));
    EXPECT_EQ(charMask(U')'), charMask(U'>'));
    EXPECT_EQ(charMask(U'5'), charMask(U'S'));
    EXPECT_EQ(charMask(U'['), charMask(U'C'));
    for (char32_t c = U'A'; c <= U'Z'; ++c) {
        EXPECT_EQ(charMask(c), charMask(c + 32)) << char(c);
        EXPECT_NE(charMask(c), 0) << char(c);
    }
    // Only ASCII folds: the characters next to the letters stay as they are.
    EXPECT_EQ(charMask(U'`'), 0);
    EXPECT_EQ(charMask(U'{'), 0);
    EXPECT_EQ(charMask(U'|'), 0);
    EXPECT_EQ(charMask(U'}'), 0);
    EXPECT_EQ(charMask(U'~'), 0);
}

TEST(LedGeometry, CharactersOutsideTheTableAreDark)
{
    for (char32_t c : {U' ', U'!', U'#', U'?', U'@', U',', U';', U'^', U'\r', U'\0', U'\x7f',
                       U'á', U'Ř', U'š', U'ö', U'€', U'\U0001F600', char32_t(0x10041)})
        EXPECT_EQ(charMask(c), 0) << std::uint32_t(c);
}

TEST(LedGeometry, SmallCellsShowSevenSegments)
{
    const std::uint16_t all = 0xFFFF;
    EXPECT_EQ(visibleMask(all, SegmentSize{3, 5, 1}), 0x7F);
    EXPECT_EQ(visibleMask(all, SegmentSize{5, 3, 1}), 0x7F);
    EXPECT_EQ(visibleMask(all, SegmentSize{4, 4, 1}), all);
    EXPECT_EQ(visibleMask(charMask(U':'), SegmentSize{2, 2, 1}), 0);
    EXPECT_EQ(visibleMask(charMask(U'0'), LedCisla), 4727);
}
