#pragma once

#include "XmlInterfaces.h"

#include <memory_resource>
#include <vector>

// The ordered children of a node.
class TXmlNodeList
{
public:
    explicit TXmlNodeList(std::pmr::memory_resource *memory) : nodes_(memory) {}
    TXmlNodeList(const TXmlNodeList &) = delete;
    TXmlNodeList &operator=(const TXmlNodeList &) = delete;

    int Count() const { return static_cast<int>(nodes_.size()); }
    // 0-based; raises EXmlError for an index outside 0..Count()-1.
    IXmlNode Item(int index) const;

    // Cheap access for walking a tree without taking references.
    const TXmlNode *at(int index) const { return nodes_[static_cast<std::size_t>(index)]; }

    // An empty list for nodes that cannot have children.
    static IXmlNodeList Empty();

private:
    friend class TXmlParser;
    friend class TXmlDocument;

    void append(TXmlNode *node);
    void clear() { nodes_.clear(); }

    std::pmr::vector<TXmlNode *> nodes_;
};
