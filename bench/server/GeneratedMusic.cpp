#include "GeneratedMusic.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace {

// Windows-1250 bytes, so the words fit the 30 bytes of an ID3v1 field.
const char *const kFirst[] = {"Ji\xF8\xED", "\x8A\xE1rka", "Petr", "Lenka", "Tom\xE1\x9A", "Zuzana", "Karel", "V\xECra"};
const char *const kLast[] = {"Nov\xE1k", "Dvo\xF8\xE1k", "\xC8ern\xFD", "Proch\xE1zka", "Ku\xE8\x65ra", "Vesel\xFD", "Hor\xE1k"};
const char *const kAdjective[] = {"Rann\xED", "Tich\xFD", "\x8Elu\x9Dou\xE8k\xFD", "No\xE8n\xED", "Zimn\xED", "Modr\xFD", "Dlouh\xFD"};
const char *const kNoun[] = {"k\xF9\xF2", "d\xE9\x9A\x9D", "m\xECsto", "\xF8\x65ka", "les", "v\xEDtr", "sen", "den", "ohe\xF2"};

template <typename T, size_t N>
const T &pick(const T (&items)[N], std::mt19937 &rng)
{
    return items[rng() % N];
}

void field(std::string &tag, const std::string &text, size_t size)
{
    tag += text.substr(0, size);
    tag.append(size - std::min(size, text.size()), '\0');
}

} // namespace

void GeneratedMusic::write(const std::string &folder, int count)
{
    // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, no padding: 417-byte frames.
    std::string frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0x00);
    std::string audio;
    for (int i = 0; i < 8; ++i)
        audio += frame;
    std::mt19937 rng(42);
    for (int i = 0; i < count; ++i) {
        const std::string dir = folder + "/" + std::to_string(i / 500);
        std::filesystem::create_directories(dir);
        std::mt19937 artistRng(unsigned(i / 50));
        std::string tag = "TAG";
        field(tag, std::string(pick(kAdjective, rng)) + " " + pick(kNoun, rng) + " " + std::to_string(i), 30);
        field(tag, std::string(pick(kFirst, artistRng)) + " " + pick(kLast, artistRng) + " " + std::to_string(i / 50), 30);
        field(tag, std::string(pick(kAdjective, artistRng)) + " " + pick(kNoun, artistRng), 30);
        field(tag, "2024", 4);
        field(tag, "", 28);
        tag += '\0';
        tag += char(i % 10 + 1);  // track number
        tag += char(17);          // genre: Rock
        std::ofstream out(dir + "/" + std::to_string(i) + ".mp3", std::ios::binary);
        out << audio << tag;
        if (!out)
            throw std::runtime_error("cannot write to " + dir);
    }
}
