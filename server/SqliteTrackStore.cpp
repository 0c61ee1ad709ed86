#include "SqliteTrackStore.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unistd.h>

#include <iterator>
#include <string_view>

// A prepared statement that finalises itself; every value is bound, never
// spliced into SQL text.
class SqliteTrackStore::Statement {
public:
    Statement(sqlite3 *db, const char *sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            fail();
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, std::int64_t value)
    {
        check(sqlite3_bind_int64(stmt_, index, value));
        return *this;
    }
    Statement &bind(int index, std::string_view text)
    {
        check(sqlite3_bind_text(stmt_, index, text.data(), int(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while a row is available.
    bool step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail();
        return false;
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
        return p ? std::string(p, size_t(sqlite3_column_bytes(stmt_, column))) : std::string();
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            fail();
    }
    [[noreturn]] void fail() { throw StoreError(std::string("database: ") + sqlite3_errmsg(db_)); }

    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
};

SqliteTrackStore::SqliteTrackStore(const std::string &path) : path_(path)
{
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        std::string message = "cannot open database " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        throw StoreError(message);
    }
    try {
        sqlite3_busy_timeout(db_, 5000);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA foreign_keys=ON");
        migrate();
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

namespace {

// Each step brings the schema from the version before it to its own; a
// database records the steps it has taken in schema_migrations.
const char *const kMigrations[] = {
    // 1: tracks, clients, ratings, settings. IF NOT EXISTS: databases made
    // before migrations were recorded already hold these tables.
    // AUTOINCREMENT: an ID of a removed track is never handed to another, so
    // a stale playlist entry cannot start playing the wrong song.
    "CREATE TABLE IF NOT EXISTS tracks ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " path TEXT NOT NULL UNIQUE, mtime INTEGER NOT NULL, size INTEGER NOT NULL,"
    " title TEXT NOT NULL, artist TEXT NOT NULL, album TEXT NOT NULL, genre TEXT NOT NULL,"
    " number INTEGER NOT NULL, length_ms INTEGER NOT NULL, bitrate INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS clients ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT, created INTEGER NOT NULL DEFAULT (strftime('%s','now')));"
    "CREATE TABLE IF NOT EXISTS ratings ("
    " track_id INTEGER NOT NULL REFERENCES tracks(id) ON DELETE CASCADE,"
    " client_id INTEGER NOT NULL REFERENCES clients(id) ON DELETE CASCADE,"
    " stars INTEGER NOT NULL CHECK (stars BETWEEN 1 AND 5),"
    " PRIMARY KEY (track_id, client_id));"
    "CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY, value TEXT NOT NULL);",
    // 2: client IDs come from a counter; a client gets a row only once it rates.
    "CREATE TABLE counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "INSERT INTO counters (name, value) SELECT 'client_ids', coalesce(max(id), 0) FROM clients;",
    // 3: ratings and tracks are counted, so services sharing the store see
    // each other's changes.
    "ALTER TABLE ratings ADD COLUMN seq INTEGER NOT NULL DEFAULT 0;"
    "CREATE INDEX ratings_seq ON ratings (seq);"
    "INSERT INTO counters (name, value) VALUES ('ratings', 0), ('library', 0);",
};

} // namespace

void SqliteTrackStore::migrate()
{
    exec("CREATE TABLE IF NOT EXISTS schema_migrations ("
         " version INTEGER PRIMARY KEY, applied INTEGER NOT NULL DEFAULT (strftime('%s','now')))");
    exec("BEGIN IMMEDIATE");
    try {
        Statement q(db_, "SELECT coalesce(max(version), 0) FROM schema_migrations");
        q.step();
        const std::int64_t have = q.integer(0);
        const std::int64_t known = std::int64_t(std::size(kMigrations));
        if (have > known)
            throw StoreError("database: schema version " + std::to_string(have) + " is newer than this service ("
                             + std::to_string(known) + ")");
        for (std::int64_t v = have; v < known; ++v) {
            exec(kMigrations[v]);
            Statement record(db_, "INSERT INTO schema_migrations (version) VALUES (?1)");
            record.bind(1, v + 1);
            record.step();
        }
        exec("COMMIT");
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
}

int SqliteTrackStore::schemaVersion() const
{
    std::lock_guard lock(mutex_);
    Statement q(db_, "SELECT coalesce(max(version), 0) FROM schema_migrations");
    q.step();
    return int(q.integer(0));
}

std::string SqliteTrackStore::setting(const std::string &key) const
{
    std::lock_guard lock(mutex_);
    Statement q(db_, "SELECT value FROM settings WHERE key = ?1");
    q.bind(1, key);
    return q.step() ? q.text(0) : std::string();
}

void SqliteTrackStore::setSetting(const std::string &key, const std::string &value)
{
    std::lock_guard lock(mutex_);
    Statement q(db_, "INSERT INTO settings (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO UPDATE SET value = ?2");
    q.bind(1, key).bind(2, value);
    q.step();
}

SqliteTrackStore::~SqliteTrackStore()
{
    sqlite3_close(db_);
}

void SqliteTrackStore::exec(const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = std::string("database: ") + (error ? error : "unknown error");
        sqlite3_free(error);
        throw StoreError(message);
    }
}

std::vector<TrackInfo> SqliteTrackStore::tracks() const
{
    std::lock_guard lock(mutex_);
    Statement q(db_, "SELECT id, path, mtime, size, title, artist, album, genre, number, length_ms, bitrate"
                     " FROM tracks ORDER BY id");
    std::vector<TrackInfo> result;
    while (q.step()) {
        TrackInfo t;
        t.id = q.integer(0);
        t.relPath = q.text(1);
        t.mtime = q.integer(2);
        t.size = q.integer(3);
        t.title = q.text(4);
        t.artist = q.text(5);
        t.album = q.text(6);
        t.genre = q.text(7);
        t.number = int(q.integer(8));
        t.lengthMs = int(q.integer(9));
        t.bitrate = int(q.integer(10));
        result.push_back(std::move(t));
    }
    return result;
}

void SqliteTrackStore::saveTrackLocked(TrackInfo &t)
{
    Statement q(db_, "INSERT INTO tracks (path, mtime, size, title, artist, album, genre, number, length_ms, bitrate)"
                     " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"
                     " ON CONFLICT(path) DO UPDATE SET mtime=?2, size=?3, title=?4, artist=?5, album=?6,"
                     " genre=?7, number=?8, length_ms=?9, bitrate=?10"
                     " RETURNING id");
    q.bind(1, t.relPath).bind(2, t.mtime).bind(3, t.size).bind(4, t.title).bind(5, t.artist);
    q.bind(6, t.album).bind(7, t.genre).bind(8, t.number).bind(9, t.lengthMs).bind(10, t.bitrate);
    if (!q.step())
        throw StoreError("database: no id for " + t.relPath);
    t.id = q.integer(0);
    while (q.step()) {
    }
}

std::int64_t SqliteTrackStore::reserveClientIds(std::int64_t count)
{
    std::lock_guard lock(mutex_);
    // One statement: atomic against other processes on the same file.
    Statement q(db_, "UPDATE counters SET value = value + ?1 WHERE name = 'client_ids' RETURNING value");
    q.bind(1, count);
    if (!q.step())
        throw StoreError("database: no client ID counter");
    const std::int64_t last = q.integer(0);
    while (q.step()) {
    }
    return last;
}

std::int64_t SqliteTrackStore::lastClientId() const
{
    std::lock_guard lock(mutex_);
    Statement q(db_, "SELECT value FROM counters WHERE name = 'client_ids'");
    return q.step() ? q.integer(0) : 0;
}

std::vector<TrackStore::Rating> SqliteTrackStore::ratings(std::int64_t afterSeq) const
{
    std::lock_guard lock(mutex_);
    Statement q(db_, "SELECT track_id, client_id, stars, seq FROM ratings WHERE seq > ?1");
    q.bind(1, afterSeq);
    std::vector<Rating> result;
    while (q.step())
        result.push_back({q.integer(0), q.integer(1), int(q.integer(2)), q.integer(3)});
    return result;
}

bool SqliteTrackStore::addRating(std::int64_t trackId, std::int64_t clientId, int stars)
{
    std::lock_guard lock(mutex_);
    exec("BEGIN IMMEDIATE");
    try {
        bool stored = false;
        {
            Statement client(db_, "INSERT OR IGNORE INTO clients (id) VALUES (?1)");
            client.bind(1, clientId);
            client.step();
            Statement q(db_, "INSERT OR IGNORE INTO ratings (track_id, client_id, stars, seq)"
                             " VALUES (?1, ?2, ?3, (SELECT value + 1 FROM counters WHERE name = 'ratings'))");
            q.bind(1, trackId).bind(2, clientId).bind(3, stars);
            q.step();
            stored = sqlite3_changes(db_) > 0;
        }
        if (stored)
            exec("UPDATE counters SET value = value + 1 WHERE name = 'ratings'");
        exec("COMMIT");
        return stored;
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
}

TrackStore::Generation SqliteTrackStore::generation() const
{
    // Every commit, by any connection, appends frames to the write-ahead
    // log or, after a checkpoint, starts it again with new salts in its
    // header: its size and first salt name the state of the database.
    std::uint64_t size = 0, salt = 0;
    const int fd = ::open((path_ + "-wal").c_str(), O_RDONLY | O_CLOEXEC);
    unsigned char header[32];
    struct stat st {};
    const bool stamped = fd >= 0 && ::fstat(fd, &st) == 0 && ::pread(fd, header, sizeof header, 0) == sizeof header;
    if (fd >= 0)
        ::close(fd);
    if (stamped) {
        size = std::uint64_t(st.st_size);
        for (int i = 16; i < 24; ++i)
            salt = salt << 8 | header[i];
        if (size == stampSize_.load(std::memory_order_acquire) && salt == stampSalt_.load(std::memory_order_acquire))
            return {cachedLibrary_.load(), cachedRatings_.load()};
    }
    std::lock_guard lock(mutex_);
    Statement q(db_, "SELECT name, value FROM counters WHERE name IN ('library', 'ratings')");
    Generation g;
    while (q.step())
        (q.text(0) == "library" ? g.library : g.ratings) = q.integer(1);
    // The counters first: whoever sees the stamp sees them too.
    cachedLibrary_ = g.library;
    cachedRatings_ = g.ratings;
    stampSize_.store(stamped ? size : ~0ull, std::memory_order_release);
    stampSalt_.store(stamped ? salt : ~0ull, std::memory_order_release);
    return g;
}

void SqliteTrackStore::applyChanges(std::vector<TrackInfo> &saves, const std::vector<std::int64_t> &removals)
{
    if (saves.empty() && removals.empty())
        return;
    std::lock_guard lock(mutex_);
    exec("BEGIN IMMEDIATE");
    try {
        for (TrackInfo &t : saves)
            saveTrackLocked(t);
        for (const std::int64_t id : removals) {
            Statement q(db_, "DELETE FROM tracks WHERE id = ?1");
            q.bind(1, id);
            q.step();
        }
        exec("UPDATE counters SET value = value + 1 WHERE name = 'library'");
        exec("COMMIT");
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
}

void SqliteTrackStore::exclusively(const std::function<void()> &work)
{
    std::lock_guard lock(exclusiveMutex_);
    // Other processes on the same file wait on a lock file beside it.
    const std::string lockPath = path_ + ".scan-lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw StoreError("cannot open " + lockPath + ": " + std::strerror(errno));
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    try {
        work();
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}
