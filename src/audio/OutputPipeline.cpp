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
    ready_ = ring_.resize(PipelineSizing::kInitialRingBytes);
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
    const std::uint32_t ringBytes = PipelineSizing::ringBytesFor(ring_.size(), chunk_);
    if (ringBytes != ring_.size() && !ring_.resize(ringBytes))
        return 0;

    source_ = source;
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
    endReached_.store(false, std::memory_order_release);
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
    if (workerRunning_.load(std::memory_order_acquire) && source_)
        api_.ChannelStop(source_);
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
    if (!out || endReached_.load(std::memory_order_acquire) || fault_.load(std::memory_order_acquire) != AUDIO_OK)
        return;
    const std::uint32_t generation = generation_.load(std::memory_order_acquire);
    const std::uint32_t need = block_;

    if (ring_.freeBytes() > need) {
        std::uint32_t got = api_.ChannelGetData(source_, transfer_.data(), block_);
        // Short because the download failed: not the end, the rest may come.
        int fault = AUDIO_OK;
        if (got != block_) {
            const int code = api_.ErrorGetCode();
            if (code != AUDIO_OK && code != AUDIO_ERROR_ENDED && code != AUDIO_ERROR_HANDLE
                && code != AUDIO_ERROR_NOT_INITIALISED)
                fault = code;
        }
        // A failed read (the source was stopped or freed) ends the data.
        if (got == static_cast<std::uint32_t>(-1))
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
            ring_.write(transfer_.data(), got);
            fault_.store(fault, std::memory_order_release);
            priming_.store(false, std::memory_order_release);
            return;
        }
        if (got == 0) {
            endReached_.store(true, std::memory_order_release);
        } else {
            ring_.write(transfer_.data(), got);
            if (got < block_) {
                endReached_.store(true, std::memory_order_release);
            } else if ((state == AUDIO_ACTIVE_PLAYING || state == AUDIO_ACTIVE_STALLED
                        || priming_.load(std::memory_order_acquire))
                       && ring_.freeBytes() > need) {
                requestFill();
            }
        }
    }
    if (priming_.load(std::memory_order_acquire)
        && (ring_.waiting() >= 2 * chunk_ || ring_.freeBytes() <= need))
        priming_.store(false, std::memory_order_release);
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
            return !priming_.load(std::memory_order_acquire) || endReached_.load(std::memory_order_acquire)
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
    const bool ended = endReached_.load(std::memory_order_acquire);
    const std::uint32_t copied = ring_.read(buffer, length);
    fed_.fetch_add(copied, std::memory_order_acq_rel);
    copying_.store(false, std::memory_order_seq_cst);
    if (resetting_.load(std::memory_order_seq_cst))
        notifyAll(); // ResetRing waits for this copy

    if (copied < length && ended)
        return copied + AUDIO_STREAMPROC_END;
    if (copied < length)
        underruns_.fetch_add(1, std::memory_order_relaxed);
    // A fill step only acts once a whole block fits, so there is no point
    // in waking the worker before that.
    if (ring_.freeBytes() > block_ || priming_.load(std::memory_order_acquire))
        requestFill();
    return copied;
}
