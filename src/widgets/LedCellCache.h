#pragma once

#include "LedGeometry.h"

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <unordered_map>

class QPainter;

// The pictures of one LED cell for a given look: the unlit cell (every
// segment stippled) and, made on first use, one lit picture per segment
// mask. Painting a caption then only copies finished cells.
class LedCellCache
{
public:
    struct Look {
        LedGeometry::SegmentSize size;
        QColor active{0, 255, 0};
        QColor inactive{0, 128, 0};
        QColor background{Qt::black};
        friend bool operator==(const Look &, const Look &) = default;
    };

    LedCellCache();

    // Rebuilds the pictures only when something differs.
    void setLook(const Look &look);
    const Look &look() const { return m_look; }
    QSize cellSize() const { return m_cellSize; }
    const LedGeometry::SegmentPolygons &polygons() const { return m_polygons; }

    const QImage &unlitCell() const { return m_unlit; }
    // The cell with the segments of the mask lit (after the seven-segment
    // rule for small sizes).
    const QImage &litCell(std::uint16_t mask);

    // Walks the caption and draws one cell per character from the top-left
    // corner: carriage return starts a new line, other control characters
    // take no cell. With lit false every cell is drawn unlit. The caller
    // fills the background and clips to the control.
    // Only cells meeting area are drawn (an empty area means all of them).
    void paintCaption(QPainter &painter, QStringView caption, bool lit, QSize clip, QRect area = {});

    // The cells inside clip that look different between two captions: what
    // a label must repaint when its caption changes from before to after.
    QRegion changedCells(QStringView before, QStringView after, QSize clip) const;

private:
    // Calls cell(left, top, character) for each cell of the caption inside clip.
    void forEachCell(QStringView caption, QSize clip, const std::function<void(int, int, char32_t)> &cell) const;
    void rebuild();
    void drawLitSegments(QPainter &painter, QPoint origin, std::uint16_t mask) const;
    bool cachesLitCells() const;

    Look m_look;
    QSize m_cellSize;
    LedGeometry::SegmentPolygons m_polygons;
    QImage m_unlit;
    std::unordered_map<std::uint16_t, QImage> m_lit;
};
