#include "LedGeometry.h"
#include "TLED.h"
#include "TLEDLabel.h"

#include <QImage>
#include <QPolygonF>
#include <QTest>

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

namespace {

const QRgb Lit = qRgb(0, 255, 0);
const QRgb Dim = qRgb(0, 64, 0);
const QRgb Black = qRgb(0, 0, 0);

// The two labels of the player panel, set up as the main window does.
std::unique_ptr<TLEDLabel> titleLabel(int width = 273)
{
    auto label = std::make_unique<TLEDLabel>();
    label->resize(width, 25);
    label->LED()->setHorzsize(6);
    label->LED()->setVertsize(5);
    label->LED()->setInActiveColor(QColor(0, 64, 0));
    return label;
}

std::unique_ptr<TLEDLabel> numberLabel(int width = 273)
{
    auto label = std::make_unique<TLEDLabel>();
    label->resize(width, 17);
    label->LED()->setHorzsize(5);
    label->LED()->setVertsize(5);
    label->LED()->setThickness(1);
    label->LED()->setInActiveColor(Qt::black);
    return label;
}

QImage render(TLEDLabel &label, const QString &caption)
{
    label.setCaption(caption);
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    double t = len2 > 0 ? QPointF::dotProduct(p - a, ab) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

// Distance from a point to the closed polygon (0 inside).
double distanceToPolygon(QPointF p, const QPolygon &poly)
{
    if (poly.isEmpty())
        return 1e9;
    const QPolygonF f(poly);
    if (f.containsPoint(p, Qt::OddEvenFill))
        return 0.0;
    double best = 1e9;
    for (int i = 0; i < f.size(); ++i)
        best = std::min(best, distanceToSegment(p, f[i], f[(i + 1) % f.size()]));
    return best;
}

// A lit pixel (x, y) belongs to a segment when its centre lies inside the
// polygon (the fill) or its top-left corner lies on the outline (an aliased
// one-pixel pen at a point lights the pixel to the right of and below it).
bool pixelNear(int x, int y, const QPolygon &poly)
{
    if (poly.isEmpty())
        return false;
    return QPolygonF(poly).containsPoint(QPointF(x + 0.5, y + 0.5), Qt::OddEvenFill)
        || distanceToPolygon(QPointF(x, y), poly) <= 0.75;
}

// Checks one cell: every lit pixel touches a lit segment, and every lit
// segment shows lit pixels at its vertices.
void expectCellShowsMask(const QImage &img, int cellX, QSize cell, LedGeometry::SegmentSize size,
                         std::uint16_t mask, const char *what)
{
    SCOPED_TRACE(what);
    const LedGeometry::SegmentPolygons polys = LedGeometry::segmentPolygons(size);
    int litPixels = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x) {
            if (img.pixel(cellX + x, y) != Lit)
                continue;
            ++litPixels;
            bool near = false;
            for (int bit = 0; bit < LedGeometry::SegmentCount && !near; ++bit)
                near = (mask & (1u << bit)) && pixelNear(x, y, polys[bit]);
            EXPECT_TRUE(near) << "stray lit pixel at " << x << "," << y;
        }
    for (int bit = 0; bit < LedGeometry::SegmentCount; ++bit) {
        if (!(mask & (1u << bit)))
            continue;
        for (QPoint v : polys[bit])
            EXPECT_EQ(img.pixel(cellX + v.x(), v.y()), Lit)
                << "segment " << bit << " vertex " << v.x() << "," << v.y();
    }
    EXPECT_GT(litPixels, 0);
}

void expectColumnsEqual(const QImage &img, int from, int to, QRgb colour)
{
    for (int x = from; x <= to; ++x)
        for (int y = 0; y < img.height(); ++y)
            ASSERT_EQ(img.pixel(x, y), colour) << x << "," << y;
}

} // namespace

TEST(TLEDLabel, CharactersLightOnlyTheirSegments)
{
    using LedGeometry::charMask;
    const std::pair<const char *, LedGeometry::SegmentSize> setups[] = {
        {"title", {6, 5, 2}}, {"numbers", {5, 5, 1}}};
    for (const auto &[name, size] : setups) {
        SCOPED_TRACE(name);
        auto label = size.t == 2 ? titleLabel() : numberLabel();
        const QSize cell = LedGeometry::cellSize(size);
        const QImage img = render(*label, "0:/Aa");
        expectCellShowsMask(img, 0 * cell.width(), cell, size, charMask(U'0'), "0");
        expectCellShowsMask(img, 1 * cell.width(), cell, size, charMask(U':'), ":");
        expectCellShowsMask(img, 2 * cell.width(), cell, size, charMask(U'/'), "/");
        expectCellShowsMask(img, 3 * cell.width(), cell, size, charMask(U'A'), "A");
        expectCellShowsMask(img, 4 * cell.width(), cell, size, charMask(U'a'), "a");
        // a and A give the very same picture.
        EXPECT_EQ(img.copy(3 * cell.width(), 0, cell.width(), cell.height()),
                  img.copy(4 * cell.width(), 0, cell.width(), cell.height()));
    }
}

