// The pipeline's data path: the worker's fill rounds and the feeder.
#include "OutputPipeline.h"

#include <algorithm>
#include <chrono>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
// How long one feeder call waits for priming before it hands over what
// there is; the library calls again, so a slow download only stalls the
// output instead of holding the feeder indefinitely.
constexpr auto kPrimingWaitLimit = std::chrono::milliseconds(200);
constexpr auto kMailboxRetry = std::chrono::milliseconds(1);
} // namespace

void OutputPipeline::workerLoop(AUDIO_HANDLE output)
{
    // Above-normal priority where the system allows it; without the right
    // to raise it the worker simply runs at normal priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -5);
    pthread_setname_np(pthread_self(), "sonaro-fill");
    std::unique_lock<std::mutex> lock(mailboxMutex_);
    for (;;) {
        // A Drop alone does not wake it: it only matters to a read under way.
        // Room that came while the worker held the mutex (the feeder's
        // try-lock missed) is seen here before it sleeps.
        mailboxSignal_.wait(lock, [this] {
            return (pending_ & (static_cast<std::uint8_t>(Command::Fill) | static_cast<std::uint8_t>(Command::Quit))) != 0
                || (waitsForRoom_ && freeBytes() > refillRoom());
        });
        if (takeLocked(Command::Quit))
            break;
        fillRound(lock, output);
    }
    workerDone_ = true;
    lock.unlock();
    mailboxSignal_.notify_all();
    wakeFeeder();
}

void OutputPipeline::fillRound(std::unique_lock<std::mutex> &lock, AUDIO_HANDLE output)
{
    // Whatever asked for this round is answered by it.
    takeLocked(Command::Fill);
    takeLocked(Command::Drop);
    waitsForRoom_ = false;
    // The first read of a round is always made; further ones only while the
    // output plays or the ring primes.
    bool playing = true;
    for (;;) {
        if (pending_ & static_cast<std::uint8_t>(Command::Quit))
            return;
        // One block per read: a larger one returns only once all of it has
        // been downloaded, which at the download's edge holds back data the
        // output needs now.
        const std::uint32_t ask = block_;
        const bool wasPriming = priming_.load(std::memory_order_acquire);
        if (end_.load(std::memory_order_acquire) != End::Open || fault_ != AUDIO_OK || freeBytes() <= ask
            || !(wasPriming || playing))
            break;
        const AUDIO_HANDLE source = source_;
        // From here on a reset or an unchain makes this read stale.
        takeLocked(Command::Drop);
        lock.unlock();

        std::uint32_t got = api_.ChannelGetData(source, transfer_.data(), ask);
        // Short because the download failed: not the end, the rest may come.
        int fault = AUDIO_OK;
        if (got != ask) {
            const int code = api_.ErrorGetCode();
            if (code != AUDIO_OK && code != AUDIO_ERROR_ENDED && code != AUDIO_ERROR_HANDLE
                && code != AUDIO_ERROR_NOT_INITIALISED)
                fault = code;
        }
        // A failed read (the source was stopped or freed) ends the data.
        const bool failedRead = got == static_cast<std::uint32_t>(-1);
        if (failedRead)
            got = 0;
        const std::uint32_t state = got == ask ? api_.ChannelIsActive(output) : 0;

        lock.lock();
        if (takeLocked(Command::Drop))
            continue; // decoded before the last reset: stale
        if (fault != AUDIO_OK) {
            commitLocked(got);
            fault_ = fault;
            priming_.store(false, std::memory_order_release);
        } else if (got < ask && next_ && !failedRead) {
            // The source's last bytes are in; the queued channel's first
            // follow in the next read, so the output hears no seam.
            commitLocked(got);
            boundary_ = written_;
            source_ = next_;
            next_ = 0;
        } else {
            commitLocked(got);
            if (got < ask)
                end_.store(End::Reached, std::memory_order_release);
            playing = state == AUDIO_ACTIVE_PLAYING || state == AUDIO_ACTIVE_STALLED;
        }
        if (priming_.load(std::memory_order_acquire)
            && (BufferedBytes() >= 2 * chunk_ || freeBytes() <= block_))
            priming_.store(false, std::memory_order_release);
        if (wasPriming && (!priming_.load(std::memory_order_acquire) || end_.load(std::memory_order_acquire) != End::Open))
            wakeFeeder();
    }
    if (priming_.load(std::memory_order_acquire) && freeBytes() <= block_) {
        priming_.store(false, std::memory_order_release);
        wakeFeeder();
    }
    // At the end or a fault there is nothing to read until the
    // user-interface thread says otherwise.
    waitsForRoom_ = end_.load(std::memory_order_acquire) == End::Open && fault_ == AUDIO_OK;
}

