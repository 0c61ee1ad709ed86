#pragma once

#include "TrackPlayer.h"

// What the playlist needs of the player engine: opening a stream, and the URL
// of the stream now open.
class PlaylistPlayer : public TrackPlayer
{
public:
    virtual QByteArray streamName() const = 0;
    // The URL that follows the stream now open (empty: none), so that the
    // player can get it ready before its turn. A player that cannot ignores it.
    virtual void openAhead(const QByteArray &url) { static_cast<void>(url); }
};
