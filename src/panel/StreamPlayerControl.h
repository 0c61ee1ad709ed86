#pragma once

#include "PlayerControl.h"

class TStreamPlayer;

// The panel's view of the real engine. The engine must outlive it.
class StreamPlayerControl final : public PlayerControl
{
public:
    explicit StreamPlayerControl(TStreamPlayer &player) : m_player(player) {}

    TPlayerMode mode() const override;
    std::uint32_t playLength() const override;
    std::uint32_t position() const override;
    void setPosition(std::uint32_t ms) override;
    bool netStream() const override;
    std::uint32_t downloadedBytes() const override;
    std::uint32_t streamSize() const override;
    std::int32_t bitRate() const override;
    bool waitingForData() const override;
    bool reconnecting() const override;
    bool stoppedAtFault() const override;
    void play() override;
    void pause() override;
    void stop() override;
    void setVolume(std::uint32_t volume) override;

private:
    TStreamPlayer &m_player;
};
