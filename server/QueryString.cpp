#include "QueryString.h"

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QueryString::QueryString(std::string_view encoded)
{
    while (!encoded.empty()) {
        const auto amp = encoded.find('&');
        const std::string_view item = encoded.substr(0, amp);
        encoded = amp == std::string_view::npos ? std::string_view() : encoded.substr(amp + 1);
        if (item.empty())
            continue;
        const auto eq = item.find('=');
        if (eq == std::string_view::npos)
            items_.emplace_back(decode(item), std::string());
        else
            items_.emplace_back(decode(item.substr(0, eq)), decode(item.substr(eq + 1)));
    }
}

std::string QueryString::decode(std::string_view encoded)
{
    std::string out;
    out.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0
                   && hexValue(encoded[i + 2]) >= 0) {
            out += char(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> QueryString::value(std::string_view name) const
{
    for (const auto &[key, value] : items_)
        if (key == name)
            return value;
    return std::nullopt;
}

std::optional<std::string> QueryString::searchText(std::string_view encoded)
{
    constexpr std::string_view key = "find=";
    size_t pos = 0;
    if (encoded.substr(0, key.size()) != key) {
        pos = encoded.find("&find=");
        if (pos == std::string_view::npos)
            return std::nullopt;
        ++pos;
    }
    return decode(encoded.substr(pos + key.size()));
}
