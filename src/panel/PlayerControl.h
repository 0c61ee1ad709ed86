#pragma once

#include "PlayerTypes.h"

#include <cstdint>

// What the player panel reads from and sends to the player engine.
class PlayerControl
{
public:
    virtual ~PlayerControl() = default;

    virtual TPlayerMode mode() const = 0;
    // Milliseconds.
    virtual std::uint32_t playLength() const = 0;
    virtual std::uint32_t position() const = 0;
    virtual void setPosition(std::uint32_t ms) = 0;
    // Download progress of an internet file; meaningful only when netStream().
    virtual bool netStream() const = 0;
    virtual std::uint32_t downloadedBytes() const = 0;
    virtual std::uint32_t streamSize() const = 0;
    // kbit/s; 0 when unknown.
    virtual std::int32_t bitRate() const = 0;

    // Playing, but the sound waits for data from the network.
    virtual bool waitingForData() const { return false; }
    // The stream's connection is being made again.
    virtual bool reconnecting() const { return false; }
    // Stopped because the stream could not be fetched; play goes on from position().
    virtual bool stoppedAtFault() const { return false; }

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    // 0..255, linear.
    virtual void setVolume(std::uint32_t volume) = 0;
};
