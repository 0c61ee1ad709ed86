#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

// Single-producer/single-consumer byte ring: one thread writes, one other
// thread reads, and neither blocks, locks or allocates. Header-only and in
// no namespace, so that the audio library and the player engine share one
// ring without linking to each other.
//
// The capacity is a power of two and the read and write counters only ever
// grow (64 bits: they do not wrap in practice), so the ring can be filled to
// the last byte and the fill is always write - read.
//
// Threading contract
// - write() on the producer thread only, read() on the consumer thread only.
// - available() and space() from any thread: a snapshot that may be stale by
//   the time it is used, but never overstates what the caller's side can
//   take (the producer's space, the consumer's available bytes).
// - reset() and resize() only while neither side is inside write() or
//   read(); the owner makes sure of that (for example with both sides'
//   locks held). capacity() changes only with resize().
// - Bytes a write() publishes are visible to the read() that sees its count
//   (release/acquire on the counters).
class SpscRing {
public:
    // An empty ring of at least minCapacity bytes (0: none until resize()).
    // Throws std::bad_alloc when the memory cannot be had.
    explicit SpscRing(size_t minCapacity = 0)
    {
        if (minCapacity > 0 && !resize(minCapacity))
            throw std::bad_alloc();
    }
    SpscRing(const SpscRing &) = delete;
    SpscRing &operator=(const SpscRing &) = delete;

    // Drops the content and takes at least minCapacity bytes (rounded up to
    // a power of two). False when the memory cannot be had or the size is
    // absurd; the ring then keeps its old storage, emptied.
    bool resize(size_t minCapacity) noexcept
    {
        reset();
        if (minCapacity == 0) {
            data_.reset();
            capacity_ = 0;
            return true;
        }
        if (minCapacity > (SIZE_MAX >> 2))
            return false;
        size_t capacity = 1;
        while (capacity < minCapacity)
            capacity <<= 1;
        if (capacity == capacity_)
            return true;
        std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[capacity]);
        if (!data)
            return false;
        data_ = std::move(data);
        capacity_ = capacity;
        return true;
    }

    size_t capacity() const { return capacity_; }
    size_t available() const
    {
        return size_t(write_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire));
    }
    size_t space() const { return capacity_ - available(); }

    // Producer: copies min(size, space()) bytes in; returns how many.
    size_t write(const uint8_t *src, size_t size)
    {
        const uint64_t w = write_.load(std::memory_order_relaxed);
        const uint64_t r = read_.load(std::memory_order_acquire);
        size = std::min<size_t>(size, capacity_ - size_t(w - r));
        if (size == 0)
            return 0;
        const size_t at = size_t(w & (capacity_ - 1));
        const size_t first = std::min(size, capacity_ - at);
        std::memcpy(data_.get() + at, src, first);
        if (size > first)
            std::memcpy(data_.get(), src + first, size - first);
        write_.store(w + size, std::memory_order_release);
        return size;
    }

    // Consumer: copies min(size, available()) bytes out; returns how many.
    size_t read(uint8_t *dst, size_t size)
    {
        const uint64_t r = read_.load(std::memory_order_relaxed);
        const uint64_t w = write_.load(std::memory_order_acquire);
        size = std::min<size_t>(size, size_t(w - r));
        if (size == 0)
            return 0;
        const size_t at = size_t(r & (capacity_ - 1));
        const size_t first = std::min(size, capacity_ - at);
        std::memcpy(dst, data_.get() + at, first);
        if (size > first)
            std::memcpy(dst + first, data_.get(), size - first);
        read_.store(r + size, std::memory_order_release);
        return size;
    }

    // Empties the ring (see the threading contract).
    void reset()
    {
        read_.store(0, std::memory_order_relaxed);
        write_.store(0, std::memory_order_release);
    }

private:
    std::unique_ptr<uint8_t[]> data_; // changed only by resize()
    size_t capacity_ = 0;             // a power of two, or 0; changed only by resize()
    std::atomic<uint64_t> write_{0};  // advanced by the producer only
    std::atomic<uint64_t> read_{0};   // advanced by the consumer only
};
