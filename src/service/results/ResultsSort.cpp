#include "ResultsSort.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace ResultsSort {

namespace {

inline unsigned char fold(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

// A row's folded sort key: its first eight bytes as a big-endian number decide
// most comparisons without touching the text; equal prefixes fall back to the
// whole key (zero padding makes a shorter key order first, as it should).
struct SortKey
{
    quint64 prefix;
    std::string_view text;
    int row;
};

inline bool keyLess(const SortKey &a, const SortKey &b)
{
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
    return a.text < b.text;
}

} // namespace

int compareText(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int ca = fold(static_cast<unsigned char>(a[i]));
        const int cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca - cb;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int compareRows(const ResultRow &a, const ResultRow &b, int column, bool descending)
{
    if (column < 0 || column >= ResultRow::kColumnCount)
        return 0;
    const int r = compareText(a.cells[static_cast<size_t>(column)], b.cells[static_cast<size_t>(column)]);
    return descending ? -r : r;
}

std::vector<int> sortedOrder(int count, const std::function<const QByteArray &(int)> &cell, bool descending)
{
    const auto rows = static_cast<size_t>(std::max(count, 0));
    std::vector<int> order(rows);

    // Fold every key once, into one buffer.
    size_t total = 0;
    for (size_t r = 0; r < rows; ++r)
        total += static_cast<size_t>(cell(static_cast<int>(r)).size());
    std::string folded(total, '\0');
    std::vector<SortKey> keys(rows);
    size_t at = 0;
    for (size_t r = 0; r < rows; ++r) {
        const QByteArray &text = cell(static_cast<int>(r));
        const auto *src = reinterpret_cast<const unsigned char *>(text.constData());
        quint64 prefix = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const unsigned char c = fold(src[i]);
            folded[at + static_cast<size_t>(i)] = static_cast<char>(c);
            if (i < 8)
                prefix |= static_cast<quint64>(c) << (8 * (7 - i));
        }
        keys[r] = {prefix, {}, static_cast<int>(r)};
        at += static_cast<size_t>(text.size());
    }
    at = 0;
    for (size_t r = 0; r < rows; ++r) {
        const auto size = static_cast<size_t>(cell(static_cast<int>(r)).size());
        keys[r].text = std::string_view(folded.data() + at, size);
        at += size;
    }

    if (descending)
        std::stable_sort(keys.begin(), keys.end(), [](const SortKey &a, const SortKey &b) { return keyLess(b, a); });
    else
        std::stable_sort(keys.begin(), keys.end(), keyLess);
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].row;
    return order;
}

} // namespace ResultsSort
