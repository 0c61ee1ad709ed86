#pragma once

#include "PlaylistModel.h"

// The playlist row that carries the now-playing mark: -1 for none, -2 when
// more than one does.
inline int MarkedRow(const PlaylistModel &model)
{
    int marked = -1;
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.entry(r).nowPlaying)
            marked = marked == -1 ? r : -2;
    return marked;
}