void OutputPipeline::commitLocked(std::uint32_t bytes)
{
    const std::uint32_t room = freeBytes() > 0 ? freeBytes() - 1 : 0;
    const auto put = static_cast<std::uint32_t>(ring_.write(transfer_.data(), std::min(bytes, room)));
    written_ += put;
}

void OutputPipeline::wakeFeeder()
{
    // Taken between the change and the notify, so a feeder that has just
    // found priming still on is already waiting when the notify comes.
    { std::lock_guard<std::mutex> lock(primeMutex_); }
    primeSignal_.notify_all();
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
    if (priming_.load(std::memory_order_acquire))
        waitForPriming();

    std::unique_lock<std::mutex> guard(readGuard_, std::try_to_lock);
    if (!guard.owns_lock())
        return 0; // ResetRing empties the ring: the output is being stopped
    // Read the end flag before the ring: once it is set, everything the
    // worker wrote is visible, so a short copy really is the last one.
    const bool ended = endReached();
    const auto copied = static_cast<std::uint32_t>(ring_.read(buffer, length));
    fed_.fetch_add(copied, std::memory_order_acq_rel);
    guard.unlock();

    if (copied < length && ended) {
        End reached = End::Reached;
        if (end_.compare_exchange_strong(reached, End::Delivered, std::memory_order_acq_rel)
            || reached == End::Delivered)
            return copied + AUDIO_STREAMPROC_END;
        // Lost to QueueNext or a reset: more data comes.
    }
    if (copied < length)
        underruns_.fetch_add(1, std::memory_order_relaxed);
    wakeForRoom();
    return copied;
}

void OutputPipeline::waitForPriming()
{
    const auto deadline = std::chrono::steady_clock::now() + kPrimingWaitLimit;
    const auto primed = [this] {
        return !priming_.load(std::memory_order_acquire) || end_.load(std::memory_order_acquire) != End::Open
            || closing_.load(std::memory_order_acquire);
    };
    bool asked = false;
    std::unique_lock<std::mutex> lock(primeMutex_);
    while (!primed()) {
        if (!asked) {
            lock.unlock();
            asked = wakeForRoom();
            lock.lock();
        }
        // Until the worker has been told, the mailbox is tried again
        // every millisecond.
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return;
        const auto until = asked ? deadline : std::min(deadline, now + kMailboxRetry);
        primeSignal_.wait_until(lock, until, primed);
    }
}

bool OutputPipeline::wakeForRoom()
{
    // Priming reads as soon as a block fits; otherwise the worker sleeps
    // until less than two chunks wait and then refills in one round.
    if (freeBytes() <= (priming_.load(std::memory_order_acquire) ? block_ : refillRoom()))
        return true;
    // A try-lock, never a wait: the user-interface thread may hold the
    // mailbox for a moment. A miss is made good by the next call, which the
    // library makes long before the 0.4 s the ring still holds run out; the
    // worker only sleeps on room after a look at the ring under the mutex,
    // so a wake sent with it taken cannot be lost.
    std::unique_lock<std::mutex> lock(mailboxMutex_, std::try_to_lock);
    if (!lock.owns_lock())
        return false;
    // Priming is asked for even while a round may be under way: at worst
    // one more round finds the ring full.
    if (!waitsForRoom_ && !priming_.load(std::memory_order_acquire))
        return true; // busy reading, or nothing to read
    waitsForRoom_ = false;
    postLocked(Command::Fill);
    lock.unlock();
    mailboxSignal_.notify_all();
    return true;
}
