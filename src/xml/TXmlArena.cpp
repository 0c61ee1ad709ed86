#include "TXmlArena.h"

#include <memory>

namespace {

// Blocks kept for reuse by this thread's next parse, at most 8 MiB.
struct BlockCache {
    static constexpr std::size_t MaxBlocks = 128;
    std::vector<std::unique_ptr<char[]>> blocks;
};

BlockCache &cache()
{
    thread_local BlockCache blocks;
    return blocks;
}

} // namespace

TXmlArena::~TXmlArena()
{
    BlockCache &spare = cache();
    for (char *block : blocks_) {
        std::unique_ptr<char[]> owned(block);
        if (spare.blocks.size() < BlockCache::MaxBlocks)
            spare.blocks.push_back(std::move(owned));
    }
    for (void *piece : large_)
        ::operator delete(piece);
}

char *TXmlArena::addBlock()
{
    blocks_.reserve(blocks_.size() + 1);
    BlockCache &spare = cache();
    if (!spare.blocks.empty()) {
        blocks_.push_back(spare.blocks.back().release());
        spare.blocks.pop_back();
    } else {
        blocks_.push_back(new char[BlockSize]);
    }
    return blocks_.back();
}

void *TXmlArena::addLarge(std::size_t bytes)
{
    large_.reserve(large_.size() + 1);
    large_.push_back(::operator new(bytes));
    return large_.back();
}
