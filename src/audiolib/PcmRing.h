#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace sonaroaudio {

// Single-producer/single-consumer byte ring between a stream's feeder thread
// (writes) and the mixing thread (reads). Neither side blocks or allocates.
// reset() needs both sides quiet: the caller holds the stream's feed lock
// and the mixer lock.
class PcmRing {
public:
    explicit PcmRing(size_t minCapacity)
    {
        capacity_ = 1;
        while (capacity_ < minCapacity)
            capacity_ <<= 1;
        data_ = std::make_unique<uint8_t[]>(capacity_);
    }

    size_t capacity() const { return capacity_; }
    size_t available() const { return size_t(write_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire)); }
    size_t space() const { return capacity_ - available(); }

    // Producer.
    size_t write(const uint8_t *src, size_t size)
    {
        const uint64_t w = write_.load(std::memory_order_relaxed);
        const uint64_t r = read_.load(std::memory_order_acquire);
        size = std::min<size_t>(size, capacity_ - size_t(w - r));
        const size_t at = size_t(w & (capacity_ - 1));
        const size_t first = std::min(size, capacity_ - at);
        std::memcpy(data_.get() + at, src, first);
        std::memcpy(data_.get(), src + first, size - first);
        write_.store(w + size, std::memory_order_release);
        return size;
    }

    // Consumer.
    size_t read(uint8_t *dst, size_t size)
    {
        const uint64_t r = read_.load(std::memory_order_relaxed);
        const uint64_t w = write_.load(std::memory_order_acquire);
        size = std::min<size_t>(size, size_t(w - r));
        const size_t at = size_t(r & (capacity_ - 1));
        const size_t first = std::min(size, capacity_ - at);
        std::memcpy(dst, data_.get() + at, first);
        std::memcpy(dst + first, data_.get(), size - first);
        read_.store(r + size, std::memory_order_release);
        return size;
    }

    void reset()
    {
        read_.store(0, std::memory_order_relaxed);
        write_.store(0, std::memory_order_release);
    }

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t capacity_;
    std::atomic<uint64_t> write_{0}; // advanced by the producer only
    std::atomic<uint64_t> read_{0};  // advanced by the consumer only
};

} // namespace sonaroaudio
