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
    // A WAV file to encode instead of the generated tone.
    std::string wav;
};

// relPath below folder, UTF-8; folders are created. Throws on failure.
void makeMp3(const std::string &folder, const std::string &relPath, const Tags &tags);

// Without ID3v2, then an ID3v1 tag whose fields hold these bytes as they are.
void makeMp3WithId3v1(const std::string &path, const std::string &titleBytes, const std::string &artistBytes);

std::string readFile(const std::string &path);

} // namespace TestLibrary
