#include "ConversionError.h"
#include "Conversions.h"
#include "ShiftHex.h"

#include <gtest/gtest.h>

TEST(ShiftHex, EncodesEachByteAsTwoUpperCaseDigits)
{
    EXPECT_EQ(EncodeShiftHex("123", 0), QByteArray("313233"));
    EXPECT_EQ(EncodeShiftHex("\x0A", 0x10), QByteArray("1A"));
    EXPECT_EQ(EncodeShiftHex("", 7), QByteArray());
    // A ten-digit client ID gives twenty characters, all upper-case hex.
    const QByteArray id = EncodeShiftHex("2147483647", ShiftHex::ClientIdKey);
    ASSERT_EQ(id.size(), 20);
    for (char c : id)
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << c;
}

TEST(ShiftHex, OverflowWrapsBy255NotBy256)
{
    // 250 + 10 = 260 -> 5, not 4.
    EXPECT_EQ(EncodeShiftHex("\xFA", 10), QByteArray("05"));
    EXPECT_EQ(DecodeShiftHex("05", 10), QByteArray("\xFA"));
    // 255 + 1 = 256 -> 1, which reads back as byte 0: 255 is the one byte
    // that does not survive.
    EXPECT_EQ(EncodeShiftHex("\xFF", 1), QByteArray("01"));
    EXPECT_EQ(DecodeShiftHex("01", 1), QByteArray(1, '\0'));
    // Sum exactly 255 does not wrap.
    EXPECT_EQ(EncodeShiftHex("\xF5", 10), QByteArray("FF"));
}

TEST(ShiftHex, DecodingUndoesEncodingForBytes0To254)
{
    QByteArray all;
    for (int b = 0; b <= 254; ++b)
        all.append(char(b));
    for (int key : {0, 1, 0x5A, 0x80, 200, 255})
        EXPECT_EQ(DecodeShiftHex(EncodeShiftHex(all, key), key), all) << "key " << key;
}

TEST(ShiftHex, DecodeTakesEitherCaseAndIgnoresATrailingDigit)
{
    EXPECT_EQ(DecodeShiftHex("4a4A", 0), QByteArray("JJ"));
    EXPECT_EQ(DecodeShiftHex("414", 0), QByteArray("A"));
    EXPECT_EQ(DecodeShiftHex("4", 0), QByteArray());
    EXPECT_EQ(DecodeShiftHex("", 0), QByteArray());
}

TEST(ShiftHex, NonHexPairRaisesAConversionError)
{
    EXPECT_THROW(DecodeShiftHex("41ZZ", 0), ConversionError);
    EXPECT_THROW(DecodeShiftHex("4 ", 0), ConversionError);
    EXPECT_THROW(DecodeShiftHex("-1", 0), ConversionError);
    // The bad digit in the trailing odd position is never read.
    EXPECT_EQ(DecodeShiftHex("41Z", 0), QByteArray("A"));
}

TEST(Conversions, StrToIntIsStrictDecimalIn32Bits)
{
    EXPECT_EQ(Conversions::StrToInt("4711"), 4711);
    EXPECT_EQ(Conversions::StrToInt("-1"), -1);
    EXPECT_EQ(Conversions::StrToInt(" 12 "), 12);
    EXPECT_EQ(Conversions::StrToInt("-2147483648"), INT32_MIN);
    for (const char *bad : {"", " ", "12a", "0x10", "2147483648", "1.5", "abc"})
        EXPECT_THROW(Conversions::StrToInt(bad), ConversionError) << bad;
    try {
        Conversions::StrToInt("abc");
    } catch (const ConversionError &e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}
