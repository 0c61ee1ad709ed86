#pragma once

#include "PlaylistPlayer.h"
#include "TrackPlayer.h"

class TStreamPlayer;

// The player engine as the track actions and the playlist see it. The engine
// must outlive it.
class EngineTrackPlayer final : public TrackPlayer, public PlaylistPlayer
{
public:
    explicit EngineTrackPlayer(TStreamPlayer &player) : m_player(player) {}

    // The service's Windows-1250 URL; the engine encodes it back the same way.
    void open(const QByteArray &url, std::function<void(bool opened)> done) override;
    QByteArray streamName() const override;

private:
    TStreamPlayer &m_player;
};
