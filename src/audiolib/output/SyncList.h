#pragma once

#include "sonaroaudio.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sonaroaudio {

// Events a channel has for its syncs; the sync thread delivers them.
enum EventBits : uint32_t { kEventEnd = 1, kEventMeta = 2, kEventDownload = 4 };

// The syncs of one channel and the events waiting for them. Any thread adds
// and removes syncs and posts events; the sync thread takes the events and
// calls the syncs, never holding a lock during a callback.
class SyncList {
public:
    void add(uint32_t type, AUDIO_SYNCPROC *proc, void *user, AUDIO_HANDLE id);
    bool remove(AUDIO_HANDLE id);
    // The next end of the download is reported again.
    void rearmDownload();

    // Never blocks (the mixing thread posts the end).
    void post(uint32_t events) { pending_.fetch_or(events, std::memory_order_acq_rel); }
    bool hasEvents() const { return pending_.load() != 0; }
    // Sync thread: the events posted since the last call.
    uint32_t take() { return pending_.exchange(0); }
    // Sync thread: calls the syncs due for events on behalf of channel. meta
    // is the text meta syncs get, downloadResult what download syncs get.
    void dispatch(uint32_t events, AUDIO_HANDLE channel, const std::string &meta, int downloadResult);

    // No callback starts after this; returns once none is running, except
    // one on the calling thread (a callback that frees its own channel).
    void close();

private:
    struct Sync {
        AUDIO_HANDLE id;
        uint32_t type;
        AUDIO_SYNCPROC *proc;
        void *user;
        bool fired; // download syncs fire once
    };

    std::atomic<uint32_t> pending_{0}; // any thread ORs bits in, the sync thread takes them
    std::mutex mutex_;
    std::condition_variable idle_;     // with mutex_: dispatching_ went back to none
    std::vector<Sync> syncs_;          // guarded by mutex_
    bool closed_ = false;              // guarded by mutex_
    std::thread::id dispatching_;      // guarded by mutex_: thread now inside a callback
};

} // namespace sonaroaudio
