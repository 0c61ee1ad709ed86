#include "SearchQuery.h"

#include "TextFold.h"

#include <charconv>

namespace {

// "kbs" followed by ':', '>' or '<' and a number; other "kbs..." tokens are
// plain words.
bool parseFilter(std::string_view token, SearchQuery::BitrateFilter &filter)
{
    if (token.size() < 5 || token.substr(0, 3) != "kbs")
        return false;
    switch (token[3]) {
    case ':': filter.compare = SearchQuery::Compare::Equal; break;
    case '>': filter.compare = SearchQuery::Compare::Above; break;
    case '<': filter.compare = SearchQuery::Compare::Below; break;
    default: return false;
    }
    const char *first = token.data() + 4;
    const char *last = token.data() + token.size();
    const auto [end, ec] = std::from_chars(first, last, filter.kbps);
    return ec == std::errc() && end == last && filter.kbps >= 0;
}

} // namespace

SearchQuery SearchQuery::parse(std::string_view windows1250)
{
    SearchQuery query;
    const std::string folded = TextFold::fold(windows1250);
    // Separators: blanks, the punctuation that folding turned into spaces,
    // and '&', which the client may leave unescaped between words.
    const auto separator = [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '&'; };
    std::vector<std::string_view> tokens;
    size_t pos = 0;
    while (pos < folded.size()) {
        while (pos < folded.size() && separator(folded[pos]))
            ++pos;
        size_t end = pos;
        while (end < folded.size() && !separator(folded[end]))
            ++end;
        if (end == pos)
            break;
        tokens.emplace_back(folded.data() + pos, end - pos);
        pos = end;
    }
    for (size_t i = 0; i < tokens.size(); ++i) {
        BitrateFilter filter{};
        if (parseFilter(tokens[i], filter)) {
            query.filters_.push_back(filter);
            continue;
        }
        // "kbs > 192" and "kbs: 128" are typed too: join up to two more tokens.
        if (tokens[i].substr(0, 3) == "kbs" && tokens[i].size() <= 4) {
            std::string joined(tokens[i]);
            bool found = false;
            for (size_t j = i + 1; j < tokens.size() && j <= i + 2 && !found; ++j) {
                joined += tokens[j];
                if (parseFilter(joined, filter)) {
                    query.filters_.push_back(filter);
                    i = j;
                    found = true;
                }
            }
            if (found)
                continue;
        }
        query.words_.emplace_back(tokens[i]);
        query.wordPairs_.add(tokens[i]);
    }
    return query;
}

bool SearchQuery::matches(std::string_view foldedText, int bitrate) const
{
    for (const BitrateFilter &f : filters_) {
        switch (f.compare) {
        case Compare::Equal: if (bitrate != f.kbps) return false; break;
        case Compare::Above: if (bitrate <= f.kbps) return false; break;
        case Compare::Below: if (bitrate >= f.kbps) return false; break;
        }
    }
    for (const std::string &word : words_)
        if (foldedText.find(word) == std::string_view::npos)
            return false;
    return true;
}
