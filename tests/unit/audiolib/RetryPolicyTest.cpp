#include "input/RetryPolicy.h"

#include <gtest/gtest.h>

using sonaroaudio::RetryPolicy;
using namespace std::chrono_literals;

TEST(RetryPolicy, BacksOffThenRetriesEveryEightSecondsUntilTheBudgetIsSpent)
{
    RetryPolicy policy(60s);
    auto now = RetryPolicy::Clock::time_point{} + 100s;
    std::vector<long> delays;
    for (;;) {
        const auto delay = policy.failed(now);
        if (delay.count() < 0)
            break;
        delays.push_back(long(delay.count()));
        now += delay;
        ASSERT_LT(delays.size(), 100u);
    }
    // 0.5 + 1 + 2 + 4 + 8 = 15.5 s, then 8 s steps while the next try starts within 60 s.
    const std::vector<long> expected = {500, 1000, 2000, 4000, 8000, 8000, 8000, 8000, 8000, 8000};
    EXPECT_EQ(delays, expected);
    EXPECT_EQ(policy.failures(), expected.size() + 1);
}

TEST(RetryPolicy, DataEndsTheOutageAndResetsTheSteps)
{
    RetryPolicy policy(2s);
    auto now = RetryPolicy::Clock::time_point{} + 10s;
    EXPECT_EQ(policy.failed(now), 500ms);
    EXPECT_EQ(policy.failed(now += 500ms), 1000ms);
    // 1.5 s into the outage: a further 2 s wait would end past the budget.
    EXPECT_LT(policy.failed(now += 1000ms).count(), 0);
    policy.progressed();
    EXPECT_EQ(policy.failures(), 0u);
    // A new outage gets the whole budget and the short first step again.
    EXPECT_EQ(policy.failed(now += 30s), 500ms);
}
