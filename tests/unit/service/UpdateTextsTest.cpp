#include "UpdateTexts.h"
#include "WindowPlacement.h"

#include <gtest/gtest.h>

TEST(UpdateTexts, SizeInMebibytesWithOneOptionalDecimal)
{
    const QChar comma(QLatin1Char(','));
    EXPECT_EQ(UpdateTexts::sizeText(3145728, comma), QStringLiteral("3"));
    EXPECT_EQ(UpdateTexts::sizeText(3670016, comma), QStringLiteral("3,5"));
    EXPECT_EQ(UpdateTexts::sizeText(3670016, QLatin1Char('.')), QStringLiteral("3.5"));
    EXPECT_EQ(UpdateTexts::sizeText(1048576, comma), QStringLiteral("1"));
    EXPECT_EQ(UpdateTexts::sizeText(0, comma), QStringLiteral("0"));
    EXPECT_EQ(UpdateTexts::sizeText(1000, comma), QStringLiteral("0"));
    // 0.05 MiB rounds up to one tenth, 0.04 down to nothing.
    EXPECT_EQ(UpdateTexts::sizeText(52429, comma), QStringLiteral("0,1"));
    EXPECT_EQ(UpdateTexts::sizeText(41943, comma), QStringLiteral("0"));
    // 2.96 MiB rounds to a whole 3 with no trailing ",0".
    EXPECT_EQ(UpdateTexts::sizeText(3103785, comma), QStringLiteral("3"));
    EXPECT_EQ(UpdateTexts::sizeText(2147483647, comma), QStringLiteral("2048"));
    EXPECT_EQ(UpdateTexts::sizeText(-3670016, comma), QStringLiteral("-3,5"));
}

TEST(UpdateTexts, OfferAndCountWording)
{
    EXPECT_EQ(UpdateTexts::offerQuestion(QStringLiteral("0.4"), QStringLiteral("1")),
              QString::fromUtf8("Nová verze (0.4) programu Sonaro Klient je k dispozici. Aktualizovat? (Velikost: 1 MB)"));
    EXPECT_EQ(UpdateTexts::databaseCountText(QStringLiteral("125000")),
              QString::fromUtf8("V naší databázi je: 125000 MP3"));
}

TEST(WindowPlacement, StoredValuesAreKeptNegativeOnesCentreWithHalvesToEven)
{
    EXPECT_EQ(WindowPlacement::axis(100, 1080, 600), 100);
    EXPECT_EQ(WindowPlacement::axis(0, 1080, 600), 0);
    EXPECT_EQ(WindowPlacement::axis(5000, 1080, 600), 5000); // off the screen, still kept
    EXPECT_EQ(WindowPlacement::axis(-5, 1080, 600), 240);
    EXPECT_EQ(WindowPlacement::axis(-1, 1081, 600), 240); // 240.5 -> 240
    EXPECT_EQ(WindowPlacement::axis(-1, 1083, 600), 242); // 241.5 -> 242
    EXPECT_EQ(WindowPlacement::axis(-1, 1920, 898), 511);
    EXPECT_EQ(WindowPlacement::axis(-1, 500, 603), -52);  // -51.5 -> -52
    EXPECT_EQ(WindowPlacement::axis(-1, 500, 601), -50);  // -50.5 -> -50

    const QPoint corner = WindowPlacement::topLeft(100, 50, QSize(1920, 1080), QSize(898, 600));
    EXPECT_EQ(corner, QPoint(50, 100));
    const QPoint centred = WindowPlacement::topLeft(-1, -1, QSize(1920, 1080), QSize(898, 600));
    EXPECT_EQ(centred, QPoint(511, 240));
}
