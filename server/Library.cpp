#include "Library.h"

#include "DisplayText.h"
#include "ReplyWriter.h"
#include "SearchQuery.h"
#include "TextFold.h"
#include "TrackStore.h"
#include "Windows1250Codec.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <tuple>

namespace {

// Tags may hold line breaks or other control characters; they would split
// the folded key apart and cannot stand in XML anyway.
std::string wireText(const std::string &utf8)
{
    std::string text = Windows1250::fromUtf8(utf8);
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return text;
}

Library::Entry makeEntry(TrackInfo info)
{
    Library::Entry e;
    const std::string name = wireText(info.title);
    const std::string artist = wireText(info.artist);
    const std::string album = wireText(info.album);
    e.name = ReplyWriter::escape(name);
    e.artist = ReplyWriter::escape(artist);
    e.album = ReplyWriter::escape(album);
    e.genre = ReplyWriter::escape(wireText(info.genre));
    e.length = DisplayText::length(info.lengthMs);
    e.number = DisplayText::trackNumber(info.number);
    e.bitrate = std::to_string(info.bitrate);
    e.size = ReplyWriter::escape(DisplayText::size(info.size));
    e.folded = TextFold::fold(name + '\n' + artist + '\n' + album);
    const auto slash = info.relPath.rfind('/');
    e.fileName = slash == std::string::npos ? info.relPath : info.relPath.substr(slash + 1);
    e.info = std::move(info);
    return e;
}

} // namespace

Library::Library(TrackStore &store, std::filesystem::path root)
    : store_(store), root_(std::move(root)), entries_(std::make_shared<std::vector<Entry>>())
{
}

void Library::reload()
{
    // Read first: whatever changes after it is caught by the next sync().
    const TrackStore::Generation generation = store_.generation();
    auto entries = std::make_shared<std::vector<Entry>>();
    for (TrackInfo &t : store_.tracks())
        entries->push_back(makeEntry(std::move(t)));
    // The order of results: by artist, album, track number, name; the ID
    // breaks ties so equal tags still come out the same way every time.
    std::sort(entries->begin(), entries->end(), [](const Entry &a, const Entry &b) {
        const auto key = [](const Entry &e) {
            const std::string_view f = e.folded;
            const auto n1 = f.find('\n');
            const auto n2 = f.find('\n', n1 + 1);
            return std::make_tuple(f.substr(n1 + 1, n2 - n1 - 1), f.substr(n2 + 1), e.info.number,
                                   f.substr(0, n1), e.info.id);
        };
        return key(a) < key(b);
    });
    std::unordered_map<std::int64_t, size_t> byId;
    // Apart from the entries, so a search runs through 16 bytes a track.
    std::vector<BigramSet> pairs;
    pairs.reserve(entries->size());
    for (size_t i = 0; i < entries->size(); ++i) {
        byId.emplace((*entries)[i].info.id, i);
        pairs.push_back(BigramSet::of((*entries)[i].folded));
    }

    std::unordered_map<std::int64_t, Totals> totals;
    decltype(rated_) rated;
    for (const TrackStore::Rating &r : store_.ratings(-1)) {
        Totals &t = totals[r.trackId];
        t.sum += r.stars;
        ++t.count;
        rated.emplace(r.clientId, r.trackId);
    }

    std::unique_lock lock(mutex_);
    entries_ = std::move(entries);
    pairs_ = std::move(pairs);
    byId_ = std::move(byId);
    totals_ = std::move(totals);
    rated_ = std::move(rated);
    libraryGeneration_ = generation.library;
    ratingsSeq_ = generation.ratings;
}

