#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

namespace sonaroaudio {

// The arriving bytes of one internet file, kept in fixed chunks so readers
// never see memory move. Either the whole file is kept, or (for streams
// without a length, or past the memory cap) only a window of recent bytes.
// One producer (the download thread), any number of readers.
class ByteStore {
public:
    struct Span {
        size_t count = 0;   // bytes copied
        uint64_t at = 0;    // file offset they came from (later than asked when the window moved on)
    };

    ByteStore(uint64_t memoryCap, uint64_t window);

    // Producer side.
    void append(const uint8_t *data, size_t size);
    void finish(bool complete);
    // After an incomplete finish: more bytes are on their way again.
    void reopen();
    void keepWindowOnly();

    // Copies up to size bytes from offset. With wait, blocks while nothing
    // at offset has arrived, the download goes on and *interrupt is false.
    Span read(uint64_t offset, uint8_t *dst, size_t size, bool wait,
              const std::atomic<bool> *interrupt = nullptr) const;
    // Blocks until at least minBytes have arrived in total or the download ended.
    void waitFor(uint64_t minBytes, const std::atomic<bool> *interrupt = nullptr) const;
    // Wakes every waiting reader so it can look at its interrupt flag.
    void wakeAll() const;

    uint64_t received() const;
    uint64_t firstKept() const;
    bool finished() const;
    bool complete() const;
    bool windowed() const;
    uint64_t keptBytes() const;

private:
    static constexpr size_t kChunk = 256 * 1024;
    void dropOldChunksLocked();

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    // All below guarded by mutex_.
    std::deque<std::unique_ptr<uint8_t[]>> chunks_;
    uint64_t firstChunk_ = 0;   // index (in kChunk units) of chunks_.front()
    uint64_t received_ = 0;
    bool finished_ = false;
    bool complete_ = false;
    bool windowed_ = false;
    const uint64_t memoryCap_;
    const uint64_t window_;
};

} // namespace sonaroaudio
