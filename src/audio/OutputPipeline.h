#pragma once

#include "AudioApi.h"
#include "SpscRing.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <condition_variable>
#include <thread>
#include <vector>

// Plays a decode-only channel through an output stream of its own: a worker
// thread pulls decoded blocks into a ring on request, and the library's
// stream callback hands the ring's bytes to the output. Up to 0.6 s of
// decoded audio waits ahead of the output.
//
// OpenOutput, ResetRing, CloseOutput and BufferedBytes belong to the
// user-interface thread. The ring's write side belongs to the worker, its
// read side to the library's feeder thread (dataCallback), which never
// waits on anything the user-interface thread holds.
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
    // Empties the ring and primes it again. The output stream must be
    // stopped or paused.
    void ResetRing();
    // Releases the output stream and ends the worker. The caller releases
    // the source channel afterwards.
    void CloseOutput();
    // Decoded bytes not yet handed to the output.
    std::uint32_t BufferedBytes() const { return static_cast<std::uint32_t>(ring_.available()); }
    // Bytes handed to the output stream that it has not played yet (the
    // library keeps a little ahead of its mixer).
    std::uint32_t HeldByOutput() const;

    AUDIO_HANDLE outputChannel() const { return output_.load(std::memory_order_acquire); }
    std::uint32_t ringSize() const { return ringSize_; }
    std::uint32_t chunk() const { return chunk_; }
    std::uint32_t block() const { return block_; }
    bool priming() const { return priming_.load(std::memory_order_acquire); }
    bool endReached() const { return end_.load(std::memory_order_acquire) != End::Open; }
    // AUDIO_ERROR_* of the source's failed download once the pipeline has
    // taken all it had; AUDIO_OK otherwise. The output then waits (never ends).
    int fault() const { return fault_.load(std::memory_order_acquire); }
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
    bool Switched() const { return boundary_.load(std::memory_order_acquire) != kNoBoundary; }
    bool BoundaryPlayed() const;
    // The queued channel is now the source; positions count from it alone.
    void AdoptNext();
    // Back to the old source after a switch (for a seek in it); the caller
    // resets the ring afterwards.
    void Unchain(AUDIO_HANDLE source);
    // Bytes of the source's data decoded but not yet heard.
    std::uint64_t UnplayedBytes() const;

private:
    static std::uint32_t dataCallback(AUDIO_HANDLE handle, void *buffer, std::uint32_t length,
                                      void *user);
    std::uint32_t feed(std::uint8_t *buffer, std::uint32_t length);
    void requestFill();
    void workerLoop();
    void fillStep();
    // Worker, under commitMutex_: the transfer buffer's first bytes into the ring.
    void commit(std::uint32_t bytes);
    void stopWorker();

    const AudioApi &api_;
    WarningBox showWarning_;
    bool ready_ = false;

    // Reallocated only while no output stream exists (OpenOutput). Its
    // storage is a power of two; the pipeline fills it to ringSize_ - 1
    // bytes at most, the size its sizing rules give.
    SpscRing ring_;
    std::uint32_t ringSize_ = 0;
    // Room the worker may still fill (counts ringSize_, not the storage).
    std::uint32_t freeBytes() const
    {
        const std::uint32_t waiting = BufferedBytes();
        return waiting >= ringSize_ ? 0 : ringSize_ - waiting;
    }
    bool resizeRing(std::uint32_t bytes);
    // Worker thread only.
    std::vector<std::uint8_t> transfer_;

    // Moved by the worker to the queued channel (under commitMutex_), set
    // back by Unchain and OpenOutput.
    std::atomic<AUDIO_HANDLE> source_{0};
    // Guarded by commitMutex_.
    AUDIO_HANDLE next_ = 0;
    static constexpr std::uint64_t kNoBoundary = ~std::uint64_t(0);
    // written_ when the worker switched to next_; kNoBoundary otherwise.
    // Stored by the worker under commitMutex_, cleared by the user-interface
    // thread (AdoptNext, Unchain, ResetRing).
    std::atomic<std::uint64_t> boundary_{kNoBoundary};
    // Bytes the worker put into the ring since the last ResetRing; moved
    // under commitMutex_.
    std::atomic<std::uint64_t> written_{0};
    // Written by the user-interface thread while the worker is not running.
    std::uint32_t chunk_ = 0;
    std::uint32_t block_ = 0;

    // Set by the user-interface thread, read by the worker and the feeder.
    std::atomic<AUDIO_HANDLE> output_{0};
    // Set by the worker, cleared by ResetRing and QueueNext (under commitMutex_).
    // Reached is set by the worker at the source's end; the feeder turns it
    // into Delivered when it tells the output so. QueueNext may still turn
    // Reached back into Open, and exactly one of the two wins.
    enum class End : std::uint8_t { Open, Reached, Delivered };
    std::atomic<End> end_{End::Open};
    // Set by the worker when the source's download failed, cleared by
    // ClearFault and ResetRing (user-interface thread).
    std::atomic<int> fault_{0};
    // Set by ResetRing, cleared by the worker once enough is buffered.
    std::atomic<bool> priming_{false};
    // Tells a feeder waiting for priming to give up (CloseOutput).
    std::atomic<bool> closing_{false};
    // Dekker pair between ResetRing and the feeder's copy: the feeder never
    // waits, ResetRing waits only for a copy already under way.
    std::atomic<bool> resetting_{false};
    std::atomic<bool> copying_{false};
    // Bumped by ResetRing; a block decoded across a reset is dropped.
    std::atomic<std::uint32_t> generation_{0};
    // Held by the worker only while it copies a block into the ring, and by
    // ResetRing; never by the feeder.
    std::mutex commitMutex_;
    std::atomic<std::uint64_t> underruns_{0};
    // Bytes the feeder handed out since the last ResetRing, which always
    // comes with a restart of the output (whose position then starts at 0).
    std::atomic<std::uint64_t> fed_{0};

    // Every wait here blocks in the kernel (no spinning): the worker for a
    // fill or quit request, the feeder for the end of priming, ResetRing for
    // a copy under way, CloseOutput for the worker's exit. Whoever changes
    // one of those flags notifies with signalMutex_ taken, so no wake-up is
    // lost; the mutex is held only around a check or a notify, never by the
    // user-interface thread while it waits for anything else.
    std::mutex signalMutex_;
    std::condition_variable signal_;
    std::atomic<bool> fillRequested_{false};
    std::atomic<bool> quit_{false};
    // True from the worker's start until its loop has ended.
    std::atomic<bool> workerRunning_{false};
    std::thread worker_;

    void notifyAll();
};
