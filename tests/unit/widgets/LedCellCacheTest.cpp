#include "LedCellCache.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

LedCellCache::Look titleLook()
{
    LedCellCache::Look look;
    look.size = {6, 5, 2};
    look.inactive = QColor(0, 64, 0);
    return look;
}

QImage paint(LedCellCache &cache, const QString &caption, QSize size, bool lit = true)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QPainter p(&img);
    cache.paintCaption(p, caption, lit, size);
    return img;
}

bool sameColumns(const QImage &a, int ax, const QImage &b, int bx, int width)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < width; ++x)
            if (a.pixel(ax + x, y) != b.pixel(bx + x, y))
                return false;
    return true;
}

} // namespace

TEST(LedCellCache, UnlitCellIsAnEvenPixelStipple)
{
    LedCellCache cache;
    cache.setLook(titleLook());
    const QImage &cell = cache.unlitCell();
    ASSERT_EQ(cell.size(), QSize(16, 24));
    const QRgb dim = qRgb(0, 64, 0);
    const QRgb black = qRgb(0, 0, 0);
    int dimCount = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x) {
            const QRgb px = cell.pixel(x, y);
            ASSERT_TRUE(px == dim || px == black) << x << "," << y;
            if (px == dim) {
                EXPECT_EQ((x + y) % 2, 0) << x << "," << y;
                ++dimCount;
            }
        }
    // Each of the sixteen segments gets its share of stipple.
    const LedGeometry::SegmentPolygons &polys = cache.polygons();
    for (int bit = 0; bit < LedGeometry::SegmentCount; ++bit) {
        const QRect box = polys[bit].boundingRect();
        int inside = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                inside += cell.pixel(x, y) == dim;
        EXPECT_GT(inside, 0) << "segment " << bit;
    }
    EXPECT_GT(dimCount, 40);
}

