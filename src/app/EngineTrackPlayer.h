#pragma once

#include "TrackPlayer.h"

class TStreamPlayer;

// The player engine's Open for the track actions. The engine must outlive it.
class EngineTrackPlayer final : public TrackPlayer
{
public:
    explicit EngineTrackPlayer(TStreamPlayer &player) : m_player(player) {}

    // The service's Windows-1250 URL; the engine encodes it back the same way.
    bool open(const QByteArray &url) override;

private:
    TStreamPlayer &m_player;
};
