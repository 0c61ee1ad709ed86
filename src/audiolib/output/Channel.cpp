#include "output/Channel.h"

#include "output/Mixer.h"
#include "output/SyncDispatcher.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include <pthread.h>

namespace sonaroaudio {

namespace {

// Longest single produce call. A refill from the low-water mark to the
// target takes one wake-up however many calls it needs; small calls keep a
// source that is itself only a little ahead from coming up short.
constexpr uint32_t kMaxBlockMs = 100;
// Shortest produce call of a converted stream: the converter holds input
// back, so asking for the few frames the ring lacks would turn into a run of
// tiny calls that add nothing until it has enough. What the ring cannot take
// waits in the converted backlog.
constexpr uint32_t kMinConvertedBlockMs = 25;
// A source that had nothing is asked again after the first wait, then after
// twice as long each time it still has nothing, up to the last.
constexpr auto kFirstRetryWait = std::chrono::milliseconds(5);
constexpr auto kLastRetryWait = std::chrono::milliseconds(40);
// Only a safety net: every change a sleeping feeder must act on wakes it.
constexpr auto kIdleWait = std::chrono::milliseconds(1000);
constexpr int64_t kUnityGain = 65536;

} // namespace

Channel::Channel(const Format &format, bool decodeOnly) : format_(format), decodeOnly_(decodeOnly) {}

Channel::~Channel() = default;

bool Channel::attach(Mixer &mixer, SyncDispatcher &dispatcher)
{
    dispatcher_ = &dispatcher;
    if (decodeOnly_)
        return true;
    uint32_t ringRate = format_.rate;
    ringBits_ = format_.bits;
    if (format_.rate != mixer.rate()) {
        converter_ = std::make_unique<RateConverter>(format_.rate, mixer.rate(), format_.channels, format_.bits);
        if (!converter_->ok())
            return false;
        ringRate = mixer.rate();
        ringBits_ = 16;
    }
    ringFrameBytes_ = format_.channels * ringBits_ / 8;
    const size_t bytesPerSecond = size_t(ringRate) * ringFrameBytes_;
    target_ = std::max<size_t>(bytesPerSecond * bufferMs() / 1000, 4 * ringFrameBytes_);
    target_ -= target_ % ringFrameBytes_;
    lowWater_ = target_ / 2;
    lowWater_ -= lowWater_ % ringFrameBytes_;
    direct_ = ringBits_ == 16 && format_.channels == 2;
    ring_ = std::make_unique<SpscRing>(2 * target_);
    raw_ = std::make_unique<int16_t[]>((kStageFrames * ringFrameBytes_ + 1) / 2);
    stage_ = std::make_unique<int32_t[]>(kStageFrames * 2);
    mixer_ = &mixer;
    if (!mixer.add(this)) {
        mixer_ = nullptr;
        return false;
    }
    feeder_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "sonaro-feed");
        feedLoop();
    });
    return true;
}

void Channel::shutdown()
{
    syncs_.close();
    if (mixer_)
        mixer_->remove(this);
    {
        std::lock_guard lock(feedMutex_);
        stopFeeder_ = true;
    }
    wakeFeeder();
    if (feeder_.joinable())
        feeder_.join();
}

bool Channel::onFeederThread() const
{
    return feeder_.joinable() && feeder_.get_id() == std::this_thread::get_id();
}

