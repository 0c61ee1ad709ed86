#include "BigramSet.h"

BigramSet BigramSet::of(std::string_view text)
{
    BigramSet set;
    set.add(text);
    return set;
}

void BigramSet::add(std::string_view text)
{
    for (size_t i = 1; i < text.size(); ++i) {
        const std::uint32_t pair = std::uint32_t(static_cast<unsigned char>(text[i - 1])) << 8
                                   | static_cast<unsigned char>(text[i]);
        // Fibonacci hashing: the top seven bits of the product pick the bit.
        const std::uint32_t bit = (pair * 2654435769u) >> 25;
        bits_[bit >> 6] |= std::uint64_t(1) << (bit & 63);
    }
}
