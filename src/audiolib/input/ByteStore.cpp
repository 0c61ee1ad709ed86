#include "input/ByteStore.h"

#include <algorithm>
#include <cstring>

namespace sonaroaudio {

ByteStore::ByteStore(uint64_t memoryCap, uint64_t window)
    : memoryCap_(std::max<uint64_t>(memoryCap, 2 * kChunk)),
      window_(std::max<uint64_t>(window, 2 * kChunk))
{
}

void ByteStore::append(const uint8_t *data, size_t size)
{
    {
        std::lock_guard lock(mutex_);
        while (size > 0) {
            const size_t inChunk = received_ % kChunk;
            if (inChunk == 0)
                chunks_.push_back(std::make_unique<uint8_t[]>(kChunk));
            const size_t n = std::min(size, kChunk - inChunk);
            std::memcpy(chunks_.back().get() + inChunk, data, n);
            received_ += n;
            data += n;
            size -= n;
        }
        if (!windowed_ && received_ - firstChunk_ * kChunk > memoryCap_)
            windowed_ = true;
        dropOldChunksLocked();
    }
    arrived_.notify_all();
}

void ByteStore::dropOldChunksLocked()
{
    if (!windowed_)
        return;
    // Keep whole chunks covering at least the window, plus the one being filled.
    while (chunks_.size() > 1 && (chunks_.size() - 1) * kChunk >= window_) {
        chunks_.pop_front();
        ++firstChunk_;
    }
}

void ByteStore::finish(bool complete)
{
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        complete_ = complete;
    }
    arrived_.notify_all();
}

void ByteStore::reopen()
{
    std::lock_guard lock(mutex_);
    if (!complete_)
        finished_ = false;
}

void ByteStore::keepWindowOnly()
{
    std::lock_guard lock(mutex_);
    windowed_ = true;
    dropOldChunksLocked();
}

ByteStore::Span ByteStore::read(uint64_t offset, uint8_t *dst, size_t size, bool wait,
                                const std::atomic<bool> *interrupt) const
{
    std::unique_lock lock(mutex_);
    if (wait) {
        arrived_.wait(lock, [&] {
            return received_ > offset || finished_ || (interrupt && interrupt->load());
        });
    }
    Span span;
    const uint64_t first = firstChunk_ * kChunk;
    span.at = std::max(offset, first);
    uint64_t pos = span.at;
    while (span.count < size && pos < received_) {
        const auto &chunk = chunks_[pos / kChunk - firstChunk_];
        const size_t inChunk = pos % kChunk;
        const size_t n = static_cast<size_t>(
            std::min<uint64_t>({size - span.count, kChunk - inChunk, received_ - pos}));
        std::memcpy(dst + span.count, chunk.get() + inChunk, n);
        span.count += n;
        pos += n;
    }
    return span;
}

void ByteStore::waitFor(uint64_t minBytes, const std::atomic<bool> *interrupt) const
{
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [&] {
        return received_ >= minBytes || finished_ || (interrupt && interrupt->load());
    });
}

void ByteStore::wakeAll() const
{
    // Taking the lock orders the waker's flag store before a waiter's check.
    { std::lock_guard lock(mutex_); }
    arrived_.notify_all();
}

uint64_t ByteStore::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

uint64_t ByteStore::firstKept() const
{
    std::lock_guard lock(mutex_);
    return firstChunk_ * kChunk;
}

bool ByteStore::finished() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

bool ByteStore::complete() const
{
    std::lock_guard lock(mutex_);
    return complete_;
}

bool ByteStore::windowed() const
{
    std::lock_guard lock(mutex_);
    return windowed_;
}

uint64_t ByteStore::keptBytes() const
{
    std::lock_guard lock(mutex_);
    return received_ - firstChunk_ * kChunk;
}

} // namespace sonaroaudio
