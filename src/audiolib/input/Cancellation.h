#pragma once

#include <atomic>
#include <mutex>

namespace sonaroaudio {

class Download;

// Lets another thread stop a stream creation that waits on the network: it
// cancels the download the creation watches and wakes every wait on its
// bytes (recognition and decoder open included).
class Cancellation {
public:
    // While alive, cancel() reaches download and interrupt. Created after the
    // download and destroyed before it, on the creating thread.
    class Watch {
    public:
        Watch(Cancellation &cancellation, Download &download, std::atomic<bool> &interrupt);
        ~Watch();
        Watch(const Watch &) = delete;
        Watch &operator=(const Watch &) = delete;

    private:
        Cancellation &cancellation_;
    };

    void cancel();
    bool cancelled() const;

private:
    static void stop(Download &download, std::atomic<bool> &interrupt);

    mutable std::mutex mutex_;
    bool cancelled_ = false;                  // mutex_; set once by the cancelling thread
    Download *download_ = nullptr;            // mutex_; set and cleared by the creating thread's Watch
    std::atomic<bool> *interrupt_ = nullptr;  // mutex_; as download_
};

} // namespace sonaroaudio
