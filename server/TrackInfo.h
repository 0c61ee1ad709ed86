#pragma once

#include <cstdint>
#include <string>

// One MP3 of the library as stored: texts in UTF-8, as TagLib and SQLite
// hand them over. The wire encoding happens in Catalogue.
struct TrackInfo {
    std::int64_t id = 0;        // stable service ID (the row id, never reused)
    std::string relPath;        // path below the music folder, '/'-separated
    std::int64_t mtime = 0;     // seconds since the epoch, to spot changes
    std::int64_t size = 0;      // bytes
    std::string title;
    std::string artist;
    std::string album;
    std::string genre;
    int number = 0;             // track number, 0 when the tag has none
    int lengthMs = 0;
    int bitrate = 0;            // kbit/s, the average for VBR files
};
