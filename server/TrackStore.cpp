#include "TrackStore.h"

#include "PostgresTrackStore.h"
#include "SqliteTrackStore.h"

std::unique_ptr<TrackStore> TrackStore::open(const std::string &database)
{
    if (database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0)
        return std::make_unique<PostgresTrackStore>(database);
    return std::make_unique<SqliteTrackStore>(database);
}

void TrackStore::saveTrack(TrackInfo &track)
{
    std::vector<TrackInfo> saves{track};
    applyChanges(saves, {});
    track.id = saves[0].id;
}

void TrackStore::removeTrack(std::int64_t id)
{
    std::vector<TrackInfo> none;
    applyChanges(none, {id});
}
