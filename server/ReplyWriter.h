#pragma once

#include "Library.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The XML replies in Windows-1250. Texts handed in as "wire" are already
// Windows-1250 and escaped (Library::Entry); all others are escaped here.
namespace ReplyWriter {

// For attribute values and element texts alike. Control bytes, which XML
// cannot carry, become spaces.
std::string escape(std::string_view windows1250);

std::string finder(const std::vector<Library::Hit> &hits);

// kam: the insert position to send back, negative for none.
std::string track(std::string_view action, long kam, const Library::Entry &entry, std::string_view url);

std::string rating(std::string_view ratingText);

struct Update {
    std::int64_t clientId = -1;
    bool newVersion = false;
    std::string version;          // Windows-1250
    std::int64_t versionSize = 0; // bytes
    std::string message;          // Windows-1250; empty: none
    size_t trackCount = 0;
};
std::string update(const Update &u);

std::string upData();

// A well-formed reply that no client handler takes for its own.
std::string error(std::string_view reason);

} // namespace ReplyWriter
