#include "LedCellCache.h"

#include <QPainter>

#include <map>
#include <utility>

namespace {

// Lit pictures of bigger cells are drawn on the spot instead of kept, so a
// large look cannot pile up memory for every mask.
constexpr int MaxCachedCellPixels = 128 * 128;

char32_t codePointAt(QStringView text, qsizetype &i)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        ++i;
        return QChar::surrogateToUcs4(c, text[i]);
    }
    return c.unicode();
}

} // namespace

LedCellCache::LedCellCache()
{
    rebuild();
}

void LedCellCache::setLook(const Look &look)
{
    if (look == m_look)
        return;
    m_look = look;
    rebuild();
}

void LedCellCache::rebuild()
{
    m_lit.clear();
    m_cellSize = LedGeometry::cellSize(m_look.size);
    m_polygons = LedGeometry::segmentPolygons(m_look.size);

    m_unlit = QImage(m_cellSize, QImage::Format_RGB32);
    m_unlit.fill(m_look.background);
    if (m_unlit.isNull())
        return;

    // Cover of all segments, then the stipple: pixels with x + y even take
    // the unlit colour, odd ones keep the background.
    QImage cover(m_cellSize, QImage::Format_Grayscale8);
    cover.fill(0);
    {
        QPainter p(&cover);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (const QPolygon &poly : m_polygons)
            if (!poly.isEmpty())
                p.drawPolygon(poly);
    }
    const QRgb inactive = m_look.inactive.rgb();
    for (int y = 0; y < m_cellSize.height(); ++y) {
        const uchar *in = cover.constScanLine(y);
        auto *out = reinterpret_cast<QRgb *>(m_unlit.scanLine(y));
        for (int x = (y & 1); x < m_cellSize.width(); x += 2)
            if (in[x])
                out[x] = inactive;
    }
}

bool LedCellCache::cachesLitCells() const
{
    return qint64(m_cellSize.width()) * m_cellSize.height() <= MaxCachedCellPixels;
}

void LedCellCache::drawLitSegments(QPainter &painter, QPoint origin, std::uint16_t mask) const
{
    painter.save();
    painter.translate(origin);
    painter.setPen(QPen(m_look.active, 1));
    painter.setBrush(m_look.active);
    for (int bit = 0; bit < LedGeometry::SegmentCount; ++bit)
        if (mask & (1u << bit) && !m_polygons[bit].isEmpty())
            painter.drawPolygon(m_polygons[bit]);
    painter.restore();
}

const QImage &LedCellCache::litCell(std::uint16_t mask)
{
    mask = LedGeometry::visibleMask(mask, m_look.size);
    if (mask == 0 || m_unlit.isNull())
        return m_unlit;
    auto it = m_lit.find(mask);
    if (it != m_lit.end())
        return it->second;
    QImage cell = m_unlit.copy();
    {
        QPainter p(&cell);
        drawLitSegments(p, QPoint(0, 0), mask);
    }
    if (!cachesLitCells()) {
        // Kept only until the next call; the caller draws it at once.
        m_lit.clear();
    }
    return m_lit.emplace(mask, std::move(cell)).first->second;
}

void LedCellCache::paintCaption(QPainter &painter, QStringView caption, bool lit, QSize clip, QRect area)
{
    const QSize cell = m_cellSize;
    forEachCell(caption, clip, [&](int left, int top, char32_t c) {
        if (!area.isEmpty() && !area.intersects(QRect(QPoint(left, top), cell)))
            return;
        painter.drawImage(QPoint(left, top), lit ? litCell(LedGeometry::charMask(c)) : m_unlit);
    });
}

QRegion LedCellCache::changedCells(QStringView before, QStringView after, QSize clip) const
{
    // Cells compare by the segments they would light.
    std::map<std::pair<int, int>, std::uint16_t> old;
    forEachCell(before, clip, [&](int left, int top, char32_t c) {
        old[{top, left}] = LedGeometry::visibleMask(LedGeometry::charMask(c), m_look.size);
    });
    QRegion changed;
    forEachCell(after, clip, [&](int left, int top, char32_t c) {
        const std::uint16_t mask = LedGeometry::visibleMask(LedGeometry::charMask(c), m_look.size);
        const auto it = old.find({top, left});
        const bool same = it != old.end() && it->second == mask;
        if (it != old.end())
            old.erase(it);
        if (!same)
            changed += QRect(QPoint(left, top), m_cellSize);
    });
    // Cells only the old caption had now show the background.
    for (const auto &[at, mask] : old)
        changed += QRect(QPoint(at.second, at.first), m_cellSize);
    return changed;
}

void LedCellCache::forEachCell(QStringView caption, QSize clip,
                               const std::function<void(int, int, char32_t)> &cell) const
{
    const int cw = m_cellSize.width();
    const int ch = m_cellSize.height();
    qint64 column = 0;
    qint64 top = 0;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const char32_t c = codePointAt(caption, i);
        if (c == U'\r') {
            top += ch;
            column = 0;
            continue;
        }
        if (c < 32)
            continue;
        const qint64 left = column * cw;
        ++column;
        if (left >= clip.width() || top >= clip.height())
            continue;
        cell(int(left), int(top), c);
    }
}
