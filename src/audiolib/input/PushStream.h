#pragma once

#include "output/Channel.h"

namespace sonaroaudio {

// A stream whose data comes from the caller's callback, asked on the
// stream's feeder thread while the stream plays.
class PushStream : public Channel {
public:
    PushStream(const Format &format, AUDIO_STREAMPROC *proc, void *user);

protected:
    size_t produce(uint8_t *buffer, size_t size, bool &ended) override;
    // Just over two output periods of 8192 frames (186 ms at 44.1 kHz): the
    // feeder wakes every other period, not every one, and one refill (two
    // periods) stays within the 0.4 s a caller's own buffer keeps ready.
    uint32_t bufferMs() const override { return 390; }

private:
    AUDIO_STREAMPROC *const proc_;
    void *const user_;
};

} // namespace sonaroaudio
