#pragma once

#include "SpscRing.h"
#include "output/RateConverter.h"
#include "output/SyncList.h"
#include "output/WakeSignal.h"
#include "sonaroaudio.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sonaroaudio {

class Mixer;
class SyncDispatcher;

enum class PlayState : int { Stopped, Playing, Paused };

// One stream: its format, play state, the ring the mixer reads, and syncs.
// Subclasses produce the data (a decoder or the caller's callback).
class Channel {
public:
    struct Format {
        uint32_t rate = 44100;
        uint32_t channels = 2;
        uint32_t bits = 16;      // 8 or 16
        uint32_t ctype = AUDIO_CTYPE_PUSH;
        uint32_t origres = 16;
    };

    Channel(const Format &format, bool decodeOnly);
    virtual ~Channel();
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    const Format &format() const { return format_; }
    bool decodeOnly() const { return decodeOnly_; }
    uint32_t frameBytes() const { return format_.channels * format_.bits / 8; }
    AUDIO_HANDLE handle() const { return handle_.load(); }
    void setHandle(AUDIO_HANDLE h) { handle_.store(h); }

    // Starts the feeder thread of a played channel and links it to the mixer.
    // A stream at another rate than the mixer's is converted on its feeder.
    bool attach(Mixer &mixer, SyncDispatcher &dispatcher);
    // Stops threads, leaves the mixer and waits for running sync callbacks
    // (except when called from one). After it no callback runs for this channel.
    virtual void shutdown();
    bool onFeederThread() const;

    // API operations; each returns an AUDIO_ERROR_* code (AUDIO_OK on success).
    virtual int play(bool restart);
    virtual int pause();
    virtual int stop();
    virtual uint32_t activity() const;
    virtual int length(uint64_t &bytes) const;
    virtual int position(uint64_t &bytes) const;
    virtual int setPosition(uint64_t bytes);
    virtual int getData(void *buffer, uint32_t size, uint32_t &delivered);
    virtual int filePosition(uint32_t mode, uint64_t &value) const;
    virtual int tags(uint32_t type, const char *&tags);
    // AUDIO_ERROR_* of a download that failed after its retries, AUDIO_OK otherwise.
    virtual int fault() const { return AUDIO_OK; }

    // Syncs.
    AUDIO_HANDLE addSync(uint32_t type, AUDIO_SYNCPROC *proc, void *user, AUDIO_HANDLE syncHandle);
    bool removeSync(AUDIO_HANDLE sync) { return syncs_.remove(sync); }
    void post(uint32_t events);
    // The next end of the download is reported again.
    void rearmDownloadSyncs() { syncs_.rearmDownload(); }
    bool hasEvents() const { return syncs_.hasEvents(); }
    // Sync thread: calls the syncs of the pending events.
    void dispatchEvents();

    // ---- Mixer side (called with the mixer lock held) ----
    // Adds up to frames output frames, scaled by gain (1.0 = 65536), into acc
    // (stereo int32). Returns true when a playing channel fell short of data
    // before its end (an underrun).
    bool mixInto(int32_t *acc, size_t frames, int64_t gain);
    // Whether copyInto may stand for a mix of this channel alone: its ring
    // holds 16-bit stereo at the mixer's rate.
    bool direct() const { return direct_; }
    // The mix of this channel alone, written straight from the ring into
    // out (16-bit stereo, silence where data is missing); same result as mixInto.
    bool copyInto(int16_t *out, size_t frames, int64_t gain);
    bool playing() const { return PlayState(state_.load(std::memory_order_relaxed)) == PlayState::Playing; }
    // A playing channel that has taken nothing since its start or seek
    // waits until its ring holds a whole output period of frames (or all
    // its feeder tops up to, or the source's end), so that its first sound
    // is not cut off by a hole a moment later.
    // One that waits counts as stalled. False while it waits.
    bool readyFor(size_t frames);

protected:
    // Ring fill the feeder tops up to; it sleeps until the mixer has taken
    // half of it, then produces the missing part in one go.
    virtual uint32_t bufferMs() const { return 300; }
    // Empties the ring and starts again at 0 (caller holds no locks).
    virtual int rewind();
    // Feeder thread, with feedMutex_ held: fills up to size bytes; sets
    // ended when the source has no more data after these bytes.
    virtual size_t produce(uint8_t *buffer, size_t size, bool &ended) = 0;
    // Whether to fill the ring ahead while not playing.
    virtual bool prebuffer() const { return false; }
    // Empties the ring and the end flags; caller holds feedMutex_.
    void resetPlaybackLocked(uint64_t newBase);
    void wakeFeeder() { feedSignal_.notify(); }
    virtual std::string metaText() const { return {}; }
    virtual bool downloadEnded() const { return false; }

