#pragma once

#include <QString>

#include <cstdint>

// The track that plays, as the desktop's player interface describes it.
// Empty texts are left out of the description.
struct MprisTrack
{
    // The service's ID of the track; may be empty.
    QString trackId;
    QString title;
    QString artist;
    QString album;
    // The stream the engine opened.
    QString url;
    // Milliseconds; 0 while unknown.
    std::uint32_t lengthMs = 0;
};