void Channel::feedLoop()
{
    const size_t fb = frameBytes();
    const size_t maxBlock = std::max<size_t>(fb, size_t(format_.rate) * kMaxBlockMs / 1000 * fb);
    std::vector<uint8_t> scratch(maxBlock);
    bool refilling = true;
    auto retryWait = kFirstRetryWait;
    std::unique_lock lock(feedMutex_);
    const auto sleep = [&](uint32_t ticket, std::chrono::milliseconds limit) {
        lock.unlock();
        feedSignal_.waitFor(ticket, limit);
        lock.lock();
    };
    while (!stopFeeder_) {
        // Taken before looking at anything, so a wake after this is not lost.
        const uint32_t ticket = feedSignal_.ticket();
        const auto state = PlayState(state_.load());
        const bool active = state == PlayState::Playing || (prebuffer() && state != PlayState::Paused);
        const size_t have = ring_->available();
        if (have < lowWater_)
            refilling = true;
        else if (have >= target_)
            refilling = false;
        size_t want = std::min({maxBlock, ring_->space(), have < target_ ? target_ - have : size_t(0)});
        want -= want % ringFrameBytes_;
        bool backlog = false;
        if (converter_) {
            backlog = !converter_->drainInto(*ring_);
            if (!backlog && converter_->flushed() && !sourceEnded_.load())
                sourceEnded_.store(true, std::memory_order_release);
            // Ask the source for what fills the ring after conversion.
            const uint64_t frames = uint64_t(want / ringFrameBytes_) * format_.rate / converter_->outRate();
            const uint64_t fewest = std::max<uint64_t>(1, uint64_t(format_.rate) * kMinConvertedBlockMs / 1000);
            if (want > 0)
                want = std::min<size_t>(maxBlock, size_t(std::max(frames, fewest)) * fb);
        }
        if (!active || sourceEnded_.load() || !refilling || want == 0 || backlog) {
            wantRoom_.store(true, std::memory_order_seq_cst);
            // Pairs with the mixer's add to consumed_ and its look at
            // wantRoom_: either it sees the request or this sees what it took.
            (void)consumed_.load(std::memory_order_seq_cst);
            if (active && !sourceEnded_.load() && ring_->available() < lowWater_)
                continue;
            sleep(ticket, kIdleWait);
            continue;
        }
        bool ended = false;
        const size_t got = std::min(produce(scratch.data(), want, ended), want);
        if (converter_) {
            converter_->push(scratch.data(), got - got % fb, ended);
            produced_.fetch_add(got - got % fb);
            if (converter_->drainInto(*ring_) && converter_->flushed())
                sourceEnded_.store(true, std::memory_order_release);
        } else {
            ring_->write(scratch.data(), got);
            produced_.fetch_add(got);
            if (ended)
                sourceEnded_.store(true, std::memory_order_release);
        }
        if (!ended && got == 0) {
            sleep(ticket, retryWait);
            retryWait = std::min(2 * retryWait, kLastRetryWait);
        } else {
            retryWait = kFirstRetryWait;
        }
    }
}

void Channel::resetPlaybackLocked(uint64_t newBase)
{
    base_.store(newBase);
    if (!mixer_)
        return;
    std::lock_guard guard(mixer_->lock());
    ring_->reset();
    consumed_.store(0);
    produced_.store(0);
    sourceEnded_.store(false);
    if (converter_)
        converter_->clear();
    stalled_.store(false);
}

int Channel::play(bool restart)
{
    if (decodeOnly_)
        return AUDIO_ERROR_DECODE_ONLY;
    if (restart) {
        const int rc = rewind();
        if (rc != AUDIO_OK)
            return rc;
    }
    state_.store(int(PlayState::Playing));
    wakeFeeder();
    return AUDIO_OK;
}

int Channel::rewind()
{
    std::lock_guard lock(feedMutex_);
    resetPlaybackLocked(0);
    return AUDIO_OK;
}

int Channel::pause()
{
    if (decodeOnly_)
        return AUDIO_ERROR_DECODE_ONLY;
    int expected = int(PlayState::Playing);
    if (state_.compare_exchange_strong(expected, int(PlayState::Paused)) || expected == int(PlayState::Paused))
        return AUDIO_OK;
    return AUDIO_ERROR_ENDED;
}

int Channel::stop()
{
    if (decodeOnly_)
        return AUDIO_ERROR_DECODE_ONLY;
    state_.store(int(PlayState::Stopped));
    stalled_.store(false);
    return AUDIO_OK;
}

uint32_t Channel::activity() const
{
    switch (PlayState(state_.load())) {
    case PlayState::Paused:
        return AUDIO_ACTIVE_PAUSED;
    case PlayState::Playing:
        return stalled_.load() ? AUDIO_ACTIVE_STALLED : AUDIO_ACTIVE_PLAYING;
    default:
        return AUDIO_ACTIVE_STOPPED;
    }
}

int Channel::length(uint64_t &) const { return AUDIO_ERROR_NOT_AVAILABLE; }

int Channel::position(uint64_t &bytes) const
{
    uint64_t played = consumed_.load();
    if (converter_) {
        // Output frame k stands for source time k / output rate; the filter's
        // latency is already compensated, so only the rates convert.
        const uint64_t frames = played / ringFrameBytes_ * format_.rate / converter_->outRate();
        played = std::min<uint64_t>(frames * frameBytes(), produced_.load());
    }
    bytes = base_.load() + played;
    return AUDIO_OK;
}

int Channel::setPosition(uint64_t) { return AUDIO_ERROR_POSITION; }

int Channel::getData(void *, uint32_t, uint32_t &) { return AUDIO_ERROR_PARAMETER; }

int Channel::filePosition(uint32_t, uint64_t &) const { return AUDIO_ERROR_NOT_AVAILABLE; }

int Channel::tags(uint32_t, const char *&) { return AUDIO_ERROR_NOT_AVAILABLE; }

AUDIO_HANDLE Channel::addSync(uint32_t type, AUDIO_SYNCPROC *proc, void *user, AUDIO_HANDLE id)
{
    syncs_.add(type, proc, user, id);
    // A download that ended before anyone asked still gets reported.
    if (type == AUDIO_SYNC_DOWNLOAD && downloadEnded())
        post(kEventDownload);
    return id;
}

