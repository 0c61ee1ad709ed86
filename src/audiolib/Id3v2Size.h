#pragma once

#include <cstddef>
#include <cstdint>

// ID3v2's "syncsafe" integers: four bytes of seven bits each, most
// significant first. Shared by the library and the engine, both of which
// find tag blocks in the stream's bytes.
inline std::uint32_t id3v2Syncsafe(const unsigned char *four)
{
    return (std::uint32_t(four[0] & 0x7F) << 21) | (std::uint32_t(four[1] & 0x7F) << 14)
         | (std::uint32_t(four[2] & 0x7F) << 7) | std::uint32_t(four[3] & 0x7F);
}

// Length of the ID3v2 block that starts at header (at least 10 bytes),
// header and footer included; 0 when none starts there.
inline std::size_t id3v2BlockLength(const unsigned char *header)
{
    if (header[0] != 'I' || header[1] != 'D' || header[2] != '3')
        return 0;
    return 10 + std::size_t(id3v2Syncsafe(header + 6)) + ((header[5] & 0x10) ? 10 : 0);
}
