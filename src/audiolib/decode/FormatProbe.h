#pragma once

#include "decode/Decoder.h"

#include <atomic>
#include <memory>

namespace sonaroaudio {

class Download;

// Looks at the first bytes of a download and picks the decoder that may
// read it: RIFF/RF64, FORM and OggS go to libsndfile, a chain of MPEG audio
// frames (after an ID3v2 block) to libmpg123; anything else is refused
// before a decoder sees it.
namespace FormatProbe {

// Waits for enough bytes to decide. Null when the data is no supported
// audio, or when interrupt was set (and the store woken) meanwhile.
std::unique_ptr<Decoder> decoderFor(Download &download, const std::atomic<bool> &interrupt);

} // namespace FormatProbe

} // namespace sonaroaudio
