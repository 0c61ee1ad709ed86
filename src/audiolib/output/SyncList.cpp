#include "output/SyncList.h"

#include <algorithm>

namespace sonaroaudio {

void SyncList::add(uint32_t type, AUDIO_SYNCPROC *proc, void *user, AUDIO_HANDLE id)
{
    std::lock_guard lock(mutex_);
    syncs_.push_back(Sync{id, type, proc, user, false});
}

bool SyncList::remove(AUDIO_HANDLE id)
{
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(syncs_.begin(), syncs_.end(), [&](const Sync &s) { return s.id == id; });
    if (it == syncs_.end())
        return false;
    syncs_.erase(it);
    return true;
}

void SyncList::rearmDownload()
{
    std::lock_guard lock(mutex_);
    for (auto &sync : syncs_)
        if (sync.type == AUDIO_SYNC_DOWNLOAD)
            sync.fired = false;
}

void SyncList::close()
{
    std::unique_lock lock(mutex_);
    closed_ = true;
    const auto self = std::this_thread::get_id();
    idle_.wait(lock, [&] { return dispatching_ == std::thread::id() || dispatching_ == self; });
}

void SyncList::dispatch(uint32_t events, AUDIO_HANDLE channel, const std::string &meta, int downloadResult)
{
    struct Call {
        AUDIO_HANDLE id;
        AUDIO_SYNCPROC *proc;
        void *user;
        uint32_t type;
    };
    std::vector<Call> calls;
    std::unique_lock lock(mutex_);
    if (closed_)
        return;
    for (auto &sync : syncs_) {
        const bool due = (sync.type == AUDIO_SYNC_END && (events & kEventEnd))
                      || (sync.type == AUDIO_SYNC_META && (events & kEventMeta))
                      || (sync.type == AUDIO_SYNC_DOWNLOAD && (events & kEventDownload) && !sync.fired);
        if (!due)
            continue;
        if (sync.type == AUDIO_SYNC_DOWNLOAD)
            sync.fired = true;
        calls.push_back(Call{sync.id, sync.proc, sync.user, sync.type});
    }
    if (calls.empty())
        return;
    dispatching_ = std::this_thread::get_id();
    for (const auto &call : calls) {
        if (closed_)
            break;
        lock.unlock();
        uintptr_t data = 0;
        if (call.type == AUDIO_SYNC_META)
            data = reinterpret_cast<uintptr_t>(meta.c_str());
        else if (call.type == AUDIO_SYNC_DOWNLOAD)
            data = uintptr_t(downloadResult);
        call.proc(call.id, channel, data, call.user);
        lock.lock();
    }
    dispatching_ = std::thread::id();
    idle_.notify_all();
}

} // namespace sonaroaudio
