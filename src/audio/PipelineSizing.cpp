#include "PipelineSizing.h"

namespace PipelineSizing {

std::uint32_t chunkBytes(std::uint32_t rate, std::uint32_t channels, std::uint32_t bits)
{
    return (bits / 8) * rate * channels * 2 / 10;
}

std::uint32_t blockBytes(std::uint32_t rate, std::uint32_t channels, std::uint32_t bits)
{
    std::uint32_t block = bits <= 8 ? channels * 576 : channels * 1152;
    if (rate > 22050)
        block *= 2;
    return block;
}

std::uint32_t ringBytesFor(std::uint32_t currentRingBytes, std::uint32_t chunk)
{
    if (currentRingBytes < 2 * chunk || currentRingBytes > 4 * chunk)
        return 3 * chunk;
    return currentRingBytes;
}

} // namespace PipelineSizing
