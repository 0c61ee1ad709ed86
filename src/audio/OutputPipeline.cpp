#include "OutputPipeline.h"

#include "PipelineSizing.h"

#include <QStringLiteral>

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
// How long one feeder call waits for priming before it hands over what
// there is; the library calls again, so a slow download only stalls the
// output instead of holding the feeder indefinitely.
constexpr auto kPrimingWaitLimit = std::chrono::milliseconds(200);
constexpr auto kWorkerExitWait = std::chrono::milliseconds(100);
} // namespace

OutputPipeline::OutputPipeline(const AudioApi &api, WarningBox showWarning)
    : api_(api)
    , showWarning_(std::move(showWarning))
{
    try {
        transfer_.resize(PipelineSizing::kTransferBytes);
    } catch (const std::bad_alloc &) {
        return;
    }
    ready_ = resizeRing(PipelineSizing::kInitialRingBytes);
}

OutputPipeline::~OutputPipeline()
{
    CloseOutput();
}

AUDIO_HANDLE OutputPipeline::OpenOutput(AUDIO_HANDLE source, std::uint32_t rate,
                                        std::uint32_t channels, std::uint32_t bits)
{
    if (!ready_ || channels == 0 || rate == 0)
        return 0;
    CloseOutput();

    chunk_ = PipelineSizing::chunkBytes(rate, channels, bits);
    block_ = std::min<std::uint32_t>(PipelineSizing::blockBytes(rate, channels, bits),
                                     static_cast<std::uint32_t>(transfer_.size()));
    const std::uint32_t ringBytes = PipelineSizing::ringBytesFor(ringSize_, chunk_);
    if (ringBytes != ringSize_ && !resizeRing(ringBytes))
        return 0;

    source_.store(source, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(commitMutex_);
        next_ = 0;
        boundary_.store(kNoBoundary, std::memory_order_release);
    }
    closing_.store(false, std::memory_order_release);
    quit_.store(false, std::memory_order_release);
    fillRequested_.store(false, std::memory_order_release);
    ResetRing();

    const AUDIO_HANDLE stream =
        api_.StreamCreate(rate, channels, bits == 8 ? AUDIO_SAMPLE_8BITS : 0u, &dataCallback, this);
    if (!stream)
        return 0;
    output_.store(stream, std::memory_order_release);

    try {
        workerRunning_.store(true, std::memory_order_release);
        worker_ = std::thread([this] {
            workerLoop();
            workerRunning_.store(false, std::memory_order_release);
            notifyAll();
        });
    } catch (const std::system_error &) {
        workerRunning_.store(false, std::memory_order_release);
        output_.store(0, std::memory_order_release);
        api_.StreamFree(stream);
        if (showWarning_)
            showWarning_(QStringLiteral("Error!"), QStringLiteral("Unable to create thread !"));
        return 0;
    }
    return stream;
}

void OutputPipeline::ResetRing()
{
    std::lock_guard<std::mutex> lock(commitMutex_);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    resetting_.store(true, std::memory_order_seq_cst);
    // A copy that began before the flag was seen finishes in microseconds;
    // its end notifies (it sees resetting_ set).
    {
        std::unique_lock<std::mutex> wait(signalMutex_);
        signal_.wait(wait, [this] { return !copying_.load(std::memory_order_seq_cst); });
    }
    ring_.reset();
    fed_.store(0, std::memory_order_release);
    written_.store(0, std::memory_order_release);
    boundary_.store(kNoBoundary, std::memory_order_release);
    end_.store(End::Open, std::memory_order_release);
    fault_.store(AUDIO_OK, std::memory_order_release);
    priming_.store(true, std::memory_order_release);
    resetting_.store(false, std::memory_order_seq_cst);
}

void OutputPipeline::ClearFault()
{
    {
        std::lock_guard<std::mutex> lock(commitMutex_);
        fault_.store(AUDIO_OK, std::memory_order_release);
        priming_.store(true, std::memory_order_release);
    }
    requestFill();
}

std::uint32_t OutputPipeline::HeldByOutput() const
{
    const AUDIO_HANDLE stream = output_.load(std::memory_order_acquire);
    if (!stream)
        return 0;
    // Played first: whatever is fed after this read only adds to the answer.
    const std::uint64_t played = api_.ChannelGetPosition(stream, AUDIO_POS_BYTE);
    const std::uint64_t fed = fed_.load(std::memory_order_acquire);
    if (played == static_cast<std::uint64_t>(-1) || played >= fed)
        return 0;
    return static_cast<std::uint32_t>(fed - played);
}

void OutputPipeline::CloseOutput()
{
    closing_.store(true, std::memory_order_release);
    notifyAll(); // a feeder waiting for priming gives up
    const AUDIO_HANDLE stream = output_.exchange(0, std::memory_order_acq_rel);
    if (stream)
        api_.StreamFree(stream);
    stopWorker();
}

