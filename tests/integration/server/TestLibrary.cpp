#include "TestLibrary.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string quoted(const std::string &text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

namespace TestLibrary {

void makeMp3(const std::string &folder, const std::string &relPath, const Tags &t)
{
    const std::filesystem::path target = std::filesystem::path(folder) / relPath;
    std::filesystem::create_directories(target.parent_path());
    const std::string wav = t.wav.empty() ? target.string() + ".wav" : t.wav;
    const std::string tone = "sox -V1 -q -n -r 44100 -c 2 -b 16 " + quoted(wav) + " synth "
                           + std::to_string(t.seconds) + " pluck C4 pluck G4 && ";
    const std::string command =
        (t.wav.empty() ? tone : std::string()) + "lame --quiet " + t.lameOptions + " --add-id3v2 --id3v2-utf16 --tt "
        + quoted(t.title) + " --ta " + quoted(t.artist) + " --tl " + quoted(t.album) + " --tg "
        + quoted(t.genre) + " --tn " + std::to_string(t.number) + " " + quoted(wav) + " "
        + quoted(target.string()) + (t.wav.empty() ? " && rm -f " + quoted(wav) : std::string());
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot make " + target.string() + " (are sox and lame installed?)");
}

void makeMp3WithId3v1(const std::string &path, const std::string &titleBytes, const std::string &artistBytes)
{
    const std::string wav = path + ".wav";
    const std::string command = "sox -V1 -q -n -r 44100 -c 1 -b 16 " + quoted(wav) + " synth 1 sine 440 && lame --quiet -b 64 "
                                + quoted(wav) + " " + quoted(path) + " && rm -f " + quoted(wav);
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot make " + path);
    std::string tag = "TAG";
    const auto field = [&](const std::string &bytes, size_t width) { tag += bytes.substr(0, width) + std::string(width - std::min(width, bytes.size()), '\0'); };
    field(titleBytes, 30);
    field(artistBytes, 30);
    field("", 30);    // album
    field("2026", 4);
    field("", 30);    // comment
    tag += '\xff';   // no genre
    std::ofstream(path, std::ios::binary | std::ios::app) << tag;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace TestLibrary
