// Feeds arbitrary bytes to the search syntax (after a first byte that gives a
// track's bit rate) and checks what a query may hold: words that are folded,
// non-empty and free of separators, filters with a bit rate of 0 or more, and
// that a track whose text is the search text itself matches exactly when the
// filters let its bit rate through.
#include "SearchQuery.h"
#include "TextFold.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int bitrate = int(data[0]) * 2; // 0 to 510 kbit/s
    const std::string_view text(reinterpret_cast<const char *>(data) + 1, size - 1);
    const SearchQuery query = SearchQuery::parse(text);

    std::size_t wordBytes = 0;
    for (const std::string &word : query.words()) {
        check(!word.empty());
        check(TextFold::fold(word) == word);
        for (const char c : word)
            check(static_cast<unsigned char>(c) > ' ' && c != '&');
        wordBytes += word.size();
    }
    check(wordBytes <= text.size());
    check(query.words().size() + query.filters().size() <= text.size() / 2 + 1);
    check(query.isEmpty() == (query.words().empty() && query.filters().empty()));

    bool passes = true;
    for (const SearchQuery::BitrateFilter &f : query.filters()) {
        check(f.kbps >= 0);
        switch (f.compare) {
        case SearchQuery::Compare::Equal: passes = passes && bitrate == f.kbps; break;
        case SearchQuery::Compare::Above: passes = passes && bitrate > f.kbps; break;
        case SearchQuery::Compare::Below: passes = passes && bitrate < f.kbps; break;
        }
    }
    check(query.matches(TextFold::fold(text), bitrate) == passes);
    // Folding is already done: folding again changes nothing.
    const std::string folded = TextFold::fold(text);
    check(TextFold::fold(folded) == folded);
    return 0;
}
