#pragma once

#include <sys/types.h>

#include <cstdint>
#include <utility>
#include <vector>

// The byte ranges of a Range header as the HTTP library parses them: (first,
// last) with -1 for an open end, and (-1, N) for the last N bytes.
using ByteRangeList = std::vector<std::pair<ssize_t, ssize_t>>;

// The HTTP library takes parsed ranges as they are: one that starts past the
// end underflows its Content-Length, and an end past the file reads beyond
// it. So ranges are checked and cut to a file of size bytes here: false when
// none can be served (416).
bool clampRanges(ByteRangeList &ranges, std::int64_t size);
