// The PostgreSQL store on a cluster of the test's own: a scan's changes of
// more tracks than one statement carries, repeated paths, a failure half way
// through, and two stores writing the same library at once. Skips when
// PostgreSQL is not installed.

#include "PostgresCluster.h"
#include "PostgresTrackStore.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <thread>

namespace {

// More than two statements' worth, so batches end mid-way.
constexpr int kMany = 1234;

TrackInfo track(int i, std::string title = {})
{
    TrackInfo t;
    t.relPath = "Album " + std::to_string(i / 10) + "/" + std::to_string(i) + " Píseň.mp3";
    t.title = title.empty() ? "Píseň " + std::to_string(i) : std::move(title);
    t.artist = "Modrý Kámen";
    t.album = "Období " + std::to_string(i / 10);
    t.genre = "Rock";
    t.number = i % 10 + 1;
    t.lengthMs = 60000 + i;
    t.bitrate = 128;
    t.size = 1000 + i;
    t.mtime = 1;
    return t;
}

std::vector<TrackInfo> tracks(int count)
{
    std::vector<TrackInfo> all;
    for (int i = 0; i < count; ++i)
        all.push_back(track(i));
    return all;
}

std::map<std::string, TrackInfo> byPath(const std::vector<TrackInfo> &all)
{
    std::map<std::string, TrackInfo> result;
    for (const TrackInfo &t : all)
        result.emplace(t.relPath, t);
    return result;
}

class PostgresStoreTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { cluster_ = new PostgresCluster; }
    static void TearDownTestSuite()
    {
        delete cluster_;
        cluster_ = nullptr;
    }
    void SetUp() override
    {
        if (cluster_->missing())
            GTEST_SKIP() << cluster_->problem();
        ASSERT_EQ(cluster_->problem(), "");
        database_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char &c : database_)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        url_ = cluster_->createDatabase(database_);
    }

    std::string count(const std::string &table) const
    {
        return cluster_->scalar(database_, "SELECT count(*) FROM " + table);
    }

    static inline PostgresCluster *cluster_ = nullptr;
    std::string database_, url_;
};

} // namespace

TEST_F(PostgresStoreTest, ManyTracksGetTheirOwnIdsAndReadBackAsSaved)
{
    PostgresTrackStore store(url_);
    std::vector<TrackInfo> saves = tracks(kMany);
    store.applyChanges(saves, {});

    std::set<std::int64_t> ids;
    for (const TrackInfo &t : saves)
        ids.insert(t.id);
    EXPECT_EQ(ids.size(), size_t(kMany));
    EXPECT_EQ(ids.count(0), 0u);
    const auto stored = byPath(store.tracks());
    ASSERT_EQ(stored.size(), size_t(kMany));
    for (const TrackInfo &t : saves) {
        const TrackInfo &s = stored.at(t.relPath);
        EXPECT_EQ(s.id, t.id) << t.relPath;
        EXPECT_EQ(s.title, t.title);
        EXPECT_EQ(s.album, t.album);
        EXPECT_EQ(s.number, t.number);
        EXPECT_EQ(s.lengthMs, t.lengthMs);
        EXPECT_EQ(s.size, t.size);
    }
    EXPECT_EQ(cluster_->scalar(database_, "SELECT value FROM counters WHERE name = 'library'"), "1");
}

