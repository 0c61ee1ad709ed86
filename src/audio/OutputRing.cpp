#include "OutputRing.h"

#include <algorithm>
#include <cstring>
#include <new>

OutputRing::OutputRing(std::uint32_t size)
{
    resize(size);
}

bool OutputRing::resize(std::uint32_t size)
{
    try {
        std::vector<std::uint8_t> fresh(size);
        bytes_.swap(fresh);
    } catch (const std::bad_alloc &) {
        return false;
    }
    size_ = size;
    reset();
    return true;
}

void OutputRing::reset()
{
    read_.store(0, std::memory_order_relaxed);
    write_.store(0, std::memory_order_release);
}

std::uint32_t OutputRing::waiting() const
{
    const std::uint32_t w = write_.load(std::memory_order_acquire);
    const std::uint32_t r = read_.load(std::memory_order_acquire);
    return w >= r ? w - r : size_ + w - r;
}

std::uint32_t OutputRing::freeBytes() const
{
    const std::uint32_t w = write_.load(std::memory_order_acquire);
    const std::uint32_t r = read_.load(std::memory_order_acquire);
    return w < r ? r - w : size_ - w + r;
}

std::uint32_t OutputRing::write(const std::uint8_t *data, std::uint32_t n)
{
    if (size_ == 0)
        return 0;
    const std::uint32_t w = write_.load(std::memory_order_relaxed);
    const std::uint32_t r = read_.load(std::memory_order_acquire);
    const std::uint32_t space = (w < r ? r - w : size_ - w + r) - 1;
    n = std::min(n, space);
    const std::uint32_t first = std::min(n, size_ - w);
    std::memcpy(bytes_.data() + w, data, first);
    std::memcpy(bytes_.data(), data + first, n - first);
    std::uint32_t next = w + n;
    if (next >= size_)
        next -= size_;
    write_.store(next, std::memory_order_release);
    return n;
}

std::uint32_t OutputRing::read(std::uint8_t *out, std::uint32_t n)
{
    if (size_ == 0)
        return 0;
    const std::uint32_t r = read_.load(std::memory_order_relaxed);
    const std::uint32_t w = write_.load(std::memory_order_acquire);
    const std::uint32_t have = w >= r ? w - r : size_ + w - r;
    n = std::min(n, have);
    const std::uint32_t first = std::min(n, size_ - r);
    std::memcpy(out, bytes_.data() + r, first);
    std::memcpy(out + first, bytes_.data(), n - first);
    std::uint32_t next = r + n;
    if (next >= size_)
        next -= size_;
    read_.store(next, std::memory_order_release);
    return n;
}
