#pragma once

#include <cstdint>
#include <memory>

namespace sonaroaudio {

class Mixer;

// Where mixed audio goes: the system's output through SDL, or nowhere at
// real-time pace. Either way the mixer is driven from the device's thread.
class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    virtual uint32_t latencyMs() const = 0;
    // Stops or restarts pulling the mix; a stopped output costs (next to)
    // nothing. Control threads only, one at a time.
    virtual void setActive(bool active) = 0;

    // device: 0 silent, 1 or -1 the system's default output. Null on failure.
    static std::unique_ptr<OutputDevice> open(int device, Mixer &mixer);
};

} // namespace sonaroaudio
