#pragma once

#include "BigramSet.h"
#include "TrackInfo.h"

#include <cstdint>
#include <filesystem>
#include <atomic>
#include <condition_variable>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class SearchQuery;
class TrackStore;

// The catalogue every request reads: the stored tracks held in memory with
// their wire texts (Windows-1250, escaped for XML) and folded search keys,
// plus ratings. Readers share mutex_; a reload and new ratings take it
// exclusively. The store is written first, so memory never holds what the
// database does not. Client IDs come in blocks from the store's counter; an
// ID is known when the counter has passed it.
class Library {
public:
    // Wire texts of one track, ready to be placed between quotes.
    struct Entry {
        TrackInfo info;
        std::string name, artist, album, genre;  // Windows-1250, XML-escaped
        std::string length, number, bitrate, size;
        std::string fileName;                     // the file's own name, UTF-8
        std::string folded;                       // name, artist, album folded, '\n' between
    };
    struct Hit {
        const Entry *entry;     // valid while the caller holds the Snapshot
        std::string rating;     // display text, possibly empty
        bool mayRate;
    };
    // Keeps the catalogue of one moment alive for the whole of a reply.
    struct Snapshot {
        std::shared_ptr<const std::vector<Entry>> entries;
    };

    Library(TrackStore &store, std::filesystem::path root);

    // Reads tracks and ratings from the store again (after a scan).
    void reload();
    // Catches up with what other services on the same store have changed:
    // new ratings are added, a changed library is read again.
    void sync();

    // Matches in the catalogue's stable order (artist, album, number, name),
    // at most limit of them. clientId < 0: unknown caller, who may not rate.
    std::vector<Hit> search(const SearchQuery &query, size_t limit, std::int64_t clientId,
                            Snapshot &keep) const;
    const Entry *find(std::int64_t trackId, Snapshot &keep) const;
    std::filesystem::path filePath(const Entry &entry) const;

    size_t trackCount() const;
    // askStore: ask the store about an ID above the highest known even if it
    // was asked a moment ago (IDs no one gave out ask it at most every 100 ms).
    bool isClient(std::int64_t clientId, bool askStore = false) const;
    // Unique and positive, never handed out before, by this or any other
    // service on the same store.
    std::int64_t newClient();

    enum class RateResult { Stored, AlreadyRated, UnknownTrack, UnknownClient };
    // The rating text afterwards is written to ratingText in every case but
    // UnknownTrack.
    RateResult rate(std::int64_t trackId, std::int64_t clientId, int stars, std::string &ratingText);

private:
    struct Totals {
        std::int64_t sum = 0;
        std::int64_t count = 0;
    };
    struct PairHash {
        size_t operator()(const std::pair<std::int64_t, std::int64_t> &p) const noexcept
        {
            return std::hash<std::int64_t>()(p.first * 1000003 ^ p.second);
        }
    };

    std::string ratingTextLocked(std::int64_t trackId) const;
    void catchUp();

    TrackStore &store_;
    const std::filesystem::path root_;

    mutable std::shared_mutex mutex_;
    // All below guarded by mutex_.
    std::shared_ptr<const std::vector<Entry>> entries_;
    std::vector<BigramSet> pairs_;  // of each entry's folded text, in the order of *entries_
    std::unordered_map<std::int64_t, size_t> byId_;          // track ID -> index into *entries_
    std::unordered_map<std::int64_t, Totals> totals_;        // per track
    std::unordered_set<std::pair<std::int64_t, std::int64_t>, PairHash> rated_;  // (client, track)
    std::int64_t libraryGeneration_ = -1;  // the store's library generation entries_ shows
    std::int64_t ratingsSeq_ = 0;          // the newest rating totals_ counts
    std::mutex reloadMutex_;               // one reload by sync() at a time

    std::mutex checkMutex_;
    std::condition_variable checked_;
    // All three guarded by checkMutex_: looks at the store by sync().
    std::uint64_t checksStarted_ = 0;
    std::uint64_t checksDone_ = 0;
    bool checking_ = false;

    static constexpr std::int64_t kClientIdBlock = 1000;  // one store write per thousand new clients
    mutable std::atomic<std::int64_t> lastClientId_{0};  // highest reserved ID seen in the store
    static constexpr std::chrono::nanoseconds kUnknownIdRecheck = std::chrono::milliseconds(100);
    mutable std::atomic<std::int64_t> lastIdCheck_{std::numeric_limits<std::int64_t>::min() / 2};  // steady_clock ns
    std::mutex idMutex_;
    std::int64_t nextClientId_ = 1;  // guarded by idMutex_
    std::int64_t blockEnd_ = 0;      // guarded by idMutex_; last ID of this instance's block
};
