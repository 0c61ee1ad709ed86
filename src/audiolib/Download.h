#pragma once

#include "ByteStore.h"
#include "IcyFilter.h"
#include "sonaroaudio.h"

#include <atomic>
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
    AUDIO_DOWNLOADPROC *proc = nullptr;
    void *user = nullptr;
};

// Fetches one URL on a thread of its own into a ByteStore. For an ICY
// stream the metadata blocks are stripped out and handed to onMeta.
class Download {
public:
    // Both callbacks run on the download thread.
    Download(DownloadOptions options, std::function<void(const std::string &)> onMeta,
             std::function<void()> onEnded);
    ~Download(); // cancels and joins

    void start();
    void cancel();

    ByteStore &store() { return *store_; }
    const ByteStore &store() const { return *store_; }

    // Size of the file (content length), -1 when not told. After a cut
    // transfer: the bytes that arrived.
    int64_t fileSize() const { return fileSize_.load(); }
    // AUDIO_ERROR_* of a failed transfer, AUDIO_OK otherwise.
    int error() const { return error_.load(); }
    // Response header lines, ICY lines only when icyOnly.
    std::vector<std::string> headers(bool icyOnly) const;

private:
    void run();
    size_t onBody(const uint8_t *data, size_t size);
    void onHeader(const char *line, size_t size);
    void store(const uint8_t *data, size_t size);
    static size_t bodyThunk(char *data, size_t size, size_t n, void *self);
    static size_t headerThunk(char *data, size_t size, size_t n, void *self);

    const DownloadOptions options_;
    std::function<void(const std::string &)> onMeta_;
    std::function<void()> onEnded_;
    std::unique_ptr<ByteStore> store_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};    // set by cancel(), read by the download thread
    std::atomic<void *> multi_{nullptr}; // CURLM*, for waking the download thread
    std::mutex wakeMutex_;               // keeps multi_ alive while cancel() wakes it
    std::atomic<int64_t> fileSize_{-1};  // written by the download thread
    std::atomic<int> error_{AUDIO_OK};   // written by the download thread

    // Download thread only.
    void *easy_ = nullptr; // CURL*
    bool bodyStarted_ = false;
    uint64_t toSkip_ = 0; // leading bytes to drop when the server ignored the range
    std::unique_ptr<IcyFilter> icyFilter_;
    size_t icyInterval_ = 0;

    mutable std::mutex headerMutex_;
    std::vector<std::string> headers_; // guarded by headerMutex_
};

} // namespace sonaroaudio
