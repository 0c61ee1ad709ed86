#include "input/Cancellation.h"

#include "input/Download.h"

namespace sonaroaudio {

Cancellation::Watch::Watch(Cancellation &cancellation, Download &download, std::atomic<bool> &interrupt)
    : cancellation_(cancellation)
{
    std::lock_guard lock(cancellation_.mutex_);
    cancellation_.download_ = &download;
    cancellation_.interrupt_ = &interrupt;
    // Cancelled before the download existed: it must not start waiting now.
    if (cancellation_.cancelled_)
        stop(download, interrupt);
}

Cancellation::Watch::~Watch()
{
    std::lock_guard lock(cancellation_.mutex_);
    cancellation_.download_ = nullptr;
    cancellation_.interrupt_ = nullptr;
}

void Cancellation::cancel()
{
    // Held throughout, so the watched download cannot be destroyed meanwhile.
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    if (download_)
        stop(*download_, *interrupt_);
}

bool Cancellation::cancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void Cancellation::stop(Download &download, std::atomic<bool> &interrupt)
{
    interrupt.store(true);
    download.cancel();
    download.store().wakeAll();
}

} // namespace sonaroaudio
