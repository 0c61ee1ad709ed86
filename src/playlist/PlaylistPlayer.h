#pragma once

#include <QByteArray>

// What the playlist needs of the player engine: open a stream (which also
// reports its own failure) and the URL of the stream now open.
class PlaylistPlayer
{
public:
    virtual ~PlaylistPlayer() = default;
    virtual bool open(const QByteArray &url) = 0;
    virtual QByteArray streamName() const = 0;
};
