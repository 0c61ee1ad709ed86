#pragma once

#include "TrackPlaylistRows.h"

class PlaylistModel;

// The playlist view's rows as the track actions see them.
class PlaylistTrackRows final : public TrackPlaylistRows
{
public:
    explicit PlaylistTrackRows(PlaylistModel &model) : m_model(model) {}

    int rowCount() const override;
    void insertEntry(int index, const Entry &entry) override;
    void clearMarks() override;

private:
    PlaylistModel &m_model;
};
