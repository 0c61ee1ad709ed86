#include "Windows1250.h"

#include <gtest/gtest.h>

TEST(Windows1250, CzechLettersMapBothWays)
{
    const QString czech = QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy");
    const QByteArray bytes = Windows1250::encode(czech);
    EXPECT_EQ(bytes.size(), czech.size());
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xF8); // ř
    EXPECT_EQ(Windows1250::decode(bytes), czech);
}

TEST(Windows1250, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(Windows1250::encode(Windows1250::decode(all)), all);
}

TEST(Windows1250, UnmappableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(Windows1250::encode(QStringLiteral("a\u4e2db\U0001F600")), QByteArray("a?b?"));
}

TEST(Windows1250, Utf8Bridge)
{
    EXPECT_EQ(Windows1250::fromUtf8("Šárka"), std::string("\x8A\xE1rka"));
    EXPECT_EQ(Windows1250::toUtf8("\x8A\xE1rka"), std::string("Šárka"));
}
