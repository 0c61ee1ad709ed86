// The toolkit-free codec against Qt's own UTF-8 and UTF-16 handling, which
// the client used before and still uses through the adapter.
#include "Windows1250.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

std::string viaQt(std::string_view utf8)
{
    return Windows1250::encode(QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))).toStdString();
}

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 15];
        out += ' ';
    }
    return out;
}

} // namespace

TEST(Windows1250Codec, MalformedUtf8BecomesWhatQtMadeOfIt)
{
    const char *cases[] = {
        "\xEF\xBB\xBFŠárka",     // byte order mark
        "\xC0\x80",              // overlong NUL
        "\xE0\x80\xAF",          // overlong slash
        "\xED\xA0\x80",          // a surrogate
        "\xF4\x90\x80\x80",      // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80",  // five bytes
        "a\xE2\x82",             // cut at the end
        "\xE2\x82" "A",          // cut in the middle
        "\x80\xBF",              // lone continuations
        "\xC3\xA1\xFF\xFE",      // á, then bytes UTF-8 never has
        "\xF0\x9F\x98\x80",      // outside the code page
    };
    for (const char *c : cases)
        EXPECT_EQ(Windows1250::fromUtf8(c), viaQt(c)) << hex(c);
}

TEST(Windows1250Codec, RandomTextAgreesWithQtBothWays)
{
    QRandomGenerator random(1250);
    // Pieces that make valid and broken sequences likely.
    const std::string pieces[] = {"a", "Ž", "ů", "€", "\xC3", "\xA1", "\xE2\x82", "\xAC", "\xF0\x9F", "\x98\x80",
                                  "\xED\xA0", "\xC0", "\xFF", " "};
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        const int count = random.bounded(12);
        for (int i = 0; i < count; ++i) {
            if (random.bounded(4) == 0)
                text += char(random.bounded(256));
            else
                text += pieces[random.bounded(int(std::size(pieces)))];
        }
        ASSERT_EQ(Windows1250::fromUtf8(text), viaQt(text)) << hex(text);
        ASSERT_EQ(Windows1250::toUtf8(text),
                  Windows1250::decode(QByteArrayView(text.data(), qsizetype(text.size()))).toUtf8().toStdString())
            << hex(text);
    }
}

TEST(Windows1250Codec, EveryByteAsUtf16AndBackThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const std::u16string utf16 = Windows1250::toUtf16(all);
    const QString decoded = Windows1250::decode(QByteArrayView(all.data(), qsizetype(all.size())));
    ASSERT_EQ(utf16.size(), all.size());
    EXPECT_EQ(QString::fromStdU16String(utf16), decoded);
    EXPECT_EQ(Windows1250::fromUtf8(Windows1250::toUtf8(all)), all);
}