TEST(TLEDLabel, SpaceShowsTheStippleOnTheTitleAndNothingOnTheNumbers)
{
    auto title = titleLabel();
    const QImage t = render(*title, " ");
    int dim = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb px = t.pixel(x, y);
            ASSERT_TRUE(px == Dim || px == Black) << x << "," << y;
            if (px == Dim) {
                ++dim;
                EXPECT_EQ((x + y) % 2, 0);
            }
        }
    EXPECT_GT(dim, 40);
    // An accented letter is just as dark.
    EXPECT_EQ(render(*title, QStringLiteral("ř")), t);

    auto numbers = numberLabel();
    expectColumnsEqual(render(*numbers, "   "), 0, 272, Black);
}

TEST(TLEDLabel, TitleCellsAreCutAtTheEdge)
{
    const QString eighteen(18, u'8');
    auto wide = titleLabel(300);
    const QImage full = render(*wide, eighteen);
    auto label = titleLabel();
    const QImage img = render(*label, eighteen);
    ASSERT_EQ(img.width(), 273);
    // The 17th cell covers columns 256 to 271 and looks like the first.
    EXPECT_EQ(img.copy(256, 0, 16, 24), img.copy(0, 0, 16, 24));
    // The 18th starts at 272: its first column is all that is left of it,
    // the same as on a wider label, whose 18th cell is whole.
    EXPECT_EQ(img, full.copy(0, 0, 273, 25));
    EXPECT_EQ(full.copy(272, 0, 16, 24), img.copy(0, 0, 16, 24));
    // The row under the cells keeps the label's colour.
    expectColumnsEqual(img.copy(0, 24, 273, 1), 0, 272, Black);
}

TEST(TLEDLabel, NumberDisplayFills270Pixels)
{
    auto label = numberLabel();
    const QString text = QStringLiteral("128 kb/s        00:00/03:25");
    ASSERT_EQ(text.size(), 27);
    const QImage img = render(*label, text);
    int rightmostLit = -1;
    for (int x = 0; x < 273; ++x)
        for (int y = 0; y < 17; ++y)
            if (img.pixel(x, y) == Lit)
                rightmostLit = x;
    // The final "5" sits in columns 260 to 269.
    EXPECT_GE(rightmostLit, 262);
    EXPECT_LE(rightmostLit, 269);
    expectCellShowsMask(img, 260, QSize(10, 17), {5, 5, 1}, LedGeometry::charMask(U'5'), "5");
    expectCellShowsMask(img, 180, QSize(10, 17), {5, 5, 1}, LedGeometry::charMask(U':'), ":");
    expectColumnsEqual(img, 270, 272, Black);
}

TEST(TLEDLabel, DisabledLabelShowsOnlyUnlitCells)
{
    auto label = titleLabel(64);
    const QImage dark = render(*label, "    ");
    const QImage lit = render(*label, "8888");
    ASSERT_NE(dark, lit);
    label->setEnabled(false);
    EXPECT_EQ(render(*label, "8888"), dark);
    label->LED()->setDisabledDigits(false);
    EXPECT_EQ(render(*label, "8888"), lit);
}

TEST(TLEDLabel, BackgroundFollowsTheLabelColour)
{
    auto label = titleLabel(40);
    label->setColor(Qt::blue);
    const QImage img = render(*label, " ");
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 255));   // inside the cell
    EXPECT_EQ(img.pixel(35, 10), qRgb(0, 0, 255)); // right of the caption
    // The stipple keeps odd pixels in the background colour.
    bool sawDim = false;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb px = img.pixel(x, y);
            ASSERT_TRUE(px == Dim || px == qRgb(0, 0, 255)) << x << "," << y;
            sawDim |= px == Dim;
        }
    EXPECT_TRUE(sawDim);
    // The label's colour wins over one set on the LED object alone.
    label->LED()->setBackgroundColor(Qt::red);
    EXPECT_EQ(render(*label, " "), img);
}

TEST(TLEDLabel, RepaintsOnEveryChange)
{
    auto label = titleLabel();
    label->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(label.get()));

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    label->installEventFilter(&counter);

    const auto expectRepaint = [&](const char *what, auto change) {
        QCoreApplication::processEvents();
        counter.paints = 0;
        change();
        EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 2000)) << what;
    };
    expectRepaint("caption", [&] { label->setCaption("Klient"); });
    expectRepaint("same caption", [&] { label->setCaption("Klient"); });
    expectRepaint("thickness", [&] { label->LED()->setThickness(3); });
    expectRepaint("active colour", [&] { label->LED()->setActiveColor(Qt::yellow); });
    expectRepaint("label colour", [&] { label->setColor(Qt::darkGray); });
    expectRepaint("disabled", [&] { label->setEnabled(false); });
}