void Channel::post(uint32_t events)
{
    syncs_.post(events);
    if (dispatcher_)
        dispatcher_->wake();
}

void Channel::dispatchEvents()
{
    const uint32_t events = syncs_.take();
    if (events == 0)
        return;
    // The download sync tells how the download ended.
    const int downloadResult = (events & kEventDownload) ? fault() : AUDIO_OK;
    const std::string meta = (events & kEventMeta) ? metaText() : std::string();
    syncs_.dispatch(events, handle(), meta, downloadResult);
}

size_t Channel::pull(size_t frames)
{
    const size_t fb = ringFrameBytes_;
    frames = std::min({frames, kStageFrames, ring_->available() / fb});
    if (frames == 0)
        return 0;
    const auto *bytes = reinterpret_cast<uint8_t *>(raw_.get());
    ring_->read(reinterpret_cast<uint8_t *>(raw_.get()), frames * fb);
    consumed_.fetch_add(frames * fb, std::memory_order_seq_cst); // see feedLoop
    int32_t *out = stage_.get();
    const size_t chans = format_.channels;
    if (ringBits_ == 8) {
        for (size_t i = 0; i < frames; ++i) {
            const uint8_t *f = bytes + i * chans;
            out[2 * i] = (int32_t(f[0]) - 128) << 8;
            out[2 * i + 1] = chans > 1 ? (int32_t(f[1]) - 128) << 8 : out[2 * i];
        }
    } else if (chans == 2) {
        const int16_t *in = raw_.get();
        for (size_t i = 0; i < 2 * frames; ++i)
            out[i] = in[i];
    } else {
        const int16_t *in = raw_.get();
        for (size_t i = 0; i < frames; ++i) {
            out[2 * i] = in[i * chans];
            out[2 * i + 1] = in[i * chans + (chans > 1 ? 1 : 0)];
        }
    }
    return frames;
}

size_t Channel::mixFrames(int32_t *acc, size_t frames, int64_t gain)
{
    size_t done = 0;
    while (done < frames) {
        const size_t n = pull(frames - done);
        if (n == 0)
            break;
        const int32_t *in = stage_.get();
        int32_t *to = acc + 2 * done;
        if (gain == kUnityGain) {
            for (size_t i = 0; i < 2 * n; ++i)
                to[i] += in[i];
        } else {
            for (size_t i = 0; i < 2 * n; ++i)
                to[i] += int32_t((in[i] * gain) >> 16);
        }
        done += n;
    }
    return done;
}

bool Channel::settle(size_t done, size_t frames, bool sourceEnded)
{
    const size_t left = ring_->available();
    if (left < lowWater_ && wantRoom_.load(std::memory_order_seq_cst) && wantRoom_.exchange(false))
        feedSignal_.notify();
    if (done == frames) {
        stalled_.store(false, std::memory_order_relaxed);
        return false;
    }
    if (sourceEnded && left < ringFrameBytes_) {
        state_.store(int(PlayState::Stopped));
        stalled_.store(false, std::memory_order_relaxed);
        post(kEventEnd);
        return false;
    }
    stalled_.store(true, std::memory_order_relaxed);
    // Waiting for the first data after a start or seek is no underrun.
    return consumed_.load(std::memory_order_relaxed) > 0;
}

bool Channel::readyFor(size_t frames)
{
    if (consumed_.load(std::memory_order_relaxed) > 0 || sourceEnded_.load(std::memory_order_acquire))
        return true;
    if (ring_->available() >= std::min(frames * ringFrameBytes_, target_))
        return true;
    stalled_.store(true, std::memory_order_relaxed);
    return false;
}

bool Channel::mixInto(int32_t *acc, size_t frames, int64_t gain)
{
    if (!playing())
        return false;
    // Read before looking at the ring: once set, every byte is already in it.
    const bool sourceEnded = sourceEnded_.load(std::memory_order_acquire);
    const size_t done = mixFrames(acc, frames, gain);
    return settle(done, frames, sourceEnded);
}

bool Channel::copyInto(int16_t *out, size_t frames, int64_t gain)
{
    if (!playing()) {
        std::memset(out, 0, frames * 4);
        return false;
    }
    const bool sourceEnded = sourceEnded_.load(std::memory_order_acquire);
    const size_t done = std::min(frames, ring_->available() / 4);
    ring_->read(reinterpret_cast<uint8_t *>(out), done * 4);
    consumed_.fetch_add(done * 4, std::memory_order_seq_cst); // see feedLoop
    // The same arithmetic as a mix of one: a single stream never clips.
    if (gain != kUnityGain)
        for (size_t i = 0; i < 2 * done; ++i)
            out[i] = int16_t((int64_t(out[i]) * gain) >> 16);
    std::memset(out + 2 * done, 0, (frames - done) * 4);
    return settle(done, frames, sourceEnded);
}

} // namespace sonaroaudio
