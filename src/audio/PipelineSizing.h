#pragma once

#include <cstdint>

// Byte arithmetic of the output pipeline, in the 32-bit unsigned integers
// the rest of the engine uses.
namespace PipelineSizing {

// Size of the ring obtained when the engine is built.
inline constexpr std::uint32_t kInitialRingBytes = 88200;
// Largest block the decoder hands over at once.
inline constexpr std::uint32_t kTransferBytes = 36864;

// Bytes in 0.2 s of audio; each division truncates.
std::uint32_t chunkBytes(std::uint32_t rate, std::uint32_t channels, std::uint32_t bits);

// One decoder block: 576 or 1152 samples per channel.
std::uint32_t blockBytes(std::uint32_t rate, std::uint32_t channels, std::uint32_t bits);

// The ring keeps its size while it holds 0.4 to 0.8 s; otherwise it becomes 0.6 s.
std::uint32_t ringBytesFor(std::uint32_t currentRingBytes, std::uint32_t chunk);

} // namespace PipelineSizing
