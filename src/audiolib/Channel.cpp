#include "Channel.h"

#include "Mixer.h"
#include "SyncDispatcher.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include <pthread.h>

namespace sonaroaudio {

namespace {

constexpr uint64_t kOne = uint64_t(1) << 32;

} // namespace

Channel::Channel(const Format &format, bool decodeOnly) : format_(format), decodeOnly_(decodeOnly)
{
    cursor_.phase = 2 * kOne;
}

Channel::~Channel() = default;

bool Channel::attach(Mixer &mixer, SyncDispatcher &dispatcher)
{
    dispatcher_ = &dispatcher;
    if (decodeOnly_)
        return true;
    const size_t bytesPerSecond = size_t(format_.rate) * frameBytes();
    target_ = std::max<size_t>(bytesPerSecond * bufferMs() / 1000, 4 * frameBytes());
    ring_ = std::make_unique<PcmRing>(2 * target_);
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
    {
        std::unique_lock lock(syncMutex_);
        freed_ = true;
        const auto self = std::this_thread::get_id();
        syncIdle_.wait(lock, [&] { return dispatching_ == std::thread::id() || dispatching_ == self; });
    }
    if (mixer_)
        mixer_->remove(this);
    {
        std::lock_guard lock(feedMutex_);
        stopFeeder_ = true;
    }
    feedWake_.notify_all();
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
    const size_t block = std::max<size_t>(fb, size_t(format_.rate / 100) * fb);
    std::vector<uint8_t> scratch(block);
    std::unique_lock lock(feedMutex_);
    while (!stopFeeder_) {
        const auto state = PlayState(state_.load());
        const bool active = state == PlayState::Playing || (prebuffer() && state != PlayState::Paused);
        size_t want = std::min(block, ring_->space());
        want -= want % fb;
        if (!active || sourceEnded_.load() || ring_->available() >= target_ || want == 0) {
            feedWake_.wait_for(lock, std::chrono::milliseconds(5));
            continue;
        }
        bool ended = false;
        const size_t got = std::min(produce(scratch.data(), want, ended), want);
        ring_->write(scratch.data(), got);
        if (ended)
            sourceEnded_.store(true, std::memory_order_release);
        else if (got == 0)
            feedWake_.wait_for(lock, std::chrono::milliseconds(5));
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
    cursor_ = MixCursor{};
    cursor_.phase = 2 * kOne;
    sourceEnded_.store(false);
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
    bytes = base_.load() + consumed_.load();
    return AUDIO_OK;
}

int Channel::setPosition(uint64_t) { return AUDIO_ERROR_POSITION; }

int Channel::getData(void *, uint32_t, uint32_t &) { return AUDIO_ERROR_PARAMETER; }

int Channel::filePosition(uint32_t, uint64_t &) const { return AUDIO_ERROR_NOT_AVAILABLE; }

int Channel::tags(uint32_t, const char *&) { return AUDIO_ERROR_NOT_AVAILABLE; }

AUDIO_HANDLE Channel::addSync(uint32_t type, AUDIO_SYNCPROC *proc, void *user, AUDIO_HANDLE id)
{
    {
        std::lock_guard lock(syncMutex_);
        syncs_.push_back(Sync{id, type, proc, user, false});
    }
    // A download that ended before anyone asked still gets reported.
    if (type == AUDIO_SYNC_DOWNLOAD && downloadEnded())
        post(kEventDownload);
    return id;
}

bool Channel::removeSync(AUDIO_HANDLE id)
{
    std::lock_guard lock(syncMutex_);
    const auto it = std::find_if(syncs_.begin(), syncs_.end(), [&](const Sync &s) { return s.id == id; });
    if (it == syncs_.end())
        return false;
    syncs_.erase(it);
    return true;
}

void Channel::post(uint32_t events)
{
    pendingEvents_.fetch_or(events, std::memory_order_acq_rel);
    if (dispatcher_)
        dispatcher_->wake();
}

void Channel::dispatchEvents()
{
    const uint32_t events = pendingEvents_.exchange(0);
    if (events == 0)
        return;
    struct Call {
        AUDIO_HANDLE id;
        AUDIO_SYNCPROC *proc;
        void *user;
        uint32_t type;
    };
    std::vector<Call> calls;
    std::string meta;
    std::unique_lock lock(syncMutex_);
    if (freed_)
        return;
    if (events & kEventMeta)
        meta = metaText();
    for (auto &sync : syncs_) {
        const bool due = (sync.type == AUDIO_SYNC_END && (events & kEventEnd))
                      || (sync.type == AUDIO_SYNC_META && (events & kEventMeta))
                      || (sync.type == AUDIO_SYNC_DOWNLOAD && (events & kEventDownload) && !sync.fired);
        if (!due)
            continue;
        if (sync.type == AUDIO_SYNC_DOWNLOAD)
            sync.fired = true;
        calls.push_back(Call{sync.id, sync.proc, sync.user, sync.type});
    }
    if (calls.empty())
        return;
    dispatching_ = std::this_thread::get_id();
    const AUDIO_HANDLE self = handle();
    for (const auto &call : calls) {
        if (freed_)
            break;
        lock.unlock();
        const uintptr_t data = call.type == AUDIO_SYNC_META ? reinterpret_cast<uintptr_t>(meta.c_str()) : 0;
        call.proc(call.id, self, data, call.user);
        lock.lock();
    }
    dispatching_ = std::thread::id();
    syncIdle_.notify_all();
}

bool Channel::readFrame(int32_t *frame)
{
    const size_t fb = frameBytes();
    if (ring_->available() < fb)
        return false;
    uint8_t raw[64];
    ring_->read(raw, fb);
    consumed_.fetch_add(fb, std::memory_order_relaxed);
    if (format_.bits == 8) {
        frame[0] = (int32_t(raw[0]) - 128) << 8;
        frame[1] = format_.channels > 1 ? (int32_t(raw[1]) - 128) << 8 : frame[0];
    } else {
        int16_t s[2];
        std::memcpy(&s[0], raw, 2);
        if (format_.channels > 1)
            std::memcpy(&s[1], raw + 2, 2);
        else
            s[1] = s[0];
        frame[0] = s[0];
        frame[1] = s[1];
    }
    return true;
}

void Channel::mixInto(int32_t *acc, size_t frames, uint32_t outRate, int64_t gain)
{
    if (PlayState(state_.load(std::memory_order_relaxed)) != PlayState::Playing)
        return;
    // Read before looking at the ring: once set, every byte is already in it.
    const bool sourceEnded = sourceEnded_.load(std::memory_order_acquire);
    size_t done = 0;
    int32_t frame[2];
    if (format_.rate == outRate) {
        for (; done < frames; ++done) {
            if (!readFrame(frame))
                break;
            acc[2 * done] += int32_t((frame[0] * gain) >> 16);
            acc[2 * done + 1] += int32_t((frame[1] * gain) >> 16);
        }
    } else {
        const uint64_t step = (uint64_t(format_.rate) << 32) / outRate;
        MixCursor &c = cursor_;
        for (; done < frames; ++done) {
            bool starved = false;
            while (c.phase >= kOne) {
                if (!readFrame(frame)) {
                    starved = true;
                    break;
                }
                c.prev[0] = c.next[0];
                c.prev[1] = c.next[1];
                c.next[0] = frame[0];
                c.next[1] = frame[1];
                c.phase -= kOne;
            }
            if (starved)
                break;
            const int64_t f = int64_t(c.phase >> 16); // 16-bit fraction
            for (int ch = 0; ch < 2; ++ch) {
                const int64_t s = c.prev[ch] + (((c.next[ch] - c.prev[ch]) * f) >> 16);
                acc[2 * done + ch] += int32_t((s * gain) >> 16);
            }
            c.phase += step;
        }
    }
    if (done == frames) {
        stalled_.store(false, std::memory_order_relaxed);
        return;
    }
    if (sourceEnded && ring_->available() < frameBytes()) {
        state_.store(int(PlayState::Stopped));
        stalled_.store(false, std::memory_order_relaxed);
        post(kEventEnd);
    } else {
        stalled_.store(true, std::memory_order_relaxed);
    }
}

} // namespace sonaroaudio
