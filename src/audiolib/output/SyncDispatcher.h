#pragma once

#include "output/WakeSignal.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace sonaroaudio {

class Channel;

// The library's thread for sync callbacks. wake() is safe on the output
// thread: an atomic increment and a futex wake, no lock, no allocation.
class SyncDispatcher {
public:
    using Collect = std::function<std::vector<std::shared_ptr<Channel>>()>;
    // Runs on the thread after each wake, outside any channel's callbacks;
    // returns how long until it wants to run again without a wake (negative:
    // only on the next wake).
    using Housekeeping = std::function<std::chrono::milliseconds()>;

    explicit SyncDispatcher(Collect collect, Housekeeping housekeeping = {});
    ~SyncDispatcher();

    void wake();

private:
    void run();

    Collect collect_;
    Housekeeping housekeeping_;
    WakeSignal signal_;                 // wake() notifies, the thread sleeps on it (starts at 0)
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace sonaroaudio
