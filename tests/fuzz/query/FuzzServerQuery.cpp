// Feeds arbitrary bytes to the query reader as a query, and checks it against
// a query built from the input: items encoded byte for byte read back as the
// bytes, with the first of a repeated name winning.
#include "PercentCodec.h"
#include "QueryString.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::string percentEncoded(std::string_view bytes)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += '%';
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);

    // As a query: decoding never grows the text, and the search text is
    // everything after the first "find=" item.
    const QueryString query(input);
    check(PercentCodec::decodeQuery(input).size() <= input.size());
    for (const char *name : {"find", "act", "id", "kam", "body", "verze", "kid", "KID"})
        if (const auto v = query.value(name))
            check(v->size() <= input.size());
    if (const auto text = QueryString::searchText(input)) {
        const std::size_t at = input.substr(0, 5) == "find=" ? 0 : input.find("&find=") + 1;
        check(*text == PercentCodec::decodeQuery(input.substr(at + 5)));
    }

    // As items: the input split at NUL bytes into name, value, name, ...
    std::string encoded;
    std::string firstName, firstValue, secondName, secondValue;
    std::size_t item = 0;
    for (std::size_t pos = 0; pos <= input.size() && item < 4; ++item) {
        const std::size_t end = std::min(input.find('\0', pos), input.size());
        const std::string_view part = input.substr(pos, end - pos);
        (item == 0 ? firstName : item == 1 ? firstValue : item == 2 ? secondName : secondValue) = part;
        pos = end + 1;
    }
    if (firstName.empty())
        return 0;
    encoded = percentEncoded(firstName) + '=' + percentEncoded(firstValue);
    if (!secondName.empty())
        encoded += '&' + percentEncoded(secondName) + '=' + percentEncoded(secondValue);
    const QueryString built(encoded);
    check(built.value(firstName) == firstValue);
    if (!secondName.empty())
        check(built.value(secondName) == (secondName == firstName ? firstValue : secondValue));
    check(PercentCodec::decodeQuery(percentEncoded(input)) == input);
    return 0;
}
