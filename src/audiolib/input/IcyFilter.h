#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace sonaroaudio {

// Separates the metadata blocks of an ICY stream from its audio: after
// every `interval` audio bytes comes one length byte L and L * 16 bytes of
// metadata text (zero-padded). Blocks may be split across any number of
// feed calls.
class IcyFilter {
public:
    using AudioSink = std::function<void(const uint8_t *, size_t)>;
    using MetaSink = std::function<void(const std::string &)>;

    IcyFilter(size_t interval, AudioSink audio, MetaSink meta);
    void feed(const uint8_t *data, size_t size);

private:
    enum class State { Audio, Length, Meta };
    const size_t interval_;
    AudioSink audio_;
    MetaSink meta_;
    State state_ = State::Audio;
    size_t left_;          // bytes left in the current audio run or metadata block
    std::string block_;
};

} // namespace sonaroaudio
