#include "ResultsSort.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace ResultsSort {

namespace {

inline unsigned char fold(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

QByteArray folded(const QByteArray &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    const auto *src = reinterpret_cast<const unsigned char *>(text.constData());
    auto *dst = reinterpret_cast<unsigned char *>(out.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        dst[i] = fold(src[i]);
    return out;
}

// Keys are folded already, so a plain unsigned byte comparison is the order.
inline int compareFolded(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    if (n > 0) {
        const int r = std::memcmp(a.constData(), b.constData(), static_cast<size_t>(n));
        if (r != 0)
            return r;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
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

std::vector<int> sortedOrder(const std::vector<ResultRow> &rows, int column, bool descending)
{
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (column < 0 || column >= ResultRow::kColumnCount)
        return order;

    // Fold each key once instead of on every comparison.
    std::vector<QByteArray> keys;
    keys.reserve(rows.size());
    for (const ResultRow &row : rows)
        keys.push_back(folded(row.cells[static_cast<size_t>(column)]));

    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const int r = compareFolded(keys[static_cast<size_t>(x)], keys[static_cast<size_t>(y)]);
        return descending ? r > 0 : r < 0;
    });
    return order;
}

} // namespace ResultsSort
