#pragma once

#include <cstddef>
#include <cstdint>

namespace sonaroaudio {

// Decides from the first bytes of a file whether it is MPEG audio, so that
// an HTML page or random bytes are refused before a decoder sees them.
namespace MpegSniffer {

enum class Verdict { Yes, No, NeedMore };

// Size of a leading ID3v2 block (header and footer included), 0 when none;
// needs 10 bytes.
size_t id3v2Size(const uint8_t *data, size_t size);

// Length in bytes of the frame whose header starts at data (4 bytes), 0 when
// those bytes are no valid MPEG audio frame header.
size_t frameLength(const uint8_t *data);

// Looks for kChain consecutive frames with the same version, layer and rate
// starting within the first `searchLimit` bytes. `atEnd`: no more bytes will
// come, so a short file is judged on what there is.
Verdict sniff(const uint8_t *data, size_t size, bool atEnd);

constexpr int kChain = 4;
constexpr size_t kSearchLimit = 64 * 1024;

} // namespace MpegSniffer

} // namespace sonaroaudio
