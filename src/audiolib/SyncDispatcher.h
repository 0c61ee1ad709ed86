#pragma once

#include <atomic>
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

    explicit SyncDispatcher(Collect collect);
    ~SyncDispatcher();

    void wake();

private:
    void run();

    Collect collect_;
    std::atomic<uint32_t> sequence_{0}; // bumped by wake(), waited on by the thread
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace sonaroaudio
