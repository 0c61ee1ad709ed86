#pragma once

#include <string>

// A music folder of count small MP3 files for benchmarks: silent MPEG-1
// Layer III frames and an ID3v1 tag each, titles, artists and albums drawn
// from Czech word lists (Windows-1250 in the tag, read with --tags-cp1250).
namespace GeneratedMusic {

void write(const std::string &folder, int count);

} // namespace GeneratedMusic
