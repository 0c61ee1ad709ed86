#include "output/WakeSignal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using sonaroaudio::WakeSignal;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

milliseconds waited(WakeSignal &signal, uint32_t ticket, milliseconds limit)
{
    const auto start = Clock::now();
    signal.waitFor(ticket, limit);
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

} // namespace

TEST(AudiolibWakeSignal, NoWakeIsLostAndTheTimeoutHolds)
{
    WakeSignal signal;
    // A notify between taking the ticket and sleeping must not be slept through.
    uint32_t ticket = signal.ticket();
    signal.notify();
    EXPECT_LT(waited(signal, ticket, milliseconds(5000)), milliseconds(1000));
    // Nobody notifies: the sleeper comes back after its limit, not before.
    ticket = signal.ticket();
    const auto idle = waited(signal, ticket, milliseconds(60));
    EXPECT_GE(idle, milliseconds(55));
    EXPECT_LT(idle, milliseconds(2000));

    // One notify per round, sent once the sleeper holds its ticket, whether
    // or not it is already asleep: each must wake it.
    constexpr int kRounds = 200;
    std::atomic<int> armed{0}, woken{0};
    std::atomic<bool> quit{false};
    std::thread sleeper([&] {
        for (int round = 1; round <= kRounds && !quit.load(); ++round) {
            const uint32_t t = signal.ticket();
            armed.store(round);
            signal.waitFor(t, milliseconds(2000));
            woken.store(round);
        }
    });
    int slowRound = 0;
    for (int round = 1; round <= kRounds && slowRound == 0; ++round) {
        while (armed.load() < round)
            std::this_thread::yield();
        const auto sent = Clock::now();
        signal.notify();
        while (woken.load() < round)
            std::this_thread::yield();
        // A lost wake costs the round the sleeper's 2 s limit.
        if (Clock::now() - sent > milliseconds(1000))
            slowRound = round;
    }
    quit.store(true);
    signal.notify();
    sleeper.join();
    EXPECT_EQ(slowRound, 0) << "a wake was lost";
}
