#pragma once

#include "PlaylistPlayer.h"

class TStreamPlayer;

// The player engine as the track actions and the playlist see it. The engine
// must outlive it.
class EngineTrackPlayer final : public PlaylistPlayer
{
public:
    explicit EngineTrackPlayer(TStreamPlayer &player) : m_player(player) {}

    // The service's Windows-1250 URL, handed on as the same bytes.
    void open(const QByteArray &url, OpenDone done) override;
    QByteArray streamName() const override;
    void openAhead(const QByteArray &url) override;

private:
    TStreamPlayer &m_player;
};