void OutputPipeline::stopWorker()
{
    if (!worker_.joinable())
        return;
    quit_.store(true, std::memory_order_release);
    notifyAll();
    // An idle worker leaves at once. One that sits in a read waiting for the
    // download is woken by stopping the source, which its owner is about to
    // release anyway.
    {
        std::unique_lock<std::mutex> wait(signalMutex_);
        signal_.wait_for(wait, kWorkerExitWait,
                         [this] { return !workerRunning_.load(std::memory_order_acquire); });
    }
    const AUDIO_HANDLE source = source_.load(std::memory_order_acquire);
    if (workerRunning_.load(std::memory_order_acquire) && source)
        api_.ChannelStop(source);
    worker_.join();
}

void OutputPipeline::notifyAll()
{
    std::lock_guard<std::mutex> lock(signalMutex_);
    signal_.notify_all();
}

void OutputPipeline::requestFill()
{
    if (!fillRequested_.exchange(true, std::memory_order_acq_rel))
        notifyAll();
}

void OutputPipeline::workerLoop()
{
    // Above-normal priority where the system allows it; without the right
    // to raise it the worker simply runs at normal priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -5);
    pthread_setname_np(pthread_self(), "sonaro-fill");
    for (;;) {
        {
            std::unique_lock<std::mutex> wait(signalMutex_);
            signal_.wait(wait, [this] {
                return quit_.load(std::memory_order_acquire) || fillRequested_.load(std::memory_order_acquire);
            });
        }
        if (quit_.load(std::memory_order_acquire) || !output_.load(std::memory_order_acquire))
            break;
        if (fillRequested_.exchange(false, std::memory_order_acq_rel)) {
            const bool wasPriming = priming_.load(std::memory_order_acquire);
            fillStep();
            // A feeder may be waiting for priming to end.
            if (wasPriming)
                notifyAll();
        }
    }
}

void OutputPipeline::fillStep()
{
    const AUDIO_HANDLE out = output_.load(std::memory_order_acquire);
    if (!out || endReached() || fault_.load(std::memory_order_acquire) != AUDIO_OK)
        return;
    const std::uint32_t generation = generation_.load(std::memory_order_acquire);
    const std::uint32_t need = block_;

    if (freeBytes() > need) {
        const AUDIO_HANDLE source = source_.load(std::memory_order_acquire);
        std::uint32_t got = api_.ChannelGetData(source, transfer_.data(), block_);
        // Short because the download failed: not the end, the rest may come.
        int fault = AUDIO_OK;
        if (got != block_) {
            const int code = api_.ErrorGetCode();
            if (code != AUDIO_OK && code != AUDIO_ERROR_ENDED && code != AUDIO_ERROR_HANDLE
                && code != AUDIO_ERROR_NOT_INITIALISED)
                fault = code;
        }
        // A failed read (the source was stopped or freed) ends the data.
        const bool failedRead = got == static_cast<std::uint32_t>(-1);
        if (failedRead)
            got = 0;
        const std::uint32_t state = got == block_ ? api_.ChannelIsActive(out) : 0;

        std::lock_guard<std::mutex> lock(commitMutex_);
        if (generation_.load(std::memory_order_acquire) != generation) {
            // Decoded before the last reset: stale. Priming still needs data.
            if (priming_.load(std::memory_order_acquire))
                requestFill();
            return;
        }
        if (fault != AUDIO_OK) {
            commit(got);
            fault_.store(fault, std::memory_order_release);
            priming_.store(false, std::memory_order_release);
            return;
        }
        if (got < block_ && next_ && !failedRead) {
            // The source's last bytes are in; the queued channel's first
            // follow in the next step, so the output hears no seam.
            commit(got);
            boundary_.store(written_.load(std::memory_order_relaxed), std::memory_order_release);
            source_.store(next_, std::memory_order_release);
            next_ = 0;
            requestFill();
            return;
        }
        if (got == 0) {
            end_.store(End::Reached, std::memory_order_release);
        } else {
            commit(got);
            if (got < block_) {
                end_.store(End::Reached, std::memory_order_release);
            } else if ((state == AUDIO_ACTIVE_PLAYING || state == AUDIO_ACTIVE_STALLED
                        || priming_.load(std::memory_order_acquire))
                       && freeBytes() > need) {
                requestFill();
            }
        }
    }
    if (priming_.load(std::memory_order_acquire)
        && (BufferedBytes() >= 2 * chunk_ || freeBytes() <= need))
        priming_.store(false, std::memory_order_release);
}

bool OutputPipeline::resizeRing(std::uint32_t bytes)
{
    if (!ring_.resize(bytes))
        return false;
    ringSize_ = bytes;
    return true;
}

void OutputPipeline::commit(std::uint32_t bytes)
{
    const std::uint32_t room = freeBytes() > 0 ? freeBytes() - 1 : 0;
    const auto put = static_cast<std::uint32_t>(ring_.write(transfer_.data(), std::min(bytes, room)));
    written_.store(written_.load(std::memory_order_relaxed) + put, std::memory_order_release);
}

