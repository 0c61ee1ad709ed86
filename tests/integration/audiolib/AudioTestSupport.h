#pragma once

#include "AudioFixtures.h"
#include "sonaroaudio.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Records sync callbacks; the library calls them on its own threads. Data
// other than 0 is taken for text (metadata syncs).
struct SyncRecorder {
    std::atomic<int> count{0};
    std::atomic<bool> onCallerThread{false};
    std::thread::id caller = std::this_thread::get_id();
    std::mutex mutex;
    std::vector<std::string> texts; // guarded by mutex

    static void proc(AUDIO_HANDLE, AUDIO_HANDLE, uintptr_t data, void *user)
    {
        auto *self = static_cast<SyncRecorder *>(user);
        if (std::this_thread::get_id() == self->caller)
            self->onCallerThread.store(true);
        if (data) {
            std::lock_guard lock(self->mutex);
            self->texts.emplace_back(reinterpret_cast<const char *>(data));
        }
        self->count.fetch_add(1);
    }
};

// Records download syncs, whose data is the download's result.
struct DownloadRecorder {
    std::atomic<int> count{0};
    std::atomic<int> result{-1};
    static void proc(AUDIO_HANDLE, AUDIO_HANDLE, uintptr_t data, void *user)
    {
        auto *self = static_cast<DownloadRecorder *>(user);
        self->result.store(int(data));
        self->count.fetch_add(1);
    }
};

// Polls until pred holds or the time is up.
inline bool waitUntil(const std::function<bool()> &pred, int timeoutMs = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

// The library initialised on one device for the life of a test.
struct AudioSession {
    explicit AudioSession(int device = AUDIO_DEVICE_SILENT)
    {
        AUDIO_SetConfig(AUDIO_CONFIG_MAX_VOLUME, 255);
        AUDIO_SetConfig(AUDIO_CONFIG_STREAM_VOLUME, 255);
        AUDIO_SetConfig(AUDIO_CONFIG_NET_TIMEOUT, 30000);
        AUDIO_SetConfig(AUDIO_CONFIG_NET_MEMORY, 512);
        ok = AUDIO_Init(device, 44100, 0, nullptr, nullptr) != 0;
    }
    ~AudioSession() { AUDIO_Free(); }
    bool ok = false;
};

// Runs play inside a session on SDL's disk driver and returns what reached
// the device; nullopt, without running play, when the session does not open.
inline std::optional<std::vector<int16_t>> captureOnDisk(const std::string &file, const std::function<void()> &play)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    bool opened = false;
    {
        AudioSession session(AUDIO_DEVICE_DEFAULT);
        opened = session.ok;
        if (opened)
            play();
    }
    unsetenv("SDL_AUDIODRIVER");
    if (!opened)
        return std::nullopt;
    return AudioFixtures::readSamples(file);
}

// Pulls a decode-only channel to its end.
inline std::vector<uint8_t> pullAll(AUDIO_HANDLE h, uint32_t block = 4608)
{
    std::vector<uint8_t> out;
    std::vector<uint8_t> buf(block);
    for (;;) {
        const uint32_t n = AUDIO_ChannelGetData(h, buf.data(), block);
        if (n == uint32_t(-1))
            break;
        out.insert(out.end(), buf.begin(), buf.begin() + n);
        if (n < block)
            break;
    }
    return out;
}
