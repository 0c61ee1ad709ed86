#pragma once

#include <cstdint>
#include <string_view>

// The pairs of adjacent bytes in a text, hashed into 128 bits. A text whose
// set lacks a pair of a word cannot contain that word, so a search skips
// most texts with two AND operations instead of a substring search.
class BigramSet {
public:
    static BigramSet of(std::string_view text);
    // Adds the pairs of text.
    void add(std::string_view text);

    // False when a text with this set cannot contain a word (or words) with
    // the set given; true says only that it may.
    bool mayContain(const BigramSet &words) const
    {
        return (words.bits_[0] & ~bits_[0]) == 0 && (words.bits_[1] & ~bits_[1]) == 0;
    }

private:
    std::uint64_t bits_[2] = {0, 0};
};
