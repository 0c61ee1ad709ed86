#pragma once

#include "TrackPlayer.h"

// What the playlist needs of the player engine: opening a stream, and the URL
// of the stream now open.
class PlaylistPlayer : public TrackPlayer
{
public:
    virtual QByteArray streamName() const = 0;
};
