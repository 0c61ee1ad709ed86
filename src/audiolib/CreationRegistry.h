#pragma once

#include "input/Cancellation.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace sonaroaudio {

// The stream creations in progress, so that closing the library can cancel
// them and wait for them instead of for the network.
class CreationRegistry {
public:
    // One creation, from its first wait through its publication.
    class Scope {
    public:
        explicit Scope(CreationRegistry &registry);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

        // False when the registry was closed: the creation must not start.
        bool entered() const { return entered_; }
        Cancellation &cancellation() { return cancellation_; }
        // Runs publish with the registry locked unless the creation was
        // cancelled, so close() sees either its published channel or none.
        bool publishUnlessCancelled(const std::function<void()> &publish);

    private:
        CreationRegistry &registry_;
        Cancellation cancellation_;
        bool entered_ = false;
    };

    void open();
    // Refuses new creations, cancels those in progress and returns once each
    // has left. Creations never wait for the caller's other locks on their way out.
    void close();

private:
    std::mutex mutex_;
    std::condition_variable left_;
    bool open_ = false;                  // mutex_; set by open, cleared by close
    std::vector<Cancellation *> active_; // mutex_; each entry added and removed by its own Scope
};

} // namespace sonaroaudio
