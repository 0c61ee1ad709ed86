#pragma once

#include "ResultRow.h"

#include <QByteArrayView>

#include <functional>
#include <vector>

// Ordering of the results list: every column, numbers included, compares as
// Windows-1250 text with only a-z folded onto A-Z; every other byte counts by
// its code, so "10" sorts before "9" and accented letters by their 8-bit code.
namespace ResultsSort {

// Negative when a sorts before b, 0 when equal, positive otherwise.
int compareText(QByteArrayView a, QByteArrayView b);

// Compares two rows by a list column (0 = caption, c > 0 = sub-item c - 1);
// column -1 makes every pair equal; descending negates.
int compareRows(const ResultRow &a, const ResultRow &b, int column, bool descending);

// The permutation that orders `count` texts: result[i] is the index of the
// text that goes to position i; equal texts keep their order.
std::vector<int> sortedOrder(int count, const std::function<const QByteArray &(int)> &text, bool descending);

} // namespace ResultsSort
