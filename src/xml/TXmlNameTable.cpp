#include "TXmlNameTable.h"

#include <cstring>

TXmlNameTable::TXmlNameTable()
{
    heads_.fill(-1);
    for (std::string_view name : {"#text", "#cdata-section", "#comment", "#document", "xml"})
        Add(name);
}

std::shared_ptr<TXmlNameTable> TXmlNameTable::Shared()
{
    thread_local std::weak_ptr<TXmlNameTable> shared;
    std::shared_ptr<TXmlNameTable> table = shared.lock();
    if (!table) {
        table = std::make_shared<TXmlNameTable>();
        shared = table;
    }
    return table;
}

std::uint32_t TXmlNameTable::Hash(std::string_view name)
{
    std::uint32_t h = 0;
    for (char c : name)
        h = h * 33 + static_cast<unsigned char>(c);
    return h;
}

int TXmlNameTable::find(std::string_view name, std::uint32_t hash) const
{
    for (std::int32_t i = heads_[hash % BucketCount]; i >= 0;) {
        const Entry &entry = entries_[static_cast<std::size_t>(i)];
        if (entry.hash == hash && entry.size == name.size() && std::memcmp(entry.data, name.data(), name.size()) == 0)
            return i;
        i = entry.next;
    }
    return -1;
}

int TXmlNameTable::Find(std::string_view name) const
{
    return find(name, Hash(name));
}

int TXmlNameTable::Add(std::string_view name, std::uint32_t hash)
{
    if (const int id = find(name, hash); id >= 0)
        return id;
    const auto id = static_cast<std::int32_t>(entries_.size());
    std::int32_t &head = heads_[hash % BucketCount];
    const std::string &stored = names_.emplace_back(name);
    entries_.push_back({hash, head, stored.data(), stored.size()});
    head = id;
    return id;
}
