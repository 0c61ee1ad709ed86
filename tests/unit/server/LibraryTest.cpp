#include "Library.h"
#include "SearchQuery.h"
#include "SqliteTrackStore.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace {

TrackInfo track(std::string path, std::string title, std::string artist, std::string album, int number,
                int bitrate = 128)
{
    TrackInfo t;
    t.relPath = std::move(path);
    t.title = std::move(title);
    t.artist = std::move(artist);
    t.album = std::move(album);
    t.genre = "Rock";
    t.number = number;
    t.lengthMs = 61000;
    t.bitrate = bitrate;
    t.size = 1000;
    t.mtime = 1;
    return t;
}

class LibraryTest : public ::testing::Test {
protected:
    std::string dbPath() const { return dir.filePath("t.db").toStdString(); }

    QTemporaryDir dir;
};

} // namespace

TEST_F(LibraryTest, TrackIdsStayWithTheirPathAndAreNeverReused)
{
    std::int64_t rosaId = 0, jaroId = 0;
    {
        SqliteTrackStore store(dbPath());
        TrackInfo rosa = track("a/rosa.mp3", "Ranní rosa", "Modrý Kámen", "Ticho", 1);
        TrackInfo jaro = track("b/jaro.mp3", "Jaro", "Šárka", "Období", 1);
        store.saveTrack(rosa);
        store.saveTrack(jaro);
        rosaId = rosa.id;
        jaroId = jaro.id;
        EXPECT_NE(rosaId, jaroId);

        // A changed file keeps its ID.
        TrackInfo changed = track("a/rosa.mp3", "Ranní rosa (remix)", "Modrý Kámen", "Ticho", 1, 192);
        store.saveTrack(changed);
        EXPECT_EQ(changed.id, rosaId);
        store.removeTrack(jaroId);
    }
    // Reopened: the rows are there, and a new file does not inherit the removed ID.
    SqliteTrackStore store(dbPath());
    const auto tracks = store.tracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].title, "Ranní rosa (remix)");
    EXPECT_EQ(tracks[0].bitrate, 192);
    TrackInfo again = track("b/jaro.mp3", "Jaro", "Šárka", "Období", 1);
    store.saveTrack(again);
    EXPECT_GT(again.id, jaroId);
}

TEST_F(LibraryTest, RatingsNeedAKnownClientCountOnceAndSurviveARestart)
{
    std::int64_t id = 0, client = 0;
    {
        SqliteTrackStore store(dbPath());
        TrackInfo t = track("x.mp3", "Zima", "Šárka", "Období", 4);
        store.saveTrack(t);
        id = t.id;
        Library library(store, "/music");
        library.reload();
        client = library.newClient();
        const std::int64_t other = library.newClient();
        EXPECT_NE(client, other);
        EXPECT_TRUE(library.isClient(client));
        EXPECT_FALSE(library.isClient(-1));

        std::string text;
        EXPECT_EQ(library.rate(id, -1, 5, text), Library::RateResult::UnknownClient);
        EXPECT_EQ(text, "");
        EXPECT_EQ(library.rate(id + 1000, client, 5, text), Library::RateResult::UnknownTrack);
        EXPECT_EQ(library.rate(id, client, 4, text), Library::RateResult::Stored);
        EXPECT_EQ(text, "4");
        // A second try by the same client keeps the first rating.
        EXPECT_EQ(library.rate(id, client, 1, text), Library::RateResult::AlreadyRated);
        EXPECT_EQ(text, "4");
        EXPECT_EQ(library.rate(id, other, 5, text), Library::RateResult::Stored);
        EXPECT_EQ(text, "4,5");
    }
    SqliteTrackStore store(dbPath());
    Library library(store, "/music");
    library.reload();
    Library::Snapshot keep;
    const auto hits = library.search(SearchQuery::parse("zima"), 10, client, keep);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].rating, "4,5");
    EXPECT_FALSE(hits[0].mayRate);
    const std::int64_t fresh = library.newClient();
    EXPECT_TRUE(library.search(SearchQuery::parse("zima"), 10, fresh, keep)[0].mayRate);
    // A client the database never gave out may not rate.
    EXPECT_FALSE(library.search(SearchQuery::parse("zima"), 10, fresh + 100000, keep)[0].mayRate);
}

