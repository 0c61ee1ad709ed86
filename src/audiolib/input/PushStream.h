#pragma once

#include "output/Channel.h"
#include "output/OutputDevice.h"

namespace sonaroaudio {

// A stream whose data comes from the caller's callback, asked on the
// stream's feeder thread while the stream plays.
class PushStream : public Channel {
public:
    PushStream(const Format &format, AUDIO_STREAMPROC *proc, void *user);

protected:
    size_t produce(uint8_t *buffer, size_t size, bool &ended) override;
    // Just over two output periods (372 ms at 44.1 kHz): the feeder wakes
    // every other period, not every one, and one refill (two periods) stays
    // within the 0.4 s a caller's own buffer keeps ready.
    static constexpr uint32_t kBufferMs = 390;
    static_assert(kBufferMs * 44100 / 1000 > 2 * kSystemOutputPeriodFrames && kBufferMs < 400);
    uint32_t bufferMs() const override { return kBufferMs; }

private:
    AUDIO_STREAMPROC *const proc_;
    void *const user_;
};

} // namespace sonaroaudio
