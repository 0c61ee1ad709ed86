#pragma once

#include <chrono>

namespace sonaroaudio {

// When a broken download tries again: 0.5, 1, 2, 4 and 8 s after the
// failures in a row, then every 8 s, until the outage has lasted longer
// than the budget. Any data that arrives ends the outage.
class RetryPolicy {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDefaultBudget{60000};

    explicit RetryPolicy(std::chrono::milliseconds budget = kDefaultBudget) : budget_(budget) {}

    // Records a failed attempt; returns how long to wait before the next
    // one, or a negative duration when the budget is spent.
    std::chrono::milliseconds failed(Clock::time_point now);
    // Data arrived: the next failure starts a new outage.
    void progressed() { failures_ = 0; }
    // Failed attempts since data last arrived.
    unsigned failures() const { return failures_; }

    static std::chrono::milliseconds delayAfter(unsigned failures);

private:
    const std::chrono::milliseconds budget_;
    unsigned failures_ = 0;
    Clock::time_point outageStart_{};
};

} // namespace sonaroaudio
