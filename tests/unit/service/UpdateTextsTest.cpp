#include "UpdateTexts.h"

#include <gtest/gtest.h>

#include <limits>

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
    // The largest sizes neither overflow nor lose their last tenth.
    EXPECT_EQ(UpdateTexts::sizeText(std::numeric_limits<qint64>::max(), comma), QStringLiteral("8796093022208"));
    EXPECT_EQ(UpdateTexts::sizeText(std::numeric_limits<qint64>::min(), comma), QStringLiteral("-8796093022208"));
}

TEST(UpdateTexts, OfferAndCountWording)
{
    EXPECT_EQ(UpdateTexts::offerQuestion(QStringLiteral("0.4"), QStringLiteral("1")),
              QString::fromUtf8("Nová verze (0.4) programu Sonaro Klient je k dispozici. Aktualizovat? (Velikost: 1 MB)"));
    EXPECT_EQ(UpdateTexts::databaseCountText(QStringLiteral("125000")),
              QString::fromUtf8("V naší databázi je: 125000 MP3"));
}