bool OutputPipeline::QueueNext(AUDIO_HANDLE next)
{
    std::lock_guard<std::mutex> lock(commitMutex_);
    if (!next || !output_.load(std::memory_order_acquire) || fault_.load(std::memory_order_acquire) != AUDIO_OK
        || Switched())
        return false;
    End reached = End::Reached;
    if (end_.compare_exchange_strong(reached, End::Open, std::memory_order_acq_rel)) {
        // The source's last bytes are already in the ring, not yet past the
        // feeder: the next channel goes on from there.
        boundary_.store(written_.load(std::memory_order_relaxed), std::memory_order_release);
        source_.store(next, std::memory_order_release);
        requestFill();
        return true;
    }
    if (reached == End::Delivered)
        return false; // the output has been told it ended
    next_ = next;
    return true;
}

bool OutputPipeline::CancelNext()
{
    std::lock_guard<std::mutex> lock(commitMutex_);
    next_ = 0;
    return !Switched();
}

bool OutputPipeline::BoundaryPlayed() const
{
    const std::uint64_t boundary = boundary_.load(std::memory_order_acquire);
    const AUDIO_HANDLE stream = output_.load(std::memory_order_acquire);
    if (boundary == kNoBoundary || !stream)
        return false;
    const std::uint64_t played = api_.ChannelGetPosition(stream, AUDIO_POS_BYTE);
    return played != static_cast<std::uint64_t>(-1) && played >= boundary;
}

void OutputPipeline::AdoptNext()
{
    std::lock_guard<std::mutex> lock(commitMutex_);
    boundary_.store(kNoBoundary, std::memory_order_release);
}

void OutputPipeline::Unchain(AUDIO_HANDLE source)
{
    std::lock_guard<std::mutex> lock(commitMutex_);
    next_ = 0;
    boundary_.store(kNoBoundary, std::memory_order_release);
    source_.store(source, std::memory_order_release);
    // A block of the other channel decoded meanwhile is stale now.
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

std::uint64_t OutputPipeline::UnplayedBytes() const
{
    const std::uint64_t boundary = boundary_.load(std::memory_order_acquire);
    if (boundary == kNoBoundary)
        return std::uint64_t(BufferedBytes()) + HeldByOutput();
    const AUDIO_HANDLE stream = output_.load(std::memory_order_acquire);
    const std::uint64_t played = stream ? api_.ChannelGetPosition(stream, AUDIO_POS_BYTE) : 0;
    if (played == static_cast<std::uint64_t>(-1))
        return boundary;
    return played >= boundary ? 0 : boundary - played;
}

std::uint32_t OutputPipeline::dataCallback(AUDIO_HANDLE, void *buffer, std::uint32_t length,
                                           void *user)
{
    return static_cast<OutputPipeline *>(user)->feed(static_cast<std::uint8_t *>(buffer), length);
}

std::uint32_t OutputPipeline::feed(std::uint8_t *buffer, std::uint32_t length)
{
    if (closing_.load(std::memory_order_acquire))
        return 0;

    if (priming_.load(std::memory_order_acquire)) {
        requestFill();
        std::unique_lock<std::mutex> wait(signalMutex_);
        signal_.wait_for(wait, kPrimingWaitLimit, [this] {
            return !priming_.load(std::memory_order_acquire) || endReached()
                || closing_.load(std::memory_order_acquire) || fault_.load(std::memory_order_acquire) != AUDIO_OK;
        });
    }

    copying_.store(true, std::memory_order_seq_cst);
    if (resetting_.load(std::memory_order_seq_cst)) {
        copying_.store(false, std::memory_order_seq_cst);
        return 0;
    }
    // Read the end flag before the ring: once it is set, everything the
    // worker wrote is visible, so a short copy really is the last one.
    const bool ended = endReached();
    const auto copied = static_cast<std::uint32_t>(ring_.read(buffer, length));
    fed_.fetch_add(copied, std::memory_order_acq_rel);
    copying_.store(false, std::memory_order_seq_cst);
    if (resetting_.load(std::memory_order_seq_cst))
        notifyAll(); // ResetRing waits for this copy

    if (copied < length && ended) {
        End reached = End::Reached;
        if (end_.compare_exchange_strong(reached, End::Delivered, std::memory_order_acq_rel)
            || reached == End::Delivered)
            return copied + AUDIO_STREAMPROC_END;
        // Lost to QueueNext or a reset: more data comes.
    }
    if (copied < length)
        underruns_.fetch_add(1, std::memory_order_relaxed);
    // A fill step only acts once a whole block fits, so there is no point
    // in waking the worker before that.
    if (freeBytes() > block_ || priming_.load(std::memory_order_acquire))
        requestFill();
    return copied;
}
