#include "PercentCodec.h"

#include "HexDigits.h"

namespace PercentCodec {

namespace {

bool unreserved(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

} // namespace

std::string encode(std::string_view bytes, Keep keep)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep == Keep::Visible ? c > 0x20 && c < 0x7F : unreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += HexDigits::kUpper[c >> 4];
            out += HexDigits::kUpper[c & 15];
        }
    }
    return out;
}

std::string decodeQuery(std::string_view encoded)
{
    std::string out;
    out.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        const int high = c == '%' && i + 2 < encoded.size() ? HexDigits::valueOf(encoded[i + 1]) : -1;
        const int low = high >= 0 ? HexDigits::valueOf(encoded[i + 2]) : -1;
        if (c == '+') {
            out += ' ';
        } else if (low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace PercentCodec
