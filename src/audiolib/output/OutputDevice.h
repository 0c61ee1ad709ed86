#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace sonaroaudio {

class Mixer;

// Frames the system's output asks the mixer for at a time.
inline constexpr uint32_t kSystemOutputPeriodFrames = 8192;

// Where mixed audio goes: the system's output through SDL, or nowhere at
// real-time pace. Either way the mixer is driven from the device's thread.
class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    virtual uint32_t latencyMs() const = 0;
    // Stops or restarts pulling the mix; false when the device cannot be
    // had again. Control threads only, one at a time (also for tidy).
    virtual bool setActive(bool active) = 0;
    // While stopped: lets go of what a stopped output still costs once it has
    // been stopped for a while. Returns how long until it wants to be called
    // again, or kNever.
    virtual std::chrono::milliseconds tidy() { return kNever; }

    static constexpr std::chrono::milliseconds kNever{-1};

    // device: 0 silent, 1 or -1 the system's default output. Null on failure.
    static std::unique_ptr<OutputDevice> open(int device, Mixer &mixer);
};

} // namespace sonaroaudio
