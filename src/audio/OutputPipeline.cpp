#include "OutputPipeline.h"

#include "PipelineSizing.h"

#include <QStringLiteral>

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

namespace {
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

    {
        std::lock_guard<std::mutex> lock(mailboxMutex_);
        source_ = source;
        next_ = 0;
        pending_ = 0;
        waitsForRoom_ = false;
    }
    closing_.store(false, std::memory_order_release);
    ResetRing();

    const AUDIO_HANDLE stream =
        api_.StreamCreate(rate, channels, bits == 8 ? AUDIO_SAMPLE_8BITS : 0u, &dataCallback, this);
    if (!stream)
        return 0;
    output_ = stream;

    try {
        {
            std::lock_guard<std::mutex> lock(mailboxMutex_);
            workerDone_ = false;
        }
        worker_ = std::thread([this, stream] { workerLoop(stream); });
    } catch (const std::system_error &) {
        {
            std::lock_guard<std::mutex> lock(mailboxMutex_);
            workerDone_ = true;
        }
        output_ = 0;
        api_.StreamFree(stream);
        if (showWarning_)
            showWarning_(QStringLiteral("Error!"), QStringLiteral("Unable to create thread !"));
        return 0;
    }
    return stream;
}

void OutputPipeline::ResetRing()
{
    {
        std::lock_guard<std::mutex> lock(mailboxMutex_);
        {
            std::lock_guard<std::mutex> guard(readGuard_);
            ring_.reset();
            fed_.store(0, std::memory_order_release);
            end_.store(End::Open, std::memory_order_release);
            priming_.store(true, std::memory_order_release);
        }
        written_ = 0;
        boundary_ = kNoBoundary;
        fault_ = AUDIO_OK;
        // Priming starts when the output asks for data (wakeForRoom); until
        // then the worker only forgets the block it may be decoding.
        waitsForRoom_ = false;
        postLocked(Command::Drop);
    }
}

int OutputPipeline::fault() const
{
    std::lock_guard<std::mutex> lock(mailboxMutex_);
    return fault_;
}

void OutputPipeline::ClearFault()
{
    {
        std::lock_guard<std::mutex> lock(mailboxMutex_);
        fault_ = AUDIO_OK;
        priming_.store(true, std::memory_order_release);
        postLocked(Command::Fill);
    }
    mailboxSignal_.notify_all();
}

std::uint32_t OutputPipeline::HeldByOutput() const
{
    if (!output_)
        return 0;
    // Played first: whatever is fed after this read only adds to the answer.
    const std::uint64_t played = api_.ChannelGetPosition(output_, AUDIO_POS_BYTE);
    const std::uint64_t fed = fed_.load(std::memory_order_acquire);
    if (played == static_cast<std::uint64_t>(-1) || played >= fed)
        return 0;
    return static_cast<std::uint32_t>(fed - played);
}

void OutputPipeline::CloseOutput()
{
    // The feeder hands out nothing more; one waiting for priming is woken
    // by the worker as it leaves.
    closing_.store(true, std::memory_order_release);
    stopWorker();
    if (output_) {
        api_.StreamFree(output_);
        output_ = 0;
    }
}

void OutputPipeline::stopWorker()
{
    if (!worker_.joinable())
        return;
    AUDIO_HANDLE stuckOn = 0;
    {
        std::unique_lock<std::mutex> lock(mailboxMutex_);
        postLocked(Command::Quit);
        mailboxSignal_.notify_all();
        // An idle worker leaves at once. One that sits in a read waiting for
        // the download is woken by stopping the source, which its owner is
        // about to release anyway.
        if (!mailboxSignal_.wait_for(lock, kWorkerExitWait, [this] { return workerDone_; }))
            stuckOn = source_;
    }
    if (stuckOn)
        api_.ChannelStop(stuckOn);
    worker_.join();
}

bool OutputPipeline::takeLocked(Command command)
{
    const auto bit = static_cast<std::uint8_t>(command);
    const bool pending = (pending_ & bit) != 0;
    pending_ &= static_cast<std::uint8_t>(~bit);
    return pending;
}

bool OutputPipeline::resizeRing(std::uint32_t bytes)
{
    if (!ring_.resize(bytes))
        return false;
    ringSize_ = bytes;
    return true;
}

bool OutputPipeline::QueueNext(AUDIO_HANDLE next)
{
    std::unique_lock<std::mutex> lock(mailboxMutex_);
    if (!next || !output_ || fault_ != AUDIO_OK || boundary_ != kNoBoundary)
        return false;
    End reached = End::Reached;
    if (end_.compare_exchange_strong(reached, End::Open, std::memory_order_acq_rel)) {
        // The source's last bytes are already in the ring, not yet past the
        // feeder: the next channel goes on from there.
        boundary_ = written_;
        source_ = next;
        postLocked(Command::Fill);
        lock.unlock();
        mailboxSignal_.notify_all();
        return true;
    }
    if (reached == End::Delivered)
        return false; // the output has been told it ended
    next_ = next;
    return true;
}

bool OutputPipeline::CancelNext()
{
    std::lock_guard<std::mutex> lock(mailboxMutex_);
    next_ = 0;
    return boundary_ == kNoBoundary;
}

bool OutputPipeline::Switched() const
{
    std::lock_guard<std::mutex> lock(mailboxMutex_);
    return boundary_ != kNoBoundary;
}

bool OutputPipeline::BoundaryPlayed() const
{
    std::uint64_t boundary = kNoBoundary;
    {
        std::lock_guard<std::mutex> lock(mailboxMutex_);
        boundary = boundary_;
    }
    if (boundary == kNoBoundary || !output_)
        return false;
    const std::uint64_t played = api_.ChannelGetPosition(output_, AUDIO_POS_BYTE);
    return played != static_cast<std::uint64_t>(-1) && played >= boundary;
}

void OutputPipeline::AdoptNext()
{
    std::lock_guard<std::mutex> lock(mailboxMutex_);
    boundary_ = kNoBoundary;
}

void OutputPipeline::Unchain(AUDIO_HANDLE source)
{
    std::lock_guard<std::mutex> lock(mailboxMutex_);
    next_ = 0;
    boundary_ = kNoBoundary;
    source_ = source;
    // A block of the other channel decoded meanwhile is stale now.
    postLocked(Command::Drop);
}

std::uint64_t OutputPipeline::UnplayedBytes() const
{
    std::uint64_t boundary = kNoBoundary;
    {
        std::lock_guard<std::mutex> lock(mailboxMutex_);
        boundary = boundary_;
    }
    if (boundary == kNoBoundary)
        return std::uint64_t(BufferedBytes()) + HeldByOutput();
    const std::uint64_t played = output_ ? api_.ChannelGetPosition(output_, AUDIO_POS_BYTE) : 0;
    if (played == static_cast<std::uint64_t>(-1))
        return boundary;
    return played >= boundary ? 0 : boundary - played;
}
