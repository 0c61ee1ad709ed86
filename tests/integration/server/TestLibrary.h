#pragma once

#include <string>

// Small real MP3s for the service to scan: a tone from sox, encoded and
// tagged (UTF-16, so accents survive) by lame.
namespace TestLibrary {

struct Tags {
    std::string title, artist, album, genre;
    int number = 0;
    double seconds = 1.5;
    std::string lameOptions = "-b 128";
};

// relPath below folder, UTF-8; folders are created. Throws on failure.
void makeMp3(const std::string &folder, const std::string &relPath, const Tags &tags);

std::string readFile(const std::string &path);

} // namespace TestLibrary
