#pragma once

#include "TXmlArena.h"

#include <cstring>
#include <memory>
#include <memory_resource>
#include <new>
#include <string_view>
#include <utility>

class TXmlDocument;
class TXmlNameTable;

// The storage of one parsed tree: every node, list and text of it lives in
// one arena that is released at once. Nodes placed here are never destroyed
// one by one, so everything they hold must live in the same arena.
class TXmlStore : public std::enable_shared_from_this<TXmlStore>
{
public:
    TXmlStore(std::shared_ptr<TXmlNameTable> names, std::weak_ptr<TXmlDocument> document)
        : names(std::move(names)), document(std::move(document))
    {
    }
    TXmlStore(const TXmlStore &) = delete;
    TXmlStore &operator=(const TXmlStore &) = delete;

    template<class T, class... Args>
    T *make(Args &&...args)
    {
        void *place = memory.allocate(sizeof(T), alignof(T));
        return ::new (place) T(std::forward<Args>(args)...);
    }

    std::string_view copy(std::string_view text)
    {
        if (text.empty())
            return {};
        auto *bytes = static_cast<char *>(memory.allocate(text.size(), 1));
        std::memcpy(bytes, text.data(), text.size());
        return {bytes, text.size()};
    }

    const std::shared_ptr<TXmlNameTable> names;
    // The document whose top-level nodes live here; it may die first.
    const std::weak_ptr<TXmlDocument> document;
    TXmlArena memory;
};
