#pragma once

#include <QByteArray>

#include <functional>

// Opening a stream, the one engine call the track actions and the playlist
// make themselves. done runs on the user-interface thread with the outcome,
// possibly before open returns; a failed open is reported by the engine.
class TrackPlayer
{
public:
    using OpenDone = std::function<void(bool opened)>;
    virtual ~TrackPlayer() = default;
    virtual void open(const QByteArray &url, OpenDone done) = 0;
};
