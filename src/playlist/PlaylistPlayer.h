#pragma once

#include <QByteArray>

#include <functional>

// What the playlist needs of the player engine: open a stream (done runs on
// the user-interface thread with the outcome, possibly before open returns;
// the engine reports its own failure) and the URL of the stream now open.
class PlaylistPlayer
{
public:
    using OpenDone = std::function<void(bool opened)>;
    virtual ~PlaylistPlayer() = default;
    virtual void open(const QByteArray &url, OpenDone done) = 0;
    virtual QByteArray streamName() const = 0;
};