void Library::sync()
{
    if (store_.cheapGeneration()) {
        catchUp();
        return;
    }
    // Requests that arrive together share one look at the store: any look
    // that starts after this call did is fresh enough for it.
    std::unique_lock lock(checkMutex_);
    const std::uint64_t need = checksStarted_ + 1;
    while (checksDone_ < need) {
        if (checking_) {
            checked_.wait(lock);
            continue;
        }
        checking_ = true;
        const std::uint64_t mine = ++checksStarted_;
        lock.unlock();
        std::exception_ptr error;
        try {
            catchUp();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        checking_ = false;
        checksDone_ = mine;
        checked_.notify_all();
        if (error)
            std::rethrow_exception(error);
    }
}

void Library::catchUp()
{
    const TrackStore::Generation now = store_.generation();
    std::int64_t library = 0, seq = 0;
    {
        std::shared_lock lock(mutex_);
        library = libraryGeneration_;
        seq = ratingsSeq_;
    }
    if (now.library != library) {
        std::lock_guard one(reloadMutex_);
        {
            std::shared_lock lock(mutex_);
            if (libraryGeneration_ == now.library)
                return;  // another request reloaded meanwhile
        }
        reload();
        return;
    }
    if (now.ratings <= seq)
        return;
    const std::vector<TrackStore::Rating> fresh = store_.ratings(seq);
    std::unique_lock lock(mutex_);
    for (const TrackStore::Rating &r : fresh) {
        // A rating read by a reload as well is counted once.
        if (r.seq <= ratingsSeq_ || !rated_.emplace(r.clientId, r.trackId).second)
            continue;
        Totals &t = totals_[r.trackId];
        t.sum += r.stars;
        ++t.count;
    }
    ratingsSeq_ = std::max(ratingsSeq_, now.ratings);
}

std::string Library::ratingTextLocked(std::int64_t trackId) const
{
    const auto it = totals_.find(trackId);
    return it == totals_.end() ? std::string() : DisplayText::rating(it->second.sum, it->second.count);
}

std::vector<Library::Hit> Library::search(const SearchQuery &query, size_t limit, std::int64_t clientId,
                                          Snapshot &keep) const
{
    std::vector<Hit> hits;
    if (query.isEmpty())
        return hits;
    const bool known = isClient(clientId);
    std::shared_lock lock(mutex_);
    keep.entries = entries_;
    const std::vector<Entry> &entries = *entries_;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (hits.size() >= limit)
            break;
        const Entry &e = entries[i];
        if (!query.matches(e.folded, pairs_[i], e.info.bitrate))
            continue;
        hits.push_back({&e, ratingTextLocked(e.info.id), known && !rated_.count({clientId, e.info.id})});
    }
    return hits;
}

const Library::Entry *Library::find(std::int64_t trackId, Snapshot &keep) const
{
    std::shared_lock lock(mutex_);
    const auto it = byId_.find(trackId);
    if (it == byId_.end())
        return nullptr;
    keep.entries = entries_;
    return &(*entries_)[it->second];
}

std::filesystem::path Library::filePath(const Entry &entry) const
{
    // relPath came from walking root_, never from a request.
    return root_ / std::filesystem::path(entry.info.relPath);
}

size_t Library::trackCount() const
{
    std::shared_lock lock(mutex_);
    return entries_->size();
}

bool Library::isClient(std::int64_t clientId, bool askStore) const
{
    if (clientId <= 0)
        return false;
    if (clientId <= lastClientId_.load())
        return true;
    // Perhaps another instance on the same store gave it out since. IDs no
    // one gave out (a forged or stale one, sent with every request) ask the
    // store at most every kUnknownIdRecheck.
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::int64_t checked = lastIdCheck_.load();
    if (!askStore
        && (now - checked < kUnknownIdRecheck.count() || !lastIdCheck_.compare_exchange_strong(checked, now)))
        return clientId <= lastClientId_.load();
    const std::int64_t last = store_.lastClientId();
    std::int64_t seen = lastClientId_.load();
    while (seen < last && !lastClientId_.compare_exchange_weak(seen, last)) {
    }
    return clientId <= last;
}

std::int64_t Library::newClient()
{
    std::lock_guard lock(idMutex_);
    if (nextClientId_ > blockEnd_) {
        const std::int64_t last = store_.reserveClientIds(kClientIdBlock);
        // The client keeps its ID as a 32-bit signed number.
        if (last > INT32_MAX)
            throw StoreError("database: no client IDs left");
        blockEnd_ = last;
        nextClientId_ = last - kClientIdBlock + 1;
        std::int64_t seen = lastClientId_.load();
        while (seen < last && !lastClientId_.compare_exchange_weak(seen, last)) {
        }
    }
    return nextClientId_++;
}

Library::RateResult Library::rate(std::int64_t trackId, std::int64_t clientId, int stars, std::string &ratingText)
{
    {
        std::shared_lock lock(mutex_);
        if (!byId_.count(trackId))
            return RateResult::UnknownTrack;
    }
    RateResult result = RateResult::UnknownClient;
    // A rating is not refused for a cache: the store is asked.
    if (isClient(clientId, true))
        result = store_.addRating(trackId, clientId, stars) ? RateResult::Stored : RateResult::AlreadyRated;
    sync();
    std::shared_lock lock(mutex_);
    ratingText = ratingTextLocked(trackId);
    return result;
}
