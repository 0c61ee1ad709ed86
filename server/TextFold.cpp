#include "TextFold.h"

#include <array>

namespace {

// The base letter of each byte 0x80..0xFF: the first character of its
// compatibility decomposition when that is an ASCII letter or digit, lower
// case (Ł, Đ and ß, which have none, by their look); a space otherwise.
constexpr char kHighHalfFolded[129] =
    "          s stzz"  // 0x80
    "         ts stzz"  // 0x90
    "   l a    s    z"  // 0xA0
    "   l     as l lz"  // 0xB0
    "raaaalccceeeeiid"  // 0xC0
    "dnnoooo ruuuuyts"  // 0xD0
    "raaaalccceeeeiid"  // 0xE0
    "dnnoooo ruuuuyt "; // 0xF0

std::array<char, 256> buildTable()
{
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80)
            table[b] = (b >= 'A' && b <= 'Z') ? char(b - 'A' + 'a') : char(b);
        else
            table[b] = kHighHalfFolded[b - 0x80];
    }
    return table;
}

} // namespace

namespace TextFold {

std::string fold(std::string_view windows1250)
{
    static const std::array<char, 256> table = buildTable();
    std::string out(windows1250.size(), ' ');
    for (size_t i = 0; i < windows1250.size(); ++i)
        out[i] = table[static_cast<unsigned char>(windows1250[i])];
    return out;
}

} // namespace TextFold
