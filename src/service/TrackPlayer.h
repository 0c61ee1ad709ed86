#pragma once

#include <QByteArray>

// The one engine call the track actions make themselves: opening a stream.
// A failed open is reported to the user by the engine.
class TrackPlayer
{
public:
    virtual ~TrackPlayer() = default;
    virtual bool open(const QByteArray &url) = 0;
};
