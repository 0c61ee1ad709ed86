#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Interns tag, attribute and processing-instruction names so that nodes store
// and compare small integers. Identifiers are dense, in insertion order.
// Not locked: a table belongs to one thread at a time.
class TXmlNameTable
{
public:
    static constexpr int BucketCount = 4096;
    // Identifiers of the names every table registers first.
    enum : int { idText = 0, idCDATASection = 1, idComment = 2, idDocument = 3, idXml = 4 };

    TXmlNameTable();
    TXmlNameTable(const TXmlNameTable &) = delete;
    TXmlNameTable &operator=(const TXmlNameTable &) = delete;

    // The table this thread's documents share. It lives while a document
    // uses it, so names from past replies do not pile up for the whole run.
    static std::shared_ptr<TXmlNameTable> Shared();

    static std::uint32_t Hash(std::string_view name);

    // The identifier of name, registering it when new.
    int Add(std::string_view name) { return Add(name, Hash(name)); }
    // The same with the name's Hash already computed.
    int Add(std::string_view name, std::uint32_t hash);
    // The identifier of name, or -1 when the table does not hold it.
    int Find(std::string_view name) const;
    // Stays valid as long as the table.
    const std::string &Name(int id) const { return names_[static_cast<std::size_t>(id)]; }
    int Count() const { return static_cast<int>(names_.size()); }

private:
    int find(std::string_view name, std::uint32_t hash) const;

    std::array<std::int32_t, BucketCount> heads_;
    struct Entry {
        std::uint32_t hash;
        std::int32_t next;
        const char *data; // the name's bytes in names_, saving a deque lookup per compare
        std::size_t size;
    };
    std::vector<Entry> entries_;
    std::deque<std::string> names_; // a deque keeps Name() references stable
};
