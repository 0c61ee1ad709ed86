#include "PostgresTrackStore.h"

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Keys of the advisory locks; any two numbers the database uses for nothing else.
constexpr const char *kMigrationLock = "735201";
constexpr const char *kScanLock = "735202";

// Each step brings the schema from the version before it to its own.
const char *const kMigrations[] = {
    // 1: tracks, clients, ratings, settings. Track IDs come from a sequence,
    // which never hands a number out twice.
    "CREATE TABLE tracks ("
    " id BIGSERIAL PRIMARY KEY,"
    " path TEXT NOT NULL UNIQUE, mtime BIGINT NOT NULL, size BIGINT NOT NULL,"
    " title TEXT NOT NULL, artist TEXT NOT NULL, album TEXT NOT NULL, genre TEXT NOT NULL,"
    " number INTEGER NOT NULL, length_ms INTEGER NOT NULL, bitrate INTEGER NOT NULL);"
    "CREATE TABLE clients ("
    " id BIGINT PRIMARY KEY, created BIGINT NOT NULL DEFAULT extract(epoch FROM now())::bigint);"
    "CREATE TABLE ratings ("
    " track_id BIGINT NOT NULL REFERENCES tracks(id) ON DELETE CASCADE,"
    " client_id BIGINT NOT NULL REFERENCES clients(id) ON DELETE CASCADE,"
    " stars INTEGER NOT NULL CHECK (stars BETWEEN 1 AND 5),"
    " PRIMARY KEY (track_id, client_id));"
    "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL);",
    // 2: client IDs come from a counter.
    "CREATE TABLE counters (name TEXT PRIMARY KEY, value BIGINT NOT NULL);"
    "INSERT INTO counters (name, value) VALUES ('client_ids', 0);",
    // 3: ratings and tracks are counted, so services see each other's changes.
    "ALTER TABLE ratings ADD COLUMN seq BIGINT NOT NULL DEFAULT 0;"
    "CREATE INDEX ratings_seq ON ratings (seq);"
    "INSERT INTO counters (name, value) VALUES ('ratings', 0), ('library', 0);",
};

std::int64_t toInt(const char *text)
{
    std::int64_t value = 0;
    std::from_chars(text, text + std::char_traits<char>::length(text), value);
    return value;
}

} // namespace

// A query's result, cleared when it goes.
class PostgresTrackStore::Result {
public:
    explicit Result(PGresult *r) : r_(r, PQclear) {}
    int rows() const { return PQntuples(r_.get()); }
    std::string text(int row, int column) const { return PQgetvalue(r_.get(), row, column); }
    std::int64_t integer(int row, int column) const { return toInt(PQgetvalue(r_.get(), row, column)); }
    std::int64_t affected() const { return toInt(PQcmdTuples(r_.get())); }

private:
    std::unique_ptr<PGresult, void (*)(PGresult *)> r_;
};

PostgresTrackStore::PostgresTrackStore(const std::string &url) : url_(url)
{
    std::lock_guard lock(mutex_);
    connectLocked();
    migrate();
}

PostgresTrackStore::~PostgresTrackStore()
{
    PQfinish(conn_);
}

void PostgresTrackStore::connectLocked() const
{
    PQfinish(conn_);
    conn_ = PQconnectdb(url_.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string message = std::string("cannot open database: ") + PQerrorMessage(conn_);
        PQfinish(conn_);
        conn_ = nullptr;
        throw StoreError(message);
    }
    PQsetClientEncoding(conn_, "UTF8");
}

PostgresTrackStore::Result PostgresTrackStore::query(const char *sql, std::initializer_list<std::string> params) const
{
    return query(std::string(sql), std::vector<std::string>(params));
}

