// Feeds arbitrary bytes as a Range header (after two bytes that give the
// file's size) through the HTTP library's parser and the service's check,
// and checks that every range let through lies inside the file, so that the
// reply's length and the reads stay inside it too.
#include "ByteRanges.h"

#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    // Sizes near 0 and 2^15 up to 2^47: small files and offsets beyond 32 bits.
    const int shift = (data[0] & 0x80) ? 32 : 0;
    const std::int64_t fileSize = std::int64_t(((data[0] & 0x7F) << 8) | data[1]) << shift;
    const std::string header(reinterpret_cast<const char *>(data) + 2, size - 2);

    httplib::Ranges ranges;
    if (!httplib::detail::parse_range_header(header, ranges))
        return 0;
    const httplib::Ranges parsed = ranges;
    if (!clampRanges(ranges, fileSize))
        return 0;
    if (ranges.size() != parsed.size())
        std::abort();
    for (const auto &[first, last] : ranges)
        if (first < 0 || last < first || last >= fileSize)
            std::abort();
    return 0;
}
