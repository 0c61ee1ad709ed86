#pragma once

#include <QByteArray>

#include <functional>

// The one engine call the track actions make themselves: opening a stream.
// done runs on the user-interface thread with the outcome, possibly before
// open returns; a failed open is reported to the user by the engine.
class TrackPlayer
{
public:
    using OpenDone = std::function<void(bool opened)>;
    virtual ~TrackPlayer() = default;
    virtual void open(const QByteArray &url, OpenDone done) = 0;
};
