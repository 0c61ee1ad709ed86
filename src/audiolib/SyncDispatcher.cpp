#include "SyncDispatcher.h"

#include "Channel.h"

#include <pthread.h>

namespace sonaroaudio {

SyncDispatcher::SyncDispatcher(Collect collect) : collect_(std::move(collect))
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

void SyncDispatcher::wake()
{
    sequence_.fetch_add(1, std::memory_order_release);
    sequence_.notify_one();
}

void SyncDispatcher::run()
{
    uint32_t seen = 0;
    while (!stop_.load()) {
        sequence_.wait(seen, std::memory_order_acquire);
        seen = sequence_.load(std::memory_order_acquire);
        if (stop_.load())
            break;
        for (const auto &channel : collect_())
            channel->dispatchEvents();
    }
}

} // namespace sonaroaudio
