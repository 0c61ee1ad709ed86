#pragma once

#include "AudioApi.h"
#include "SpscRing.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Plays a decode-only channel through an output stream of its own: a worker
// thread pulls decoded blocks into a ring, and the library's stream callback
// (the feeder) hands the ring's bytes to the output. Up to 0.6 s of decoded
// audio waits ahead of the output.
//
// Three threads meet here. The user-interface thread calls every public
// member; it changes what the worker reads under the mailbox mutex and tells
// the worker what to do next by posting a Command. The worker owns the
// ring's write side and the transfer buffer, the feeder the ring's read
// side. The feeder never waits for a lock the user-interface thread holds.
class OutputPipeline
{
public:
    using WarningBox = std::function<void(const QString &caption, const QString &text)>;

    // Allocates the ring (88200 bytes) and the transfer buffer; ready()
    // tells whether that worked.
    OutputPipeline(const AudioApi &api, WarningBox showWarning);
    ~OutputPipeline();
    OutputPipeline(const OutputPipeline &) = delete;
    OutputPipeline &operator=(const OutputPipeline &) = delete;

    bool ready() const { return ready_; }

    // The output stream's handle, 0 when it cannot be made (stream refused,
    // ring not allocated, or worker thread not started).
    AUDIO_HANDLE OpenOutput(AUDIO_HANDLE source, std::uint32_t rate, std::uint32_t channels,
                            std::uint32_t bits);
    // Empties the ring and primes it again once the output asks for data; a
    // block the worker is decoding meanwhile is dropped. The output stream
    // must be stopped or paused.
    void ResetRing();
    // Releases the output stream and ends the worker. The caller releases
    // the source channel afterwards.
    void CloseOutput();
    // Decoded bytes not yet handed to the output.
    std::uint32_t BufferedBytes() const { return static_cast<std::uint32_t>(ring_.available()); }
    // Bytes handed to the output stream that it has not played yet (the
    // library keeps a little ahead of its mixer).
    std::uint32_t HeldByOutput() const;

    AUDIO_HANDLE outputChannel() const { return output_; }
    std::uint32_t ringSize() const { return ringSize_; }
    std::uint32_t chunk() const { return chunk_; }
    std::uint32_t block() const { return block_; }
    bool priming() const { return priming_.load(std::memory_order_acquire); }
    bool endReached() const { return end_.load(std::memory_order_acquire) != End::Open; }
    // AUDIO_ERROR_* of the source's failed download once the pipeline has
    // taken all it had; AUDIO_OK otherwise. The output then waits (never ends).
    int fault() const;
    // After the source's download was resumed: fills again, priming first.
    void ClearFault();
    // Callback calls that found fewer bytes than asked before the end.
    std::uint64_t underruns() const { return underruns_.load(std::memory_order_relaxed); }

    // Chaining: a decode-only channel of the output's format whose data
    // follows the source's last byte in the ring, so the output never runs
    // dry between the two. False once the source's end has been taken (too
    // late to follow without a gap).
    bool QueueNext(AUDIO_HANDLE next);
    // Forgets a queued channel that has not been switched to; false when
    // the worker has already moved over to it.
    bool CancelNext();
    // The worker has moved from the source to the queued channel; the
    // output still plays the source's last bytes until BoundaryPlayed.
    bool Switched() const;
    bool BoundaryPlayed() const;
    // The queued channel is now the source; positions count from it alone.
    void AdoptNext();
    // Back to the old source after a switch (for a seek in it); the caller
    // resets the ring afterwards.
    void Unchain(AUDIO_HANDLE source);
    // Bytes of the source's data decoded but not yet heard.
    std::uint64_t UnplayedBytes() const;

private:
    // What the worker is told; several may wait at once, each at most once
    // (bits of pending_), so a burst of requests costs one wake-up and the
    // last of each kind is never lost.
    enum class Command : std::uint8_t {
        Fill = 1, // room in the ring, or data wanted (priming, a queued follower)
        Drop = 2, // the block being decoded is stale (ResetRing, Unchain)
        Quit = 4,
    };
    // Caller holds mailboxMutex_; notify afterwards with it released.
    void postLocked(Command command) { pending_ |= static_cast<std::uint8_t>(command); }
    bool takeLocked(Command command);

