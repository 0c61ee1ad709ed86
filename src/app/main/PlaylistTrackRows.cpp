#include "PlaylistTrackRows.h"

#include "PlaylistModel.h"

int PlaylistTrackRows::rowCount() const
{
    return m_model.rowCount();
}

void PlaylistTrackRows::insertEntry(int index, const Entry &entry)
{
    m_model.insertEntry(index, PlaylistEntry{entry.title, entry.length, entry.url, entry.trackId, false});
}

void PlaylistTrackRows::clearMarks()
{
    m_model.clearMarks();
}
