#pragma once

#include <array>
#include <functional>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace sonaroaudio {

class Channel;

// Mixes the playing channels into 16-bit stereo at the output rate; one
// playing alone in that format is copied, not mixed. The output thread calls
// render(); control threads hold lock() only briefly (to link, unlink or
// empty a channel), and render() never waits for it: it plays silence for
// that one buffer instead.
class Mixer {
public:
    static constexpr size_t kMaxChannels = 512;

    explicit Mixer(uint32_t rate);

    uint32_t rate() const { return rate_; }
    bool add(Channel *channel);
    // Returns once the output thread no longer uses the channel.
    void remove(Channel *channel);
    std::mutex &lock() { return mutex_; }

    // Called on the output thread, once, when a render finds nothing playing
    // after something did; it must not block (it wakes another thread).
    void onIdle(std::function<void()> notify) { onIdle_ = std::move(notify); }
    // Whether a render has found nothing playing since the last call.
    bool takeIdle() { return idle_.exchange(false); }
    // Whether any linked channel is playing (takes the lock).
    bool anyPlaying();

    // Linear volume: value out of maximum.
    void setVolume(uint32_t value, uint32_t maximum);

    // Output thread.
    void render(int16_t *out, size_t frames);

    // Buffers rendered as silence because a control thread held the lock.
    uint64_t skippedBuffers() const { return skipped_.load(); }
    // Buffers in which a playing stream ran dry before its end, or that were
    // skipped: each is an audible gap.
    uint64_t underruns() const { return underruns_.load(); }

private:
    static constexpr size_t kBlock = 2048;
    const uint32_t rate_;
    std::mutex mutex_;
    std::array<Channel *, kMaxChannels> channels_{}; // guarded by mutex_
    size_t count_ = 0;                               // guarded by mutex_
    std::array<Channel *, kMaxChannels> playing_{};  // output thread only: this render's playing channels
    std::unique_ptr<int32_t[]> acc_;                 // output thread only (with mutex_ held)
    std::atomic<int64_t> gain_{65536};               // written by API threads, read by the output thread
    std::atomic<uint64_t> skipped_{0};   // output thread adds, anyone reads
    std::atomic<uint64_t> underruns_{0}; // output thread adds, anyone reads
    std::function<void()> onIdle_;       // set before the output starts
    std::atomic<bool> idle_{false};      // output thread sets, takeIdle clears
    bool wasPlaying_ = true;             // output thread only
};

} // namespace sonaroaudio