    static std::uint32_t dataCallback(AUDIO_HANDLE handle, void *buffer, std::uint32_t length,
                                      void *user);
    std::uint32_t feed(std::uint8_t *buffer, std::uint32_t length);
    void waitForPriming();
    // Feeder: tells a worker that sleeps on room that a block fits; false
    // when the mailbox was busy and nothing was said.
    bool wakeForRoom();
    void workerLoop(AUDIO_HANDLE output);
    // Worker, with lock held on entry and exit: reads and commits blocks
    // until the ring is topped up or there is nothing to read.
    void fillRound(std::unique_lock<std::mutex> &lock, AUDIO_HANDLE output);
    // Worker, with mailboxMutex_ held: the transfer buffer's first bytes into the ring.
    void commitLocked(std::uint32_t bytes);
    // Worker: after priming_ or end_ changed, a feeder waiting for priming looks again.
    void wakeFeeder();
    void stopWorker();
    bool resizeRing(std::uint32_t bytes);
    // Room the worker may still fill (counts ringSize_, not the storage).
    std::uint32_t freeBytes() const
    {
        const std::uint32_t waiting = BufferedBytes();
        return waiting >= ringSize_ ? 0 : ringSize_ - waiting;
    }
    // Room that makes a sleeping worker start a round: once less than two
    // chunks (0.4 s) wait. Refilling in one round instead of block by block
    // saves the worker most of its wake-ups.
    std::uint32_t refillRoom() const
    {
        return ringSize_ > 2 * chunk_ + block_ ? ringSize_ - 2 * chunk_ : block_;
    }

    const AudioApi &api_;
    WarningBox showWarning_;
    bool ready_ = false;

    // Written by the user-interface thread only while no worker runs
    // (OpenOutput, CloseOutput); the worker gets the output's handle as it starts.
    AUDIO_HANDLE output_ = 0;
    std::uint32_t ringSize_ = 0;
    std::uint32_t chunk_ = 0;
    std::uint32_t block_ = 0;
    // Reallocated only while no output stream exists (OpenOutput). Its
    // storage is a power of two; the pipeline fills it to ringSize_ - 1
    // bytes at most, the size its sizing rules give. Written by the worker
    // under mailboxMutex_, read by the feeder under readGuard_; emptied by
    // ResetRing holding both.
    SpscRing ring_;
    // Worker thread only.
    std::vector<std::uint8_t> transfer_;

    // The mailbox. Held by the user-interface thread and the worker only for
    // a few field updates or one copy into the ring, never across a library
    // call that can wait; the feeder only ever try-locks it (wakeForRoom).
    // The condition wakes the worker for pending_ and CloseOutput for
    // workerDone_.
    mutable std::mutex mailboxMutex_;
    std::condition_variable mailboxSignal_;
    std::uint8_t pending_ = 0;        // Command bits; guarded by mailboxMutex_
    bool workerDone_ = true;          // guarded by mailboxMutex_
    // The worker sleeps with room in the ring only because too little was
    // taken yet: the feeder wakes it once refillRoom() is free. False after a reset,
    // at the end and at a fault. Guarded by mailboxMutex_.
    bool waitsForRoom_ = false;
    // Guarded by mailboxMutex_: the channel the worker reads (moved to next_
    // by the worker at the source's end, set back by Unchain and OpenOutput),
    // the queued follower, and the fault of the source's download (set by the
    // worker, cleared by ClearFault and ResetRing).
    AUDIO_HANDLE source_ = 0;
    AUDIO_HANDLE next_ = 0;
    int fault_ = AUDIO_OK;
    static constexpr std::uint64_t kNoBoundary = ~std::uint64_t(0);
    // Guarded by mailboxMutex_: bytes the worker put into the ring since the
    // last ResetRing, and written_ when the worker switched to next_
    // (kNoBoundary otherwise; cleared by AdoptNext, Unchain and ResetRing).
    std::uint64_t written_ = 0;
    std::uint64_t boundary_ = kNoBoundary;

    // The data path: the feeder takes no lock it can wait for, so what it
    // reads is atomic.
    // Held by the feeder while it copies out of the ring (try-lock: it never
    // waits) and by ResetRing while it empties the ring, so a reset waits
    // only for a copy already under way.
    std::mutex readGuard_;
    // Reached is set by the worker at the source's end; the feeder turns it
    // into Delivered when it tells the output so. QueueNext may still turn
    // Reached back into Open, and exactly one of the two wins. Reset to Open
    // by ResetRing.
    enum class End : std::uint8_t { Open, Reached, Delivered };
    std::atomic<End> end_{End::Open};
    // Set by ResetRing and ClearFault, cleared by the worker once enough is
    // buffered (or nothing more comes).
    std::atomic<bool> priming_{false};
    // Set by CloseOutput: the feeder hands out nothing more.
    std::atomic<bool> closing_{false};
    std::atomic<std::uint64_t> underruns_{0};
    // Bytes the feeder handed out since the last ResetRing, which always
    // comes with a restart of the output (whose position then starts at 0).
    std::atomic<std::uint64_t> fed_{0};
    // A feeder waiting for priming sleeps here; only the worker notifies
    // (wakeFeeder), so the user-interface thread never holds primeMutex_.
    std::mutex primeMutex_;
    std::condition_variable primeSignal_;

    std::thread worker_;
};
