#include "output/WakeSignal.h"

#include <climits>
#include <ctime>

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sonaroaudio {

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) && std::atomic<uint32_t>::is_always_lock_free,
              "the futex word is the atomic itself");

namespace {

uint32_t *word(std::atomic<uint32_t> &a) { return reinterpret_cast<uint32_t *>(&a); }

} // namespace

void WakeSignal::notify()
{
    sequence_.fetch_add(1, std::memory_order_seq_cst);
    // Pairs with the sleeper's increment: either it sees the new sequence
    // before sleeping or this sees it counted and wakes it.
    if (sleepers_.load(std::memory_order_seq_cst) != 0)
        syscall(SYS_futex, word(sequence_), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

void WakeSignal::waitFor(uint32_t ticket, std::chrono::milliseconds timeout)
{
    const auto ms = timeout.count();
    const timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    sleep(ticket, &ts);
}

void WakeSignal::wait(uint32_t ticket) { sleep(ticket, nullptr); }

void WakeSignal::sleep(uint32_t ticket, const timespec *timeout)
{
    sleepers_.fetch_add(1, std::memory_order_seq_cst);
    // The kernel compares the word with ticket again, atomically with going to
    // sleep; no spinning before it, so an idle sleeper costs nothing.
    if (sequence_.load(std::memory_order_seq_cst) == ticket)
        syscall(SYS_futex, word(sequence_), FUTEX_WAIT_PRIVATE, ticket, timeout, nullptr, 0);
    sleepers_.fetch_sub(1, std::memory_order_seq_cst);
}

} // namespace sonaroaudio