TEST_F(LibraryTest, SearchOrderIsStableAndCapped)
{
    SqliteTrackStore store(dbPath());
    // Inserted out of order; expected: by artist, album, number, name.
    for (TrackInfo t : {track("4", "Léto", "Šárka", "Období", 2), track("1", "Úsvit", "Jiří", "Příliš", 1),
                        track("3", "Jaro", "Šárka", "Období", 1), track("2", "Zima", "Šárka", "Dříve", 9),
                        track("5", "Noc", "kvartet", "Město", 1, 320)})
        store.saveTrack(t);
    Library library(store, "/music");
    library.reload();
    EXPECT_EQ(library.trackCount(), 5u);

    Library::Snapshot keep;
    std::vector<std::string> paths;
    for (const auto &hit : library.search(SearchQuery::parse("kbs<999"), 500, -1, keep))
        paths.push_back(hit.entry->info.relPath);
    EXPECT_EQ(paths, (std::vector<std::string>{"1", "5", "2", "3", "4"}));

    EXPECT_EQ(library.search(SearchQuery::parse("kbs<999"), 2, -1, keep).size(), 2u);
    EXPECT_TRUE(library.search(SearchQuery::parse(""), 500, -1, keep).empty());
    const auto fast = library.search(SearchQuery::parse("kbs>256"), 500, -1, keep);
    ASSERT_EQ(fast.size(), 1u);
    EXPECT_EQ(fast[0].entry->info.relPath, "5");

    // Wire texts are Windows-1250 and the file name is the last path part.
    Library::Snapshot k2;
    const Library::Entry *e = library.find(fast[0].entry->info.id, k2);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(library.find(999999, k2), nullptr);
    const Library::Entry *leto = library.search(SearchQuery::parse("leto"), 1, -1, k2)[0].entry;
    EXPECT_EQ(leto->name, "L\xE9to");
    EXPECT_EQ(leto->artist, "\x8A\xE1rka");
    EXPECT_EQ(leto->length, "1:01");
}

TEST_F(LibraryTest, SearchFindsWhatMatchingEachEntryFinds)
{
    // Saved in an order unlike the catalogue's, so a key left in the order
    // of the store would belong to another entry.
    SqliteTrackStore store(dbPath());
    const char *const words[] = {"Zima", "Léto", "Řeka", "Hvězda", "Most", "Noc", "Déšť"};
    std::vector<TrackInfo> saves;
    for (int i = 0; i < 300; ++i)
        saves.push_back(track(std::to_string(i), std::string(words[i % 7]) + " " + std::to_string(i),
                              std::string(words[(i * 3 + 1) % 7]) + " kvartet", "Album " + std::to_string(299 - i),
                              i % 9, i % 2 ? 128 : 320));
    store.applyChanges(saves, {});
    Library library(store, "/music");
    library.reload();
    for (const char *text : {"zima", "reka most", "kvartet 29", "noc kbs:320", "des 1", "album 2", "hvezda zima", "z"}) {
        const SearchQuery query = SearchQuery::parse(text);
        Library::Snapshot keep;
        std::vector<const Library::Entry *> found;
        for (const Library::Hit &hit : library.search(query, 1000, -1, keep))
            found.push_back(hit.entry);
        std::vector<const Library::Entry *> expected;
        for (const Library::Entry &e : *keep.entries)
            if (query.matches(e.folded, e.info.bitrate))
                expected.push_back(&e);
        EXPECT_EQ(found, expected) << text;
    }
}

TEST_F(LibraryTest, ClientIdsComeFromACounterSharedByEveryServiceOnTheStore)
{
    std::int64_t lastBefore = 0;
    {
        SqliteTrackStore storeA(dbPath());
        SqliteTrackStore storeB(dbPath());  // a second service on the same file
        Library a(storeA, "/music"), b(storeB, "/music");
        std::set<std::int64_t> ids;
        for (int i = 0; i < 300; ++i) {
            ids.insert(a.newClient());
            ids.insert(b.newClient());
        }
        EXPECT_EQ(ids.size(), 600u);
        EXPECT_GT(*ids.begin(), 0);
        // An ID one service gave out is known to the other.
        const std::int64_t fromB = b.newClient();
        EXPECT_TRUE(a.isClient(fromB));
        EXPECT_FALSE(a.isClient(0));
        EXPECT_FALSE(a.isClient(fromB + 100000));
        lastBefore = std::max(*ids.rbegin(), fromB);
    }
    // After a restart no ID is handed out again.
    SqliteTrackStore store(dbPath());
    Library library(store, "/music");
    EXPECT_GT(library.newClient(), lastBefore);
}

