#include "input/RetryPolicy.h"

#include <algorithm>

namespace sonaroaudio {

std::chrono::milliseconds RetryPolicy::delayAfter(unsigned failures)
{
    const unsigned doublings = std::min(failures == 0 ? 0u : failures - 1, 4u);
    return std::chrono::milliseconds(500) * (1 << doublings);
}

std::chrono::milliseconds RetryPolicy::failed(Clock::time_point now)
{
    if (failures_ == 0)
        outageStart_ = now;
    ++failures_;
    const auto delay = delayAfter(failures_);
    // The attempt after the wait must still begin inside the budget.
    if (now + delay - outageStart_ > budget_)
        return std::chrono::milliseconds(-1);
    return delay;
}

} // namespace sonaroaudio
