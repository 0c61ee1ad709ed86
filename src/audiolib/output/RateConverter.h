#pragma once

#include "decode/Resampler.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class SpscRing;

namespace sonaroaudio {

// Brings a stream's PCM (8- or 16-bit, any channel count) to the mixer's
// rate as 16-bit frames and queues what the ring cannot take yet. Used by
// one thread at a time (the channel's feeder, with its feed lock held).
class RateConverter {
public:
    RateConverter(uint32_t inRate, uint32_t outRate, uint32_t channels, uint32_t bits);

    bool ok() const { return resampler_.ok(); }
    uint32_t outRate() const { return resampler_.outRate(); }

    // Converts size bytes of whole source frames and queues the result;
    // ended flushes the filter's tail after them.
    void push(const uint8_t *bytes, size_t size, bool ended);
    // Writes queued frames into ring as far as they fit; true when none are
    // left waiting.
    bool drainInto(SpscRing &ring);
    // The filter's tail has been queued: nothing more will come.
    bool flushed() const { return flushed_; }
    // Forgets the queue and the filter's state, for a fresh signal.
    void clear();

private:
    Resampler resampler_;
    const uint32_t channels_;
    const uint32_t bits_;
    std::vector<int16_t> widened_;   // 8-bit input as 16-bit
    std::vector<int16_t> converted_; // output not yet in the ring
    size_t convertedAt_ = 0;         // first sample of converted_ not yet written
    bool flushed_ = false;
};

} // namespace sonaroaudio
