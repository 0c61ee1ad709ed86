#pragma once

#include <QByteArray>

// What the track actions need of the playlist view: its length, a new entry
// at an index, and clearing the now-playing mark from every entry.
class TrackPlaylistRows
{
public:
    // The texts of one playlist entry, Windows-1250 bytes as the service sent them.
    struct Entry
    {
        QByteArray title;
        QByteArray length;  // "Čas"
        QByteArray url;     // "url"
        QByteArray trackId; // "no"
    };

    virtual ~TrackPlaylistRows() = default;

    virtual int rowCount() const = 0;
    // index is 0..rowCount(); the entry carries no mark.
    virtual void insertEntry(int index, const Entry &entry) = 0;
    virtual void clearMarks() = 0;
};
