#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Query strings and form bodies ("a=1&b=x%E8y") decoded to raw bytes: the
// client's %XX escapes carry Windows-1250, so nothing is reinterpreted as UTF-8.
class QueryString {
public:
    explicit QueryString(std::string_view encoded);

    // The first value of name, nullopt when absent.
    std::optional<std::string> value(std::string_view name) const;

    // Everything after "find=" to the end of the query: a search text in
    // which the client left an '&' unescaped still arrives whole.
    static std::optional<std::string> searchText(std::string_view encoded);

private:
    std::vector<std::pair<std::string, std::string>> items_;
};