TEST_F(LibraryTest, AFloodOfNewClientsLeavesTheStoreSmall)
{
    SqliteTrackStore store(dbPath());
    Library library(store, "/music");
    library.newClient();
    const auto size = [&] {
        std::uintmax_t total = 0;
        for (const char *suffix : {"", "-wal"}) {
            std::error_code ec;
            const auto n = std::filesystem::file_size(dbPath() + suffix, ec);
            total += ec ? 0 : n;
        }
        return total;
    };
    const auto before = size();
    std::int64_t previous = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t id = library.newClient();
        ASSERT_GT(id, previous);
        previous = id;
    }
    EXPECT_LT(size() - before, 1024u * 1024u);
    // Only a client that rates is stored.
    TrackInfo t = track("x.mp3", "Zima", "Šárka", "Období", 4);
    store.saveTrack(t);
    library.reload();
    std::string text;
    EXPECT_EQ(library.rate(t.id, previous, 3, text), Library::RateResult::Stored);
    EXPECT_EQ(store.ratings().size(), 1u);
}

TEST_F(LibraryTest, AnOlderDatabaseIsMigratedAndKeepsItsClients)
{
    {
        // The layout before migrations were recorded, with clients up to 41.
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(dbPath().c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TABLE tracks (id INTEGER PRIMARY KEY AUTOINCREMENT, path TEXT NOT NULL UNIQUE,"
                               " mtime INTEGER NOT NULL, size INTEGER NOT NULL, title TEXT NOT NULL, artist TEXT NOT"
                               " NULL, album TEXT NOT NULL, genre TEXT NOT NULL, number INTEGER NOT NULL, length_ms"
                               " INTEGER NOT NULL, bitrate INTEGER NOT NULL);"
                               "CREATE TABLE clients (id INTEGER PRIMARY KEY AUTOINCREMENT, created INTEGER NOT NULL"
                               " DEFAULT 0);"
                               "CREATE TABLE ratings (track_id INTEGER NOT NULL, client_id INTEGER NOT NULL,"
                               " stars INTEGER NOT NULL, PRIMARY KEY (track_id, client_id));"
                               "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                               "INSERT INTO clients (id) VALUES (7), (41);"
                               "INSERT INTO settings VALUES ('latin1_tags', 'latin-1');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    SqliteTrackStore store(dbPath());
    EXPECT_GE(store.schemaVersion(), 2);
    EXPECT_EQ(store.setting("latin1_tags"), "latin-1");
    Library library(store, "/music");
    EXPECT_TRUE(library.isClient(41));
    EXPECT_GT(library.newClient(), 41);
    // Opening again applies nothing twice.
    const int version = store.schemaVersion();
    SqliteTrackStore again(dbPath());
    EXPECT_EQ(again.schemaVersion(), version);
}

TEST_F(LibraryTest, ServicesOnOneStoreSeeEachOthersRatingsAndScans)
{
    SqliteTrackStore storeA(dbPath()), storeB(dbPath());
    TrackInfo t = track("x.mp3", "Zima", "Šárka", "Období", 4);
    storeA.saveTrack(t);
    Library a(storeA, "/music"), b(storeB, "/music");
    a.reload();
    b.reload();
    const std::int64_t client = a.newClient();
    std::string text;
    ASSERT_EQ(a.rate(t.id, client, 2, text), Library::RateResult::Stored);
    const std::int64_t other = b.newClient();
    ASSERT_EQ(b.rate(t.id, other, 5, text), Library::RateResult::Stored);
    EXPECT_EQ(text, "3,5");  // the average of both: B counted A's rating too

    b.sync();
    Library::Snapshot keep;
    auto hits = b.search(SearchQuery::parse("zima"), 10, client, keep);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].rating, "3,5");
    EXPECT_FALSE(hits[0].mayRate);
    a.sync();
    a.sync();  // twice changes nothing
    EXPECT_EQ(a.search(SearchQuery::parse("zima"), 10, other, keep)[0].rating, "3,5");

    // A track A's scan stored reaches B at its next sync, ratings intact.
    TrackInfo added = track("y.mp3", "Jaro", "Šárka", "Období", 5);
    std::vector<TrackInfo> saves{added};
    storeA.applyChanges(saves, {});
    EXPECT_EQ(b.trackCount(), 1u);
    b.sync();
    EXPECT_EQ(b.trackCount(), 2u);
    EXPECT_EQ(b.search(SearchQuery::parse("zima"), 10, -1, keep)[0].rating, "3,5");
    // The store counted each change once.
    EXPECT_EQ(storeB.generation().ratings, 2);
}
