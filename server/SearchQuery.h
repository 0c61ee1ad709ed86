#pragma once

#include "BigramSet.h"

#include <string>
#include <string_view>
#include <vector>

// A search text as the client sends it (Windows-1250): words that must all
// occur in a track's name, artist or album, and bit-rate filters written
// "kbs:128" (equal), "kbs>192" (above) or "kbs<128" (below).
class SearchQuery {
public:
    enum class Compare { Equal, Above, Below };
    struct BitrateFilter {
        Compare compare;
        int kbps;
    };

    static SearchQuery parse(std::string_view windows1250);

    // True when nothing would restrict the result: no word, no filter.
    bool isEmpty() const { return words_.empty() && filters_.empty(); }
    // foldedText: TextFold::fold of the searchable fields.
    bool matches(std::string_view foldedText, int bitrate) const;
    // The same, quicker: textPairs is BigramSet::of(foldedText).
    bool matches(std::string_view foldedText, const BigramSet &textPairs, int bitrate) const
    {
        return textPairs.mayContain(wordPairs_) && matches(foldedText, bitrate);
    }

    const std::vector<std::string> &words() const { return words_; }
    const std::vector<BitrateFilter> &filters() const { return filters_; }

private:
    std::vector<std::string> words_;  // folded
    std::vector<BitrateFilter> filters_;
    BigramSet wordPairs_;  // of every word
};