PostgresTrackStore::Result PostgresTrackStore::query(const std::string &sql, const std::vector<std::string> &params) const
{
    const bool begins = sql == "BEGIN";
    const bool ends = sql == "COMMIT" || sql == "ROLLBACK";
    for (int attempt = 0;; ++attempt) {
        if (!conn_)
            connectLocked();
        std::vector<const char *> values;
        for (const std::string &p : params)
            values.push_back(p.c_str());
        PGresult *raw = PQexecParams(conn_, sql.c_str(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(raw);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            if (begins)
                inTransaction_ = true;
            if (ends)
                inTransaction_ = false;
            return Result(raw);
        }
        const std::string message = std::string("database: ") + PQerrorMessage(conn_);
        PQclear(raw);
        // Within a transaction the work so far is gone with the connection:
        // only the caller can start again.
        if (PQstatus(conn_) == CONNECTION_BAD && attempt == 0 && !inTransaction_) {
            PQfinish(conn_);
            conn_ = nullptr;
            continue;
        }
        throw StoreError(message);
    }
}

void PostgresTrackStore::rollback() const
{
    inTransaction_ = false;
    if (conn_ && PQstatus(conn_) == CONNECTION_OK)
        PQclear(PQexec(conn_, "ROLLBACK"));
}

void PostgresTrackStore::migrate()
{
    query("BEGIN");
    try {
        // Services starting together: one migrates, the others then find it done.
        query("SELECT pg_advisory_xact_lock($1)", {kMigrationLock});
        query("CREATE TABLE IF NOT EXISTS schema_migrations ("
                " version INTEGER PRIMARY KEY, applied TIMESTAMPTZ NOT NULL DEFAULT now())");
        const std::int64_t have = query("SELECT coalesce(max(version), 0) FROM schema_migrations").integer(0, 0);
        const std::int64_t known = std::int64_t(std::size(kMigrations));
        if (have > known)
            throw StoreError("database: schema version " + std::to_string(have) + " is newer than this service ("
                             + std::to_string(known) + ")");
        for (std::int64_t v = have; v < known; ++v) {
            PGresult *raw = PQexec(conn_, kMigrations[v]);
            const bool ok = PQresultStatus(raw) == PGRES_COMMAND_OK;
            PQclear(raw);
            if (!ok)
                throw StoreError(std::string("database: migration ") + std::to_string(v + 1) + ": "
                                 + PQerrorMessage(conn_));
            query("INSERT INTO schema_migrations (version) VALUES ($1)", {std::to_string(v + 1)});
        }
        query("COMMIT");
    } catch (...) {
        rollback();
        throw;
    }
}

int PostgresTrackStore::schemaVersion() const
{
    std::lock_guard lock(mutex_);
    return int(query("SELECT coalesce(max(version), 0) FROM schema_migrations").integer(0, 0));
}

std::vector<TrackInfo> PostgresTrackStore::tracks() const
{
    std::lock_guard lock(mutex_);
    const Result r = query("SELECT id, path, mtime, size, title, artist, album, genre, number, length_ms, bitrate"
                             " FROM tracks ORDER BY id");
    std::vector<TrackInfo> result;
    result.reserve(size_t(r.rows()));
    for (int i = 0; i < r.rows(); ++i) {
        TrackInfo t;
        t.id = r.integer(i, 0);
        t.relPath = r.text(i, 1);
        t.mtime = r.integer(i, 2);
        t.size = r.integer(i, 3);
        t.title = r.text(i, 4);
        t.artist = r.text(i, 5);
        t.album = r.text(i, 6);
        t.genre = r.text(i, 7);
        t.number = int(r.integer(i, 8));
        t.lengthMs = int(r.integer(i, 9));
        t.bitrate = int(r.integer(i, 10));
        result.push_back(std::move(t));
    }
    return result;
}

void PostgresTrackStore::applyChanges(std::vector<TrackInfo> &saves, const std::vector<std::int64_t> &removals)
{
    if (saves.empty() && removals.empty())
        return;
    std::lock_guard lock(mutex_);
    query("BEGIN");
    try {
        // One statement per batch, not per track: a scan of thousands of
        // files would otherwise wait for a round trip each.
        std::vector<TrackInfo *> batch;
        std::unordered_set<std::string_view> paths;
        for (TrackInfo &t : saves) {
            // A row may be changed once per statement; a repeated path goes
            // into the next one, so the later save wins as it would alone.
            if (batch.size() == kSaveBatch || !paths.insert(t.relPath).second) {
                saveBatchLocked(batch);
                batch.clear();
                paths.clear();
                paths.insert(t.relPath);
            }
            batch.push_back(&t);
        }
        saveBatchLocked(batch);
        for (size_t i = 0; i < removals.size(); i += kSaveBatch) {
            std::string ids = "{";
            for (size_t j = i; j < std::min(removals.size(), i + kSaveBatch); ++j)
                ids += (j == i ? "" : ",") + std::to_string(removals[j]);
            query("DELETE FROM tracks WHERE id = ANY($1::bigint[])", {ids + "}"});
        }
        query("UPDATE counters SET value = value + 1 WHERE name = 'library'");
        query("COMMIT");
    } catch (...) {
        rollback();
        throw;
    }
}

void PostgresTrackStore::saveBatchLocked(const std::vector<TrackInfo *> &batch) const
{
    if (batch.empty())
        return;
    constexpr int kColumns = 10;
    std::string sql = "INSERT INTO tracks (path, mtime, size, title, artist, album, genre, number, length_ms, bitrate)"
                      " VALUES ";
    std::vector<std::string> params;
    params.reserve(batch.size() * kColumns);
    for (const TrackInfo *t : batch) {
        sql += params.empty() ? "(" : ",(";
        for (int c = 1; c <= kColumns; ++c)
            sql += (c == 1 ? "$" : ",$") + std::to_string(params.size() + size_t(c));
        sql += ')';
        for (std::string value : {t->relPath, std::to_string(t->mtime), std::to_string(t->size), t->title, t->artist,
                                  t->album, t->genre, std::to_string(t->number), std::to_string(t->lengthMs),
                                  std::to_string(t->bitrate)})
            params.push_back(std::move(value));
    }
    sql += " ON CONFLICT (path) DO UPDATE SET mtime = EXCLUDED.mtime, size = EXCLUDED.size,"
           " title = EXCLUDED.title, artist = EXCLUDED.artist, album = EXCLUDED.album,"
           " genre = EXCLUDED.genre, number = EXCLUDED.number, length_ms = EXCLUDED.length_ms,"
           " bitrate = EXCLUDED.bitrate RETURNING path, id";
    const Result r = query(sql, params);
    // RETURNING promises no order: the ids are matched by path.
    std::unordered_map<std::string, std::int64_t> ids;
    for (int i = 0; i < r.rows(); ++i)
        ids.emplace(r.text(i, 0), r.integer(i, 1));
    for (TrackInfo *t : batch) {
        const auto it = ids.find(t->relPath);
        if (it == ids.end())
            throw StoreError("database: no id for " + t->relPath);
        t->id = it->second;
    }
}

std::int64_t PostgresTrackStore::reserveClientIds(std::int64_t count)
{
    std::lock_guard lock(mutex_);
    const Result r = query("UPDATE counters SET value = value + $1 WHERE name = 'client_ids' RETURNING value",
                             {std::to_string(count)});
    if (r.rows() != 1)
        throw StoreError("database: no client ID counter");
    return r.integer(0, 0);
}

std::int64_t PostgresTrackStore::lastClientId() const
{
    std::lock_guard lock(mutex_);
    const Result r = query("SELECT value FROM counters WHERE name = 'client_ids'");
    return r.rows() == 1 ? r.integer(0, 0) : 0;
}

std::vector<TrackStore::Rating> PostgresTrackStore::ratings(std::int64_t afterSeq) const
{
    std::lock_guard lock(mutex_);
    const Result r = query("SELECT track_id, client_id, stars, seq FROM ratings WHERE seq > $1",
                             {std::to_string(afterSeq)});
    std::vector<Rating> result;
    for (int i = 0; i < r.rows(); ++i)
        result.push_back({r.integer(i, 0), r.integer(i, 1), int(r.integer(i, 2)), r.integer(i, 3)});
    return result;
}

bool PostgresTrackStore::addRating(std::int64_t trackId, std::int64_t clientId, int stars)
{
    std::lock_guard lock(mutex_);
    query("BEGIN");
    try {
        query("INSERT INTO clients (id) VALUES ($1) ON CONFLICT DO NOTHING", {std::to_string(clientId)});
        // The counter's row lock orders ratings by seq in the order they commit.
        const std::int64_t seq =
            query("UPDATE counters SET value = value + 1 WHERE name = 'ratings' RETURNING value").integer(0, 0);
        const bool stored = query("INSERT INTO ratings (track_id, client_id, stars, seq) VALUES ($1, $2, $3, $4)"
                                    " ON CONFLICT DO NOTHING",
                                    {std::to_string(trackId), std::to_string(clientId), std::to_string(stars),
                                     std::to_string(seq)})
                                .affected()
                            > 0;
        query(stored ? "COMMIT" : "ROLLBACK");
        return stored;
    } catch (...) {
        rollback();
        throw;
    }
}

TrackStore::Generation PostgresTrackStore::generation() const
{
    std::lock_guard lock(mutex_);
    const Result r = query("SELECT name, value FROM counters WHERE name IN ('library', 'ratings')");
    Generation g;
    for (int i = 0; i < r.rows(); ++i)
        (r.text(i, 0) == "library" ? g.library : g.ratings) = r.integer(i, 1);
    return g;
}

std::string PostgresTrackStore::setting(const std::string &key) const
{
    std::lock_guard lock(mutex_);
    const Result r = query("SELECT value FROM settings WHERE key = $1", {key});
    return r.rows() == 1 ? r.text(0, 0) : std::string();
}

void PostgresTrackStore::setSetting(const std::string &key, const std::string &value)
{
    std::lock_guard lock(mutex_);
    query("INSERT INTO settings (key, value) VALUES ($1, $2) ON CONFLICT (key) DO UPDATE SET value = EXCLUDED.value",
            {key, value});
}

void PostgresTrackStore::exclusively(const std::function<void()> &work)
{
    // A connection of its own: waiting for the lock must not stall the
    // requests, and the lock goes with the session if this process dies.
    std::unique_ptr<PGconn, void (*)(PGconn *)> session(PQconnectdb(url_.c_str()), PQfinish);
    if (PQstatus(session.get()) != CONNECTION_OK)
        throw StoreError(std::string("cannot open database: ") + PQerrorMessage(session.get()));
    const auto lockCall = [&](const char *sql) {
        const char *values[] = {kScanLock};
        std::unique_ptr<PGresult, void (*)(PGresult *)> r(
            PQexecParams(session.get(), sql, 1, nullptr, values, nullptr, nullptr, 0), PQclear);
        if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
            throw StoreError(std::string("database: ") + PQerrorMessage(session.get()));
    };
    lockCall("SELECT pg_advisory_lock($1)");
    work();
    lockCall("SELECT pg_advisory_unlock($1)");
}
