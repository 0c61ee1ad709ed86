#include "CreationRegistry.h"

#include <algorithm>

namespace sonaroaudio {

CreationRegistry::Scope::Scope(CreationRegistry &registry) : registry_(registry)
{
    std::lock_guard lock(registry_.mutex_);
    if (!registry_.open_)
        return;
    registry_.active_.push_back(&cancellation_);
    entered_ = true;
}

CreationRegistry::Scope::~Scope()
{
    if (!entered_)
        return;
    {
        std::lock_guard lock(registry_.mutex_);
        auto &active = registry_.active_;
        active.erase(std::find(active.begin(), active.end(), &cancellation_));
    }
    registry_.left_.notify_all();
}

bool CreationRegistry::Scope::publishUnlessCancelled(const std::function<void()> &publish)
{
    std::lock_guard lock(registry_.mutex_);
    if (cancellation_.cancelled())
        return false;
    publish();
    return true;
}

void CreationRegistry::open()
{
    std::lock_guard lock(mutex_);
    open_ = true;
}

void CreationRegistry::close()
{
    std::unique_lock lock(mutex_);
    open_ = false;
    for (Cancellation *creation : active_)
        creation->cancel();
    left_.wait(lock, [this] { return active_.empty(); });
}

} // namespace sonaroaudio
