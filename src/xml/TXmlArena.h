#pragma once

#include <cstddef>
#include <memory_resource>
#include <vector>

// A bump allocator over blocks of 64 KiB. Deallocation is a no-op; everything
// goes when the arena does. Released blocks wait in a small per-thread cache
// for the next parse, because fresh memory costs a page fault per page and
// that, not parsing, dominated the time of large replies.
class TXmlArena : public std::pmr::memory_resource
{
public:
    static constexpr std::size_t BlockSize = 64 * 1024;

    TXmlArena() = default;
    TXmlArena(const TXmlArena &) = delete;
    TXmlArena &operator=(const TXmlArena &) = delete;
    ~TXmlArena() override;

private:
    void *do_allocate(std::size_t bytes, std::size_t alignment) override
    {
        std::size_t offset = (used_ + alignment - 1) & ~(alignment - 1);
        if (offset + bytes > size_) {
            if (bytes > BlockSize / 4)
                return addLarge(bytes); // large pieces get a block of their own
            current_ = addBlock();
            size_ = BlockSize;
            offset = 0;
        }
        used_ = offset + bytes;
        return current_ + offset;
    }
    void do_deallocate(void *, std::size_t, std::size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource &other) const noexcept override { return this == &other; }

    char *addBlock();
    void *addLarge(std::size_t bytes);

    std::vector<char *> blocks_; // of BlockSize each
    std::vector<void *> large_;
    char *current_ = nullptr;
    std::size_t used_ = 0;
    std::size_t size_ = 0;
};
