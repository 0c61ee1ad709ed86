#pragma once

// The library-wide state behind the exported calls (configuration, mixer,
// device, handles, sync thread) and the per-thread error code they set.
#include "sonaroaudio.h"

#include "CreationRegistry.h"
#include "HandleTable.h"
#include "input/RetryPolicy.h"
#include "output/Channel.h"
#include "output/Mixer.h"
#include "output/OutputDevice.h"
#include "output/SyncDispatcher.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace sonaroaudio {

// Everything the exported calls share; one instance, lib().
struct Library {
    // AUDIO_SetConfig values; any thread.
    struct Config {
        std::atomic<uint32_t> maxVolume{10000};
        std::atomic<uint32_t> streamVolume{10000};
        std::atomic<uint32_t> musicVolume{10000};
        std::atomic<uint32_t> netTimeoutMs{30000};
        std::atomic<uint32_t> netMemoryMiB{512};
        std::atomic<uint32_t> netWindowKiB{2048};
        std::atomic<uint32_t> redirects{1};
        std::atomic<uint32_t> netRetryMs{uint32_t(RetryPolicy::kDefaultBudget.count())};
    };

    Config config;
    std::mutex lifeMutex;                      // serialises Init and Free
    std::atomic<bool> ready{false};
    int device = 0;                            // lifeMutex
    HandleTable<Channel> channels;
    AUDIO_HANDLE nextSync = 0;                 // syncMutex
    std::mutex syncMutex;
    // Created by Init, destroyed by Free (lifeMutex). The others reach them only while ready.
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<SyncDispatcher> dispatcher;
    std::unique_ptr<OutputDevice> output;
    // Guards output's pointer and its activation: held by Play to restart
    // the output and by the sync thread to stop it when nothing plays.
    std::mutex deviceMutex;
    // Opened by Init, closed by Free before it tears down what creations publish into.
    CreationRegistry creations;
};

Library &lib();

// Error code of the last call on this thread (AUDIO_ErrorGetCode).
extern thread_local int lastError;

template <typename T>
T fail(int code, T value)
{
    lastError = code;
    return value;
}

inline int ok()
{
    lastError = AUDIO_OK;
    return 1;
}

// Turns an operation's error code into the call's result.
inline int result(int code)
{
    lastError = code;
    return code == AUDIO_OK ? 1 : 0;
}

// The live channel of handle; null with the error code set otherwise.
std::shared_ptr<Channel> channelOf(AUDIO_HANDLE handle);

} // namespace sonaroaudio
