#pragma once

#include "TrackStore.h"

#include <atomic>
#include <mutex>

struct sqlite3;

// The embedded store: one SQLite file, shared safely by services on the
// same machine. Calls are serialised by mutex_.
class SqliteTrackStore : public TrackStore {
public:
    explicit SqliteTrackStore(const std::string &path);
    ~SqliteTrackStore() override;
    SqliteTrackStore(const SqliteTrackStore &) = delete;
    SqliteTrackStore &operator=(const SqliteTrackStore &) = delete;

    std::vector<TrackInfo> tracks() const override;
    void applyChanges(std::vector<TrackInfo> &saves, const std::vector<std::int64_t> &removals) override;
    std::int64_t reserveClientIds(std::int64_t count) override;
    std::int64_t lastClientId() const override;
    std::vector<Rating> ratings(std::int64_t afterSeq = -1) const override;
    bool addRating(std::int64_t trackId, std::int64_t clientId, int stars) override;
    Generation generation() const override;
    bool cheapGeneration() const override { return true; }
    std::string setting(const std::string &key) const override;
    void setSetting(const std::string &key, const std::string &value) override;
    int schemaVersion() const override;
    void exclusively(const std::function<void()> &work) override;

private:
    class Statement;
    void exec(const char *sql);
    void migrate();
    // Caller must hold mutex_.
    void saveTrackLocked(TrackInfo &track);

    const std::string path_;
    mutable std::mutex mutex_;
    sqlite3 *db_ = nullptr; // guarded by mutex_
    // generation() is asked on every request, so it reads the counters only
    // when the write-ahead log shows a commit since (see there): a read of
    // the log's header, no transaction, no file lock, no mutex.
    mutable std::atomic<std::uint64_t> stampSize_{~0ull};
    mutable std::atomic<std::uint64_t> stampSalt_{~0ull};
    mutable std::atomic<std::int64_t> cachedLibrary_{0};
    mutable std::atomic<std::int64_t> cachedRatings_{0};
    std::mutex exclusiveMutex_;  // work of this process; a file lock keeps out others
};
