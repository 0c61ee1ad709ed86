#pragma once

#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

// The attributes of an element or of an "xml" declaration, in the order
// first seen, held in one exact-size array of the tree's arena.
class TXmlAttributes
{
public:
    struct Item {
        int nameId;
        std::uint32_t size;
        const char *data;

        std::string_view value() const { return {data, size}; }
    };

    // Sets nameId in a list being built: an existing value is replaced in
    // place, so a repeated attribute keeps its first position and last value.
    static void set(std::vector<Item> &building, int nameId, std::string_view value);
    // Copies the built list into memory as this node's attributes.
    void assign(const std::vector<Item> &built, std::pmr::memory_resource &memory);

    // Null when absent.
    const Item *find(int nameId) const;

    int count() const { return static_cast<int>(count_); }
    int nameId(int index) const { return items_[index].nameId; }
    std::string_view value(int index) const { return items_[index].value(); }

private:
    const Item *items_ = nullptr;
    std::uint32_t count_ = 0;
};
