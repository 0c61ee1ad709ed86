#pragma once

#include "TrackInfo.h"

#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The service's database: tracks, client IDs and ratings in one SQLite file.
// Every method may be called from any thread; calls are serialised by
// mutex_. Failures throw StoreError.
class TrackStore {
public:
    struct Rating {
        std::int64_t trackId;
        std::int64_t clientId;
        int stars;
    };

    explicit TrackStore(const std::string &path);
    ~TrackStore();
    TrackStore(const TrackStore &) = delete;
    TrackStore &operator=(const TrackStore &) = delete;

    std::vector<TrackInfo> tracks() const;
    // Inserts a new track (its id is set) or updates the one with the same
    // relPath, keeping its id.
    void saveTrack(TrackInfo &track);
    // Removes a track together with its ratings.
    void removeTrack(std::int64_t id);

    // Client IDs are handed out in blocks from a counter: reserves the next
    // count of them and returns the last. They are never handed out again.
    std::int64_t reserveClientIds(std::int64_t count);
    // The highest client ID reserved so far; 0 when none.
    std::int64_t lastClientId() const;

    std::vector<Rating> ratings() const;
    // False when this client has rated this track before (the first rating
    // stays). The client gets its row here.
    bool addRating(std::int64_t trackId, std::int64_t clientId, int stars);

    // Small named values of the service itself; empty when never set.
    std::string setting(const std::string &key) const;
    void setSetting(const std::string &key, const std::string &value);

    // A scan's outcome in one short transaction: saves as saveTrack (ids
    // set), then removals. All or nothing.
    void applyChanges(std::vector<TrackInfo> &saves, const std::vector<std::int64_t> &removals);

    int schemaVersion() const;

private:
    class Statement;
    void migrate();
    void exec(const char *sql);
    // Caller must hold mutex_.
    void saveTrackLocked(TrackInfo &track);
    void removeTrackLocked(std::int64_t id);

    mutable std::mutex mutex_;
    sqlite3 *db_ = nullptr; // guarded by mutex_
};
