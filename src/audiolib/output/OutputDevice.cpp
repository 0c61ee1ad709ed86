#include "output/OutputDevice.h"

#include "output/Mixer.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <pthread.h>

namespace sonaroaudio {

namespace {

// Consumes the mix at real-time pace on a thread of its own, one period at
// a time on a fixed schedule (a late wake renders what fell due meanwhile).
class SilentOutput : public OutputDevice {
public:
    explicit SilentOutput(Mixer &mixer) : mixer_(mixer), buffer_(size_t(mixer.rate() / 10) * 2)
    {
        thread_ = std::thread([this] {
            pthread_setname_np(pthread_self(), "sonaro-silent");
            run();
        });
    }

    ~SilentOutput() override
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    uint32_t latencyMs() const override { return kPeriodMs; }

    bool setActive(bool active) override
    {
        {
            std::lock_guard lock(mutex_);
            active_ = active;
        }
        wake_.notify_all();
        return true;
    }

private:
    // Long enough to keep wake-ups cheap, well inside the feeders' low-water margin.
    static constexpr uint32_t kPeriodMs = 20;

    void run()
    {
        using Clock = std::chrono::steady_clock;
        auto start = Clock::now();
        uint64_t rendered = 0;
        const size_t maxFrames = buffer_.size() / 2;
        auto wakeAt = start;
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (!active_) {
                wake_.wait(lock, [this] { return stop_ || active_; });
                // The schedule starts again from now.
                start = wakeAt = Clock::now();
                rendered = 0;
                continue;
            }
            const auto now = Clock::now();
            const uint64_t due = uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(now - start).count())
                               * mixer_.rate() / 1000000;
            while (rendered < due) {
                const size_t n = size_t(std::min<uint64_t>(due - rendered, maxFrames));
                mixer_.render(buffer_.data(), n);
                rendered += n;
            }
            wakeAt += std::chrono::milliseconds(kPeriodMs);
            if (wakeAt < now) // fell far behind: do not rush through the missed periods
                wakeAt = now + std::chrono::milliseconds(kPeriodMs);
            wake_.wait_until(lock, wakeAt, [this] { return stop_ || !active_; });
        }
    }

    Mixer &mixer_;
    std::vector<int16_t> buffer_; // device thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;           // guarded by mutex_
    bool active_ = true;          // guarded by mutex_
    std::thread thread_;
};

// The system's default output through SDL; SDL calls the mixer on its own
// audio thread. SDL_AUDIODRIVER chooses the driver (disk and dummy for tests).
// A paused SDL device still wakes its thread for every buffer, so after a
// while stopped the device is closed, and opened again when play resumes.
class SdlOutput : public OutputDevice {
public:
    static std::unique_ptr<SdlOutput> open(Mixer &mixer)
    {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return nullptr;
        auto out = std::unique_ptr<SdlOutput>(new SdlOutput(mixer));
        if (!out->openDevice())
            return nullptr; // the destructor quits the subsystem
        SDL_PauseAudioDevice(out->device_, 0);
        out->active_ = true;
        return out;
    }

    ~SdlOutput() override
    {
        if (device_ != 0)
            SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    uint32_t latencyMs() const override { return latency_.load(); }

    bool setActive(bool active) override
    {
        if (active == active_)
            return true;
        if (active && device_ == 0 && !openDevice())
            return false;
        active_ = active;
        stoppedAt_ = Clock::now();
        SDL_PauseAudioDevice(device_, active ? 0 : 1);
        return true;
    }

    std::chrono::milliseconds tidy() override
    {
        if (active_ || device_ == 0)
            return kNever;
        const auto stopped = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stoppedAt_);
        if (stopped < kCloseAfter)
            return kCloseAfter - stopped;
        SDL_CloseAudioDevice(device_);
        device_ = 0;
        return kNever;
    }

private:
    using Clock = std::chrono::steady_clock;
    // Long enough that a pause or the gap between two tracks keeps the device.
    static constexpr std::chrono::milliseconds kCloseAfter{2000};

    explicit SdlOutput(Mixer &mixer) : mixer_(mixer) {}

    // Opens the device paused.
    bool openDevice()
    {
        SDL_AudioSpec want{};
        want.freq = int(mixer_.rate());
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        // 8192 frames (186 ms at 44.1 kHz): the audio thread's wake-ups are
        // much of what playing costs. Each feeder refills once a buffer takes
        // its ring below half of what it keeps (see Channel::bufferMs).
        want.samples = kSystemOutputPeriodFrames;
        want.callback = &SdlOutput::callback;
        want.userdata = &mixer_;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0)
            return false;
        latency_.store(uint32_t(have.samples) * 1000 / mixer_.rate());
        return true;
    }

    static void callback(void *user, Uint8 *stream, int length)
    {
        static_cast<Mixer *>(user)->render(reinterpret_cast<int16_t *>(stream), size_t(length) / 4);
    }

    Mixer &mixer_;
    // Control threads, serialised by the caller.
    SDL_AudioDeviceID device_ = 0; // 0 while closed
    bool active_ = false;
    Clock::time_point stoppedAt_{};
    std::atomic<uint32_t> latency_{0}; // any thread reads
};

} // namespace

std::unique_ptr<OutputDevice> OutputDevice::open(int device, Mixer &mixer)
{
    if (device == 0)
        return std::make_unique<SilentOutput>(mixer);
    if (device == 1 || device == -1)
        return SdlOutput::open(mixer);
    return nullptr;
}

} // namespace sonaroaudio
