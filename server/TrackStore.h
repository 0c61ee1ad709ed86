#pragma once

#include "TrackInfo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The service's database: tracks, client IDs and ratings. Several services
// may share one store; counters in it tell each what the others changed.
// Every method may be called from any thread. Failures throw StoreError.
class TrackStore {
public:
    struct Rating {
        std::int64_t trackId;
        std::int64_t clientId;
        int stars;
        std::int64_t seq = 0;  // order of storing; 0 for ratings older than the order
    };
    // Grows with every change of the tracks, and of the ratings.
    struct Generation {
        std::int64_t library = 0;
        std::int64_t ratings = 0;  // the seq of the newest rating
    };

    virtual ~TrackStore() = default;

    // A postgresql:// (or postgres://) URL opens PostgreSQL, anything else is
    // an SQLite file. The schema is brought up to date.
    static std::unique_ptr<TrackStore> open(const std::string &database);

    virtual std::vector<TrackInfo> tracks() const = 0;
    // A scan's outcome in one transaction: inserts each track (its id is
    // set) or updates the one with the same relPath, keeping its id; then
    // removes tracks with their ratings. All or nothing.
    virtual void applyChanges(std::vector<TrackInfo> &saves, const std::vector<std::int64_t> &removals) = 0;
    void saveTrack(TrackInfo &track);
    void removeTrack(std::int64_t id);

    // Client IDs are handed out in blocks from a counter: reserves the next
    // count of them and returns the last. They are never handed out again.
    virtual std::int64_t reserveClientIds(std::int64_t count) = 0;
    // The highest client ID reserved so far; 0 when none.
    virtual std::int64_t lastClientId() const = 0;

    // The ratings stored after the one numbered afterSeq; all for -1.
    virtual std::vector<Rating> ratings(std::int64_t afterSeq = -1) const = 0;
    // False when this client has rated this track before (the first rating
    // stays). The client gets its row here.
    virtual bool addRating(std::int64_t trackId, std::int64_t clientId, int stars) = 0;

    virtual Generation generation() const = 0;
    // True when generation() costs no trip to a server, so callers need not
    // share one call among them.
    virtual bool cheapGeneration() const { return false; }

    // Small named values of the service itself; empty when never set.
    virtual std::string setting(const std::string &key) const = 0;
    virtual void setSetting(const std::string &key, const std::string &value) = 0;

    virtual int schemaVersion() const = 0;

    // Runs work while no other service on this store runs work here (one
    // library scan at a time).
    virtual void exclusively(const std::function<void()> &work) = 0;
};
