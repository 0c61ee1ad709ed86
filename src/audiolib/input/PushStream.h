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

private:
    AUDIO_STREAMPROC *const proc_;
    void *const user_;
};

} // namespace sonaroaudio
