#pragma once

#include <QByteArray>

// One row of the playlist view. Texts are Windows-1250 bytes as the service
// sent them (or as the user typed the title), so they are saved unchanged.
struct PlaylistEntry
{
    QByteArray title;   // the row's caption, editable in place
    QByteArray length;  // "Čas": the length text as the service sent it
    QByteArray url;     // "url": the stream URL the engine opens
    QByteArray trackId; // "no": the service's ID of the track
    // Carries the now-playing mark; at most one row at a time.
    bool nowPlaying = false;

    bool operator==(const PlaylistEntry &) const = default;
};
