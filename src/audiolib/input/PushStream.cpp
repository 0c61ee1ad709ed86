#include "input/PushStream.h"

#include <algorithm>

namespace sonaroaudio {

PushStream::PushStream(const Format &format, AUDIO_STREAMPROC *proc, void *user)
    : Channel(format, false), proc_(proc), user_(user)
{
}

size_t PushStream::produce(uint8_t *buffer, size_t size, bool &ended)
{
    const uint32_t result = proc_(handle(), buffer, uint32_t(size), user_);
    ended = (result & AUDIO_STREAMPROC_END) != 0;
    return std::min<size_t>(result & ~AUDIO_STREAMPROC_END, size);
}

} // namespace sonaroaudio