TEST(LedCellCache, PicturesAreReusedUntilTheLookChanges)
{
    LedCellCache cache;
    cache.setLook(titleLook());
    const qint64 unlitKey = cache.unlitCell().cacheKey();
    const qint64 litKey = cache.litCell(63).cacheKey();
    EXPECT_NE(litKey, unlitKey);
    EXPECT_EQ(cache.litCell(63).cacheKey(), litKey);
    // A dark character is the unlit cell itself.
    EXPECT_EQ(cache.litCell(0).cacheKey(), unlitKey);

    cache.setLook(titleLook());
    EXPECT_EQ(cache.unlitCell().cacheKey(), unlitKey);
    EXPECT_EQ(cache.litCell(63).cacheKey(), litKey);

    LedCellCache::Look red = titleLook();
    red.background = Qt::red;
    cache.setLook(red);
    EXPECT_NE(cache.unlitCell().cacheKey(), unlitKey);
    EXPECT_EQ(cache.unlitCell().pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(cache.litCell(63).pixel(0, 0), qRgb(255, 0, 0));
}

TEST(LedCellCache, CarriageReturnStartsLineAndControlCharactersTakeNoCell)
{
    LedCellCache cache;
    cache.setLook(titleLook());
    const QSize size(64, 48);
    const QImage plain = paint(cache, "A8", size);
    EXPECT_TRUE(sameColumns(paint(cache, QStringLiteral("A\t\n\x01" "8"), size), 0, plain, 0, 64));

    const QImage twoLines = paint(cache, QStringLiteral("A\r8"), size);
    const QImage a = paint(cache, "A", size);
    const QImage eight = paint(cache, "8", size);
    EXPECT_EQ(twoLines.copy(0, 0, 16, 24), a.copy(0, 0, 16, 24));
    EXPECT_EQ(twoLines.copy(0, 24, 16, 24), eight.copy(0, 0, 16, 24));
    // Nothing was drawn beside the first cell of either line.
    EXPECT_EQ(twoLines.pixel(20, 5), qRgb(0, 0, 255));
    EXPECT_EQ(twoLines.pixel(20, 30), qRgb(0, 0, 255));
}

TEST(LedCellCache, CharacterBeyondTheBasicPlaneTakesOneCell)
{
    LedCellCache cache;
    cache.setLook(titleLook());
    const QSize size(48, 24);
    const QImage withEmoji = paint(cache, QString::fromUtf8("\xF0\x9F\x98\x80" "8"), size);
    const QImage withSpace = paint(cache, " 8", size);
    EXPECT_EQ(withEmoji, withSpace);
}

TEST(LedCellCache, LargeCellsStayCorrectWithoutBeingKept)
{
    LedCellCache cache;
    LedCellCache::Look big;
    big.size = {200, 200, 20};
    cache.setLook(big);
    ASSERT_EQ(cache.cellSize(), QSize(300, 540));
    const QImage &a = cache.litCell(LedGeometry::charMask(U'A'));
    // The middle of the top bar is lit, the middle of the bottom bar is not.
    EXPECT_EQ(a.pixel(150, 30), qRgb(0, 255, 0));
    EXPECT_NE(a.pixel(150, 2 * 200 + 5 * 20 + 10), qRgb(0, 255, 0));
    const QImage &b = cache.litCell(LedGeometry::charMask(U'_'));
    EXPECT_EQ(b.pixel(150, 2 * 200 + 5 * 20 + 10), qRgb(0, 255, 0));
}

TEST(LedCellCache, ChangedCellsCoverExactlyWhatLooksDifferent)
{
    LedCellCache cache;
    cache.setLook(titleLook());
    const int cw = cache.cellSize().width();
    const int ch = cache.cellSize().height();
    const QSize clip(cw * 8, ch * 2);

    EXPECT_TRUE(cache.changedCells(u"00:01", u"00:01", clip).isEmpty());
    // Small letters draw as capitals: nothing to repaint.
    EXPECT_TRUE(cache.changedCells(u"klient", u"KLIENT", clip).isEmpty());
    EXPECT_EQ(cache.changedCells(u"00:01", u"00:02", clip), QRegion(4 * cw, 0, cw, ch));
    // A cell the new caption no longer has shows the background again.
    EXPECT_EQ(cache.changedCells(u"abc", u"ab", clip), QRegion(2 * cw, 0, cw, ch));
    EXPECT_EQ(cache.changedCells(u"ab", u"abc", clip), QRegion(2 * cw, 0, cw, ch));
    // Lines: a carriage return moves the rest to the next row.
    EXPECT_EQ(cache.changedCells(u"a\rb", u"a\rc", clip), QRegion(0, ch, cw, ch));
    EXPECT_EQ(cache.changedCells(u"ab", u"a\rb", clip), QRegion(cw, 0, cw, ch) + QRegion(0, ch, cw, ch));
    // Beyond the control's edge nothing shows, so nothing changes.
    EXPECT_TRUE(cache.changedCells(u"01234567X", u"01234567Y", clip).isEmpty());
}

TEST(LedCellCache, RepaintingChangedCellsGivesTheFullPicture)
{
    LedCellCache cache;
    cache.setLook(titleLook());
    const QSize size(cache.cellSize().width() * 12, cache.cellSize().height());
    const std::pair<QString, QString> steps[] = {
        {QStringLiteral("  00:00/03:10"), QStringLiteral("  00:01/03:10")},
        {QStringLiteral("Song title 1"), QStringLiteral("ong title 1 ")},
        {QStringLiteral("long caption"), QStringLiteral("short")},
    };
    for (const auto &[before, after] : steps) {
        SCOPED_TRACE(after.toStdString());
        QImage img = paint(cache, before, size);
        const QRegion changed = cache.changedCells(before, after, size);
        {
            // What a widget's paint event does for an update of that region.
            QPainter p(&img);
            p.setClipRegion(changed);
            p.fillRect(changed.boundingRect(), Qt::blue);
            cache.paintCaption(p, after, true, size, changed.boundingRect());
        }
        EXPECT_EQ(img, paint(cache, after, size));
    }
}
