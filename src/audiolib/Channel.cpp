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
// Longest single produce call.
constexpr uint32_t kMaxBlockMs = 100;
// A source that had nothing is asked again after this.
constexpr auto kRetryWait = std::chrono::milliseconds(5);
// Only a safety net: every change a sleeping feeder must act on wakes it.
constexpr auto kIdleWait = std::chrono::milliseconds(1000);
constexpr int64_t kUnityGain = 65536;

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
    target_ -= target_ % frameBytes();
    lowWater_ = target_ * 2 / 3;
    ring_ = std::make_unique<PcmRing>(2 * target_);
    raw_ = std::make_unique<int16_t[]>((kStageFrames * frameBytes() + 1) / 2);
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
        want -= want % fb;
        if (!active || sourceEnded_.load() || !refilling || want == 0) {
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
        ring_->write(scratch.data(), got);
        if (ended)
            sourceEnded_.store(true, std::memory_order_release);
        else if (got == 0)
            sleep(ticket, kRetryWait);
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

void Channel::rearmDownloadSyncs()
{
    std::lock_guard lock(syncMutex_);
    for (auto &sync : syncs_)
        if (sync.type == AUDIO_SYNC_DOWNLOAD)
            sync.fired = false;
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
    // The download sync tells how the download ended.
    const int downloadResult = (events & kEventDownload) ? fault() : AUDIO_OK;
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
        uintptr_t data = 0;
        if (call.type == AUDIO_SYNC_META)
            data = reinterpret_cast<uintptr_t>(meta.c_str());
        else if (call.type == AUDIO_SYNC_DOWNLOAD)
            data = uintptr_t(downloadResult);
        call.proc(call.id, self, data, call.user);
        lock.lock();
    }
    dispatching_ = std::thread::id();
    syncIdle_.notify_all();
}

size_t Channel::pull(size_t frames)
{
    const size_t fb = frameBytes();
    frames = std::min({frames, kStageFrames, ring_->available() / fb});
    if (frames == 0)
        return 0;
    const auto *bytes = reinterpret_cast<uint8_t *>(raw_.get());
    ring_->read(reinterpret_cast<uint8_t *>(raw_.get()), frames * fb);
    consumed_.fetch_add(frames * fb, std::memory_order_seq_cst); // see feedLoop
    int32_t *out = stage_.get();
    const size_t chans = format_.channels;
    if (format_.bits == 8) {
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

size_t Channel::mixSameRate(int32_t *acc, size_t frames, int64_t gain)
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

size_t Channel::mixResampled(int32_t *acc, size_t frames, uint32_t outRate, int64_t gain)
{
    const uint64_t step = (uint64_t(format_.rate) << 32) / outRate;
    MixCursor &c = cursor_;
    size_t done = 0;
    for (; done < frames; ++done) {
        while (c.phase >= kOne) {
            if (c.stageAt == c.stageCount) {
                // Enough for the rest of this call (plus the two frames in hand), no more.
                const size_t need = size_t((uint64_t(frames - done) * step + c.phase) >> 32) + 1;
                c.stageCount = pull(need);
                c.stageAt = 0;
                if (c.stageCount == 0)
                    return done;
            }
            const int32_t *frame = stage_.get() + 2 * c.stageAt++;
            c.prev[0] = c.next[0];
            c.prev[1] = c.next[1];
            c.next[0] = frame[0];
            c.next[1] = frame[1];
            c.phase -= kOne;
        }
        const int64_t f = int64_t(c.phase >> 16); // 16-bit fraction
        for (int ch = 0; ch < 2; ++ch) {
            const int64_t s = c.prev[ch] + (((c.next[ch] - c.prev[ch]) * f) >> 16);
            acc[2 * done + ch] += int32_t((s * gain) >> 16);
        }
        c.phase += step;
    }
    return done;
}

void Channel::mixInto(int32_t *acc, size_t frames, uint32_t outRate, int64_t gain)
{
    if (PlayState(state_.load(std::memory_order_relaxed)) != PlayState::Playing)
        return;
    // Read before looking at the ring: once set, every byte is already in it.
    const bool sourceEnded = sourceEnded_.load(std::memory_order_acquire);
    const size_t done = format_.rate == outRate ? mixSameRate(acc, frames, gain)
                                                : mixResampled(acc, frames, outRate, gain);
    const size_t left = ring_->available();
    if (left < lowWater_ && wantRoom_.load(std::memory_order_seq_cst) && wantRoom_.exchange(false))
        feedSignal_.notify();
    if (done == frames) {
        stalled_.store(false, std::memory_order_relaxed);
        return;
    }
    if (sourceEnded && left < frameBytes() && cursor_.stageAt == cursor_.stageCount) {
        state_.store(int(PlayState::Stopped));
        stalled_.store(false, std::memory_order_relaxed);
        post(kEventEnd);
    } else {
        stalled_.store(true, std::memory_order_relaxed);
    }
}

} // namespace sonaroaudio
