#include "QueryString.h"

#include "PercentCodec.h"

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
            items_.emplace_back(PercentCodec::decodeQuery(item), std::string());
        else
            items_.emplace_back(PercentCodec::decodeQuery(item.substr(0, eq)), PercentCodec::decodeQuery(item.substr(eq + 1)));
    }
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
    return PercentCodec::decodeQuery(encoded.substr(pos + key.size()));
}
