#include "ByteRanges.h"

#include <algorithm>

bool clampRanges(ByteRangeList &ranges, std::int64_t size)
{
    if (ranges.empty())
        return true;
    if (ranges.size() > 16 || size == 0)
        return false;
    for (auto &[first, last] : ranges) {
        if (first < 0) {  // "-N": the last N bytes
            if (last <= 0)
                return false;
            first = std::max<std::int64_t>(0, size - last);
            last = size - 1;
            continue;
        }
        if (first >= size || (last >= 0 && last < first))
            return false;
        if (last < 0 || last >= size)
            last = size - 1;
    }
    return true;
}
