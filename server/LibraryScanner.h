#pragma once

#include "TrackInfo.h"

#include <filesystem>
#include <optional>

class TrackStore;

// Brings the store in line with the music folder: reads the tags of new and
// changed MP3 files with TagLib and drops the rows of files that are gone.
class LibraryScanner {
public:
    struct Report {
        int added = 0;
        int changed = 0;
        int removed = 0;
        int unchanged = 0;
        int unreadable = 0;  // files TagLib could not open as MP3
    };

    explicit LibraryScanner(std::filesystem::path root);

    // rereadAll: read the tags of unchanged files too (after the way tags
    // are read has changed).
    Report scan(TrackStore &store, bool rereadAll = false) const;

    // Many older Czech files carry Windows-1250 bytes in tag fields marked
    // Latin-1 (ID3v1, and ID3v2 frames in encoding 0). After this call, for
    // the whole process, such fields are read as Windows-1250.
    static void readLatin1TagsAsWindows1250();

    // Reads one file's tags and audio properties; nullopt when it is no MP3.
    static std::optional<TrackInfo> readFile(const std::filesystem::path &file);

private:
    std::filesystem::path root_;
};
