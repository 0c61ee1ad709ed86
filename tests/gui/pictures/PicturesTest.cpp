#include "ImageLists.h"
#include "Pictures.h"

#include <QDirIterator>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// The small picture enlarged pixel by pixel: what a display scale makes of a
// picture that exists only at its list size.
QImage blownUp(const QPixmap &small, QSize size)
{
    return small.toImage().scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage plain(const QPixmap &p)
{
    return p.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

TEST(Pictures, EveryFileInTheResourcesDraws)
{
    Pictures::resource(QStringLiteral("app")); // registers the resources
    int files = 0;
    for (QDirIterator it(QStringLiteral(":/pictures"), {QStringLiteral("*.svg")}); it.hasNext();) {
        const QString path = it.next();
        EXPECT_FALSE(Pictures::pixmap(path, QSize(16, 16)).isNull()) << path.toStdString();
        ++files;
    }
    EXPECT_EQ(files, 16);
    EXPECT_TRUE(Pictures::pixmap(QStringLiteral(":/pictures/none.svg"), QSize(16, 16)).isNull());
    EXPECT_TRUE(Pictures::pixmap(Pictures::resource(QStringLiteral("app")), QSize(0, 16)).isNull());
}

TEST(Pictures, AtTwiceTheScaleThePictureIsDrawnAnewNotBlownUp)
{
    for (int i = 0; i < ImageLists::PlayerButtonCount; ++i) {
        const QIcon icon = ImageLists::playerButtonIcon(i);
        const QPixmap sharp = icon.pixmap(QSize(28, 28), 2.0);
        ASSERT_EQ(sharp.size(), QSize(56, 56)) << i;
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0) << i;
        EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(28, 28)) << i;
        EXPECT_NE(plain(sharp), blownUp(ImageLists::playerButton(i), QSize(56, 56))) << i;
        // At a ratio of 1 the icon shows what the image list holds.
        EXPECT_EQ(plain(icon.pixmap(QSize(28, 28), 1.0)), plain(ImageLists::playerButton(i))) << i;
    }
    const QPixmap mark = ImageLists::listStatIcon(ImageLists::NowPlayingMark).pixmap(QSize(9, 9), 3.0);
    EXPECT_EQ(mark.size(), QSize(27, 27));
}

TEST(Pictures, DisabledLooksAreTheStylesUnlessThePictureIsKept)
{
    const QIcon greyed = ImageLists::playerButtonIcon(0);
    const QIcon kept = ImageLists::playerButtonIcon(0, true);
    const QImage normal = plain(greyed.pixmap(QSize(28, 28), QIcon::Normal));
    EXPECT_NE(plain(greyed.pixmap(QSize(28, 28), QIcon::Disabled)), normal);
    EXPECT_EQ(plain(kept.pixmap(QSize(28, 28), QIcon::Disabled)), normal);
}
