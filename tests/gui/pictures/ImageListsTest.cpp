#include "ImageLists.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

bool hasInk(const QPixmap &p)
{
    const QImage image = p.toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

} // namespace

TEST(ImageLists, PicturesHaveTheirListSizesAndDiffer)
{
    EXPECT_EQ(ImageLists::appIcon().size(), QSize(16, 16));
    EXPECT_TRUE(hasInk(ImageLists::appIcon()));
    for (int i = 0; i < ImageLists::PlayerButtonCount; ++i) {
        EXPECT_EQ(ImageLists::playerButton(i).size(), QSize(28, 28)) << i;
        EXPECT_TRUE(hasInk(ImageLists::playerButton(i))) << i;
    }
    for (int i = 0; i < ImageLists::ListStatCount; ++i)
        EXPECT_EQ(ImageLists::listStat(i).size(), QSize(9, 9)) << i;
    // Play, pause and stop, plain and highlighted, are six different pictures.
    for (int a = 0; a < ImageLists::PlayerButtonCount; ++a)
        for (int b = a + 1; b < ImageLists::PlayerButtonCount; ++b)
            EXPECT_NE(ImageLists::playerButton(a).toImage(), ImageLists::playerButton(b).toImage()) << a << b;
    EXPECT_NE(ImageLists::listStat(0).toImage(), ImageLists::listStat(1).toImage());
    EXPECT_TRUE(ImageLists::playerButton(6).isNull());
    EXPECT_TRUE(ImageLists::listStat(-1).isNull());
}
