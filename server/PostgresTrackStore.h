#pragma once

#include "TrackStore.h"

#include <initializer_list>
#include <mutex>
#include <string>

struct pg_conn;

// The store for several services at once: a PostgreSQL database through
// libpq. Counters are rows that each change updates in its transaction, so
// the row lock orders concurrent changes of all services; the library scan
// runs under a session advisory lock. Calls share one connection, guarded
// by mutex_; a broken connection is opened again on the next call.
class PostgresTrackStore : public TrackStore {
public:
    // url: a libpq connection URI, e.g. postgresql://user@host/db
    explicit PostgresTrackStore(const std::string &url);
    ~PostgresTrackStore() override;
    PostgresTrackStore(const PostgresTrackStore &) = delete;
    PostgresTrackStore &operator=(const PostgresTrackStore &) = delete;

    std::vector<TrackInfo> tracks() const override;
    void applyChanges(std::vector<TrackInfo> &saves, const std::vector<std::int64_t> &removals) override;
    std::int64_t reserveClientIds(std::int64_t count) override;
    std::int64_t lastClientId() const override;
    std::vector<Rating> ratings(std::int64_t afterSeq = -1) const override;
    bool addRating(std::int64_t trackId, std::int64_t clientId, int stars) override;
    Generation generation() const override;
    std::string setting(const std::string &key) const override;
    void setSetting(const std::string &key, const std::string &value) override;
    int schemaVersion() const override;
    void exclusively(const std::function<void()> &work) override;

private:
    class Result;
    // Caller must hold mutex_. Throws StoreError unless the command
    // succeeds; outside a transaction a broken connection is opened again
    // and the command sent once more.
    Result query(const char *sql, std::initializer_list<std::string> params = {}) const;
    Result query(const std::string &sql, const std::vector<std::string> &params) const;
    // Inserts or updates the batch's tracks in one statement and sets their
    // ids; their paths are distinct. Caller holds mutex_, in a transaction.
    void saveBatchLocked(const std::vector<TrackInfo *> &batch) const;
    void rollback() const;
    void connectLocked() const;
    void migrate();

    // Tracks per statement: ten parameters each, well under libpq's 65535.
    static constexpr size_t kSaveBatch = 500;

    const std::string url_;
    mutable std::mutex mutex_;
    mutable pg_conn *conn_ = nullptr;      // guarded by mutex_
    mutable bool inTransaction_ = false;   // guarded by mutex_
};
