#pragma once

#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

// The attributes of an element or of an "xml" declaration, in the order
// first seen. Values are views into the tree's arena.
class TXmlAttributes
{
public:
    explicit TXmlAttributes(std::pmr::memory_resource *memory) : items_(memory) {}

    // Replaces an existing value in place, so a repeated attribute keeps its
    // first position and its last value.
    void set(int nameId, std::string_view value);
    // Null when absent.
    const std::string_view *find(int nameId) const;

    int count() const { return static_cast<int>(items_.size()); }
    int nameId(int index) const { return items_[static_cast<std::size_t>(index)].nameId; }
    std::string_view value(int index) const { return items_[static_cast<std::size_t>(index)].value; }

private:
    struct Item {
        int nameId;
        std::string_view value;
    };
    std::pmr::vector<Item> items_;
};
