#include "output/SyncDispatcher.h"

#include "output/Channel.h"

#include <pthread.h>

namespace sonaroaudio {

SyncDispatcher::SyncDispatcher(Collect collect, Housekeeping housekeeping)
    : collect_(std::move(collect)), housekeeping_(std::move(housekeeping))
{
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "sonaro-sync");
        run();
    });
}

SyncDispatcher::~SyncDispatcher()
{
    stop_.store(true);
    wake();
    thread_.join();
}

void SyncDispatcher::wake() { signal_.notify(); }

void SyncDispatcher::run()
{
    // The signal's first value: a wake before this thread got here still counts.
    uint32_t ticket = 0;
    std::chrono::milliseconds again{-1};
    while (!stop_.load()) {
        if (again.count() < 0)
            signal_.wait(ticket);
        else
            signal_.waitFor(ticket, again);
        ticket = signal_.ticket();
        if (stop_.load())
            break;
        for (const auto &channel : collect_())
            channel->dispatchEvents();
        again = housekeeping_ ? housekeeping_() : std::chrono::milliseconds(-1);
    }
}

} // namespace sonaroaudio