TEST_F(PostgresStoreTest, ARescanKeepsIdsOfChangedTracksAndRemovesInOneGo)
{
    PostgresTrackStore store(url_);
    std::vector<TrackInfo> first = tracks(kMany);
    store.applyChanges(first, {});
    ASSERT_TRUE(store.addRating(first[2].id, 7, 5));
    ASSERT_TRUE(store.addRating(first[7].id, 7, 4));

    // Every other track changed, some new, a third of them gone (one rated).
    std::vector<TrackInfo> saves;
    for (int i = 0; i < kMany; i += 2)
        saves.push_back(track(i, "Nový název " + std::to_string(i)));
    for (int i = kMany; i < kMany + 30; ++i)
        saves.push_back(track(i));
    std::vector<std::int64_t> removals;
    for (int i = 1; i < kMany; i += 3)
        if (i % 2 == 1)
            removals.push_back(first[size_t(i)].id);
    store.applyChanges(saves, removals);

    for (size_t i = 0; i < size_t(kMany / 2); ++i)
        EXPECT_EQ(saves[i].id, first[i * 2].id) << saves[i].relPath;
    const auto stored = byPath(store.tracks());
    EXPECT_EQ(stored.size(), size_t(kMany + 30) - removals.size());
    for (const TrackInfo &t : saves)
        EXPECT_EQ(stored.at(t.relPath).title, t.title);
    std::string ids;
    for (const std::int64_t id : removals)
        ids += (ids.empty() ? "" : ",") + std::to_string(id);
    EXPECT_EQ(cluster_->scalar(database_, "SELECT count(*) FROM tracks WHERE id IN (" + ids + ")"), "0");
    // The changed track keeps its rating; the removed one's is gone with it.
    EXPECT_EQ(cluster_->scalar(database_, "SELECT track_id FROM ratings"), std::to_string(first[2].id));
}

TEST_F(PostgresStoreTest, ARepeatedPathEndsAsItsLastSaveUnderOneId)
{
    PostgresTrackStore store(url_);
    std::vector<TrackInfo> saves = tracks(3);
    saves.push_back(track(1, "Druhá verze"));
    saves.push_back(track(3));
    store.applyChanges(saves, {});

    EXPECT_EQ(saves[3].id, saves[1].id);
    EXPECT_EQ(count("tracks"), "4");
    EXPECT_EQ(byPath(store.tracks()).at(saves[1].relPath).title, "Druhá verze");
}

TEST_F(PostgresStoreTest, AFailureInALaterBatchLeavesTheStoreAsItWas)
{
    PostgresTrackStore store(url_);
    std::vector<TrackInfo> first = tracks(10);
    store.applyChanges(first, {});

    // Bytes PostgreSQL refuses as UTF-8, in the last of three statements.
    std::vector<TrackInfo> saves = tracks(kMany);
    saves.back().title = "\xff\xfe";
    EXPECT_THROW(store.applyChanges(saves, {first[0].id}), StoreError);
    EXPECT_EQ(count("tracks"), "10");
    EXPECT_EQ(cluster_->scalar(database_, "SELECT value FROM counters WHERE name = 'library'"), "1");

    // The connection is fit for the next scan.
    saves.back().title = "Opraveno";
    store.applyChanges(saves, {});
    EXPECT_EQ(count("tracks"), std::to_string(kMany));
    EXPECT_EQ(saves.front().id, first.front().id);
}

TEST_F(PostgresStoreTest, TwoStoresScanningAtOnceStoreEachTrackOnce)
{
    PostgresTrackStore a(url_), b(url_);
    std::vector<TrackInfo> savesA = tracks(kMany), savesB = tracks(kMany);
    // As the service scans: what is stored already is only checked, the rest saved.
    const auto scan = [](TrackStore &store, std::vector<TrackInfo> &saves) {
        store.exclusively([&] {
            const auto known = byPath(store.tracks());
            std::vector<TrackInfo> fresh;
            for (TrackInfo &t : saves) {
                const auto it = known.find(t.relPath);
                if (it == known.end())
                    fresh.push_back(t);
                else
                    t.id = it->second.id;
            }
            store.applyChanges(fresh, {});
            const auto mine = byPath(fresh);
            for (TrackInfo &t : saves)
                if (mine.count(t.relPath))
                    t.id = mine.at(t.relPath).id;
        });
    };
    std::thread other([&] { scan(b, savesB); });
    scan(a, savesA);
    other.join();

    EXPECT_EQ(count("tracks"), std::to_string(kMany));
    EXPECT_EQ(cluster_->scalar(database_, "SELECT value FROM counters WHERE name = 'library'"), "1");
    for (size_t i = 0; i < savesA.size(); ++i)
        EXPECT_EQ(savesA[i].id, savesB[i].id) << savesA[i].relPath;
}