    const Format format_;
    const bool decodeOnly_;
    std::atomic<AUDIO_HANDLE> handle_{0};
    Mixer *mixer_ = nullptr;              // set once by attach
    SyncDispatcher *dispatcher_ = nullptr; // set once by attach

    // Play state: written by API threads; the mixer writes Stopped at the end.
    std::atomic<int> state_{int(PlayState::Stopped)};
    // Mixer writes: the ring ran dry while playing and the source has not ended.
    std::atomic<bool> stalled_{false};
    // Feeder writes (release) after its last ring write; reset with feedMutex_ and the mixer lock.
    std::atomic<bool> sourceEnded_{false};
    // Bytes the mixer took from the ring since the last reset; mixer adds (seq_cst, it pairs with
    // wantRoom_), reset under the mixer lock.
    std::atomic<uint64_t> consumed_{0};
    // Source bytes the feeder has put through to the ring since the last reset
    // (the feeder writes, with feedMutex_ held); bounds the position of a converted stream.
    std::atomic<uint64_t> produced_{0};
    // Stream position of the ring's first byte; written with feedMutex_ held.
    std::atomic<uint64_t> base_{0};
    std::unique_ptr<SpscRing> ring_;  // null when decode-only; see SpscRing for its threads
    // The ring holds the stream's own frames, or 16-bit frames at the mixer's
    // rate when the rates differ. Set by attach before any thread uses the ring.
    uint32_t ringBits_ = 16;
    size_t ringFrameBytes_ = 4;
    bool direct_ = false; // set by attach

    // Feeder thread of a played channel. feedMutex_ is held while it
    // produces, never while it sleeps.
    std::mutex feedMutex_;
    WakeSignal feedSignal_;          // any thread wakes the feeder: play, seek, free, the mixer
    // Feeder sets it before sleeping with the ring topped up; the mixer takes
    // it (exchange) and wakes the feeder once the ring is below lowWater_.
    std::atomic<bool> wantRoom_{false};
    bool stopFeeder_ = false;        // guarded by feedMutex_
    // Rate conversion, feeder thread with feedMutex_ held (outRate() any
    // thread); null when the stream plays at the mixer's rate (its samples
    // then pass untouched). Set by attach.
    std::unique_ptr<RateConverter> converter_;
    size_t target_ = 0;              // set by attach before the feeder starts
    size_t lowWater_ = 0;            // set by attach before the feeder starts
    std::thread feeder_;

private:
    void feedLoop();
    // Mixer side: moves up to frames whole frames from the ring into stage_
    // as stereo int32 and returns how many.
    size_t pull(size_t frames);
    size_t mixFrames(int32_t *acc, size_t frames, int64_t gain);
    // Mixer side, after done of frames came from the ring: wakes the feeder,
    // notes a stall or the end; true for an underrun.
    bool settle(size_t done, size_t frames, bool sourceEnded);

    static constexpr size_t kStageFrames = 1024;
    std::unique_ptr<int16_t[]> raw_;   // mixer lock: ring bytes of up to kStageFrames frames
    std::unique_ptr<int32_t[]> stage_; // mixer lock: kStageFrames stereo frames

    SyncList syncs_; // locks on its own; see SyncList
};

} // namespace sonaroaudio
