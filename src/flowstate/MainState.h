#pragma once

#include <QString>
#include <QtGlobal>

class TStreamPlayer;

// The values that the main window's flows share (search, track actions,
// rating, playlist, player panel). Lives in the main window for the whole run;
// flows take a reference. User-interface thread only.
struct MainState
{
    // The service's ID of this installation; -1 while none is known.
    qint64 ClientId = -1;
    // "V naší databázi je: " + count + " MP3", for the About window.
    QString DatabaseCountText;
    // Records in the last finder reply.
    int ResultCount = 0;
    // Results-list column the list is sorted by; -1 none.
    int SortColumn = 0;
    bool SortDescending = false;
    // Results-list row of the outstanding rating request.
    int RatedRow = 0;
    // Track whose play request (or playlist start) is under way.
    QString RequestedTrackId;
    // Track now playing, and the one that played before it.
    QString CurrentTrackId;
    QString PreviousTrackId;
    // The track now playing was started from the playlist view.
    bool PlayingFromPlaylist = false;
    // Scrolling title and its offset (marquee).
    QString LedText;
    int LedScrollPos = 0;
    // "nn:ss" length of the current track; 16-character bit-rate text.
    QString TotalTimeText;
    QString BitrateText;
    // Full width of a progress bar in pixels, set when the window is shown.
    int BarScale = 0;
    // The single player engine, owned by the main window; null until shown
    // and when the audio library could not be loaded.
    TStreamPlayer *Player = nullptr;
};
