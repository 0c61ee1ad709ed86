#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

// Single-producer single-consumer byte ring between the pipeline's worker
// (producer) and the library's mixing thread (consumer). Equal indices mean
// empty; the producer never fills it completely.
//
// Threads: write() only on the producer, read() only on the consumer.
// reset() and resize() only while neither side runs (the pipeline makes sure
// of that). waiting()/freeBytes() may be called from anywhere and give a
// snapshot.
class OutputRing
{
public:
    explicit OutputRing(std::uint32_t size = 0);

    // False when the memory cannot be had; the ring then keeps its old size.
    bool resize(std::uint32_t size);
    std::uint32_t size() const { return size_; }

    void reset();
    std::uint32_t waiting() const;
    std::uint32_t freeBytes() const;

    // Copies min(n, free - 1) bytes in at the write index, wrapping at the end.
    std::uint32_t write(const std::uint8_t *data, std::uint32_t n);
    // Copies min(n, waiting) bytes out from the read index, wrapping at the end.
    std::uint32_t read(std::uint8_t *out, std::uint32_t n);

private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t size_ = 0;
    // Moved only by read(); released so the producer sees the space.
    std::atomic<std::uint32_t> read_{0};
    // Moved only by write(); released so the consumer sees the data.
    std::atomic<std::uint32_t> write_{0};
};
