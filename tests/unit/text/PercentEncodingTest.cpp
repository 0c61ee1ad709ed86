#include "PercentCodec.h"
#include "PercentEncoding.h"

#include <gtest/gtest.h>

#include <string>

TEST(PercentEncoding, QueryValuesRoundTripEveryByte)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QByteArray encoded = PercentEncoding::encode(all);
    EXPECT_EQ(QByteArray::fromPercentEncoding(encoded), all);
    // 66 unreserved bytes stay, the other 190 take three characters each.
    EXPECT_EQ(encoded.size(), 66 + 190 * 3);
    EXPECT_EQ(PercentEncoding::encode(QByteArrayView("\0\xff", 2)), "%00%FF");
    EXPECT_EQ(PercentEncoding::encode(""), "");
}

TEST(PercentEncoding, RequestTargetEncodesOnlyWhatCannotStandOnARequestLine)
{
    EXPECT_EQ(PercentEncoding::encodeRequestTarget("/a b\tc"), "/a%20b%09c");
    EXPECT_EQ(PercentEncoding::encodeRequestTarget(QByteArray("/\x00\x7F\x80\xFF", 5)), "/%00%7F%80%FF");
    // Reserved and already-encoded bytes, dot segments and "#" go as given.
    const QByteArray asIs = "/../x/./y?find=a+b&c=%41#frag~!$'()*,;=:@";
    EXPECT_EQ(PercentEncoding::encodeRequestTarget(asIs), asIs);
    // Byte by byte: the visible ASCII range as it is, everything else escaped.
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, char(b));
        const QByteArray expected = b > 0x20 && b < 0x7F ? one : "%" + QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
        EXPECT_EQ(PercentEncoding::encodeRequestTarget(one), expected) << b;
    }
}

TEST(PercentCodec, EncodesAsTheClientDoesAndDecodesQueries)
{
    // The service's links and the client's requests escape the same bytes.
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, char(b));
        EXPECT_EQ(PercentCodec::encode(one), PercentEncoding::encode(QByteArray(one.data(), 1)).toStdString()) << b;
    }
    EXPECT_EQ(PercentCodec::encode("P\xeds n/a&b"), "P%EDs%20n%2Fa%26b");
    EXPECT_EQ(PercentCodec::encode(""), "");

    EXPECT_EQ(PercentCodec::decodeQuery("%9Elu%9Do+k%F9%F2"), "\x9Elu\x9Do k\xF9\xF2");
    // Broken escapes stay as they are instead of eating the next characters.
    EXPECT_EQ(PercentCodec::decodeQuery("100%"), "100%");
    EXPECT_EQ(PercentCodec::decodeQuery("%zz%4"), "%zz%4");
    EXPECT_EQ(PercentCodec::decodeQuery("%00a"), std::string("\0a", 2));
    EXPECT_EQ(PercentCodec::decodeQuery("a%41"), "aA");
    EXPECT_EQ(PercentCodec::decodeQuery(PercentCodec::encode("\x9Elu\x9Do k\xF9\xF2+")), "\x9Elu\x9Do k\xF9\xF2+");
}
