#include "output/Mixer.h"

#include "output/Channel.h"

#include <algorithm>
#include <cstring>

namespace sonaroaudio {

Mixer::Mixer(uint32_t rate) : rate_(rate), acc_(std::make_unique<int32_t[]>(kBlock * 2)) {}

bool Mixer::add(Channel *channel)
{
    std::lock_guard guard(mutex_);
    if (count_ == kMaxChannels)
        return false;
    channels_[count_++] = channel;
    return true;
}

void Mixer::remove(Channel *channel)
{
    std::lock_guard guard(mutex_);
    for (size_t i = 0; i < count_; ++i) {
        if (channels_[i] == channel) {
            channels_[i] = channels_[--count_];
            channels_[count_] = nullptr;
            return;
        }
    }
}

bool Mixer::anyPlaying()
{
    std::lock_guard guard(mutex_);
    for (size_t c = 0; c < count_; ++c)
        if (channels_[c]->playing())
            return true;
    return false;
}

void Mixer::setVolume(uint32_t value, uint32_t maximum)
{
    if (maximum == 0)
        maximum = 1;
    value = std::min(value, maximum);
    gain_.store(int64_t(value) * 65536 / int64_t(maximum));
}

void Mixer::render(int16_t *out, size_t frames)
{
    std::unique_lock guard(mutex_, std::try_to_lock);
    if (!guard.owns_lock()) {
        std::memset(out, 0, frames * 2 * sizeof(int16_t));
        skipped_.fetch_add(1, std::memory_order_relaxed);
        if (wasPlaying_)
            underruns_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const int64_t gain = gain_.load(std::memory_order_relaxed);
    size_t playing = 0;
    size_t starting = 0;
    for (size_t c = 0; c < count_; ++c) {
        if (!channels_[c]->playing())
            continue;
        if (channels_[c]->readyFor(frames))
            playing_[playing++] = channels_[c];
        else
            ++starting;
    }
    if (playing == 0) {
        std::memset(out, 0, frames * 2 * sizeof(int16_t));
        // Channels still gathering their first period keep the output from being idle.
        if (starting > 0)
            return;
        // Nothing to mix: tell whoever may stop the output.
        if (wasPlaying_) {
            wasPlaying_ = false;
            idle_.store(true);
            if (onIdle_)
                onIdle_();
        }
        return;
    }
    wasPlaying_ = true;
    // One stream in the output's format: straight from its ring, no mixing pass.
    Channel *const alone = playing == 1 && playing_[0]->direct() ? playing_[0] : nullptr;
    while (frames > 0) {
        const size_t n = std::min(frames, kBlock);
        bool fellShort = false;
        if (alone) {
            fellShort = alone->copyInto(out, n, gain);
        } else {
            int32_t *acc = acc_.get();
            std::memset(acc, 0, n * 2 * sizeof(int32_t));
            for (size_t c = 0; c < playing; ++c)
                fellShort |= playing_[c]->mixInto(acc, n, gain);
            for (size_t i = 0; i < n * 2; ++i)
                out[i] = int16_t(std::clamp<int32_t>(acc[i], -32768, 32767));
        }
        if (fellShort)
            underruns_.fetch_add(1, std::memory_order_relaxed);
        out += n * 2;
        frames -= n;
    }
}

} // namespace sonaroaudio
