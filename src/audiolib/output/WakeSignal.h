#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace sonaroaudio {

// Wakes one sleeping thread from any other thread, the mixing thread
// included: notify() never blocks, never allocates and costs no system call
// while nobody sleeps. A sleeper takes a ticket, checks its condition, then
// waits with that ticket, so a notify() after the ticket is never lost.
class WakeSignal {
public:
    uint32_t ticket() const { return sequence_.load(std::memory_order_seq_cst); }

    // Any thread.
    void notify();

    // Returns once notify() has run since ticket was taken, or after timeout
    // (spurious returns are possible; the caller checks its condition again).
    void waitFor(uint32_t ticket, std::chrono::milliseconds timeout);
    // The same without a time limit.
    void wait(uint32_t ticket);

private:
    void sleep(uint32_t ticket, const struct timespec *timeout);

    std::atomic<uint32_t> sequence_{0}; // bumped by notify()
    std::atomic<uint32_t> sleepers_{0}; // threads inside waitFor()
};

} // namespace sonaroaudio
