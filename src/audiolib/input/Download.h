#pragma once

#include "input/ByteStore.h"
#include "input/IcyFilter.h"
#include "input/RetryPolicy.h"
#include "sonaroaudio.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sonaroaudio {

struct DownloadOptions {
    std::string url;
    uint64_t offset = 0;          // first byte of the file wanted
    long timeoutMs = 30000;       // connect timeout and longest pause in the data
    bool followRedirects = true;
    uint64_t memoryCap = 512ull << 20;
    uint64_t window = 2ull << 20;
    std::chrono::milliseconds retryBudget = RetryPolicy::kDefaultBudget;
    AUDIO_DOWNLOADPROC *proc = nullptr;
    void *user = nullptr;
};

// Fetches one URL on a thread of its own into a ByteStore. For an ICY
// stream the metadata blocks are stripped out and handed to onMeta.
// Once a reply has begun, a transfer that breaks off or ends short of its
// length is a fault: the thread asks again for the bytes it lacks (a live
// stream without a length just reconnects) and appends them to the same
// store, backing off per RetryPolicy. Only when the retries are spent does
// the store finish incomplete.
class Download {
public:
    // Both callbacks run on the download thread. onEnded gets AUDIO_OK when
    // the whole file arrived, else the AUDIO_ERROR_* of the failure.
    Download(DownloadOptions options, std::function<void(const std::string &)> onMeta,
             std::function<void(int error)> onEnded);
    ~Download(); // cancels and joins

    void start();
    void cancel();
    // After a failure: tries again from the first byte not yet received,
    // with a fresh retry budget. False (and nothing done) otherwise.
    bool resume();

    ByteStore &store() { return *store_; }
    const ByteStore &store() const { return *store_; }

    // Bytes the store holds once complete (the first reply's length), -1
    // when not told. A failure never changes it.
    int64_t fileSize() const { return fileSize_.load(); }
    // AUDIO_ERROR_* of a failed download, AUDIO_OK otherwise (also while it retries).
    int error() const { return error_.load(); }
    // Ended without the whole file; resume() may try again.
    bool failed() const { return failed_.load(); }
    // Failed attempts since data last arrived: non-zero while reconnecting.
    unsigned retries() const { return retries_.load(); }
    // Response header lines, ICY lines only when icyOnly.
    std::vector<std::string> headers(bool icyOnly) const;

private:
    enum class Outcome { Complete, Retry, Fatal, Cancelled };
    void run();
    Outcome attempt(void *easy, void *multi, int &code);
    bool acceptReply(long status, int64_t length);
    std::string headerValue(const char *name) const;
    size_t onBody(const uint8_t *data, size_t size);
    void onHeader(const char *line, size_t size);
    void store(const uint8_t *data, size_t size);
    static size_t bodyThunk(char *data, size_t size, size_t n, void *self);
    static size_t headerThunk(char *data, size_t size, size_t n, void *self);

    const DownloadOptions options_;
    std::function<void(const std::string &)> onMeta_;
    std::function<void(int)> onEnded_;
    std::unique_ptr<ByteStore> store_;
    std::mutex threadMutex_;             // guards thread_ against resume() and the destructor
    std::thread thread_;
    std::atomic<bool> cancel_{false};    // set by cancel(), read by the download thread
    std::mutex retryMutex_;              // with retryWake_: a back-off wait ends early on cancel()
    std::condition_variable retryWake_;
    std::atomic<void *> multi_{nullptr}; // CURLM*, for waking the download thread
    std::mutex wakeMutex_;               // keeps multi_ alive while cancel() wakes it
    std::atomic<int64_t> fileSize_{-1};  // written by the download thread
    std::atomic<int> error_{AUDIO_OK};   // written by the download thread (and resume() while none runs)
    std::atomic<bool> failed_{false};    // as error_
    std::atomic<unsigned> retries_{0};   // written by the download thread

    // Download thread only.
    void *easy_ = nullptr; // CURL*
    bool bodyStarted_ = false;   // this attempt's reply has been looked at
    bool everStarted_ = false;   // a first reply was accepted: later faults are resumed
    bool icy_ = false;           // a live ICY stream: reconnect, never ask for a range
    uint64_t requestedFrom_ = 0; // file offset this attempt asked for
    int refused_ = AUDIO_OK;     // why this attempt's reply was refused
    bool retryPolicyProgress_ = false; // this attempt stored new bytes
    std::string etag_, lastModified_; // validators of the first reply
    uint64_t toSkip_ = 0; // leading bytes to drop when the server ignored the range
    std::unique_ptr<IcyFilter> icyFilter_;
    size_t icyInterval_ = 0;

    mutable std::mutex headerMutex_;
    std::vector<std::string> headers_; // guarded by headerMutex_
};

} // namespace sonaroaudio
