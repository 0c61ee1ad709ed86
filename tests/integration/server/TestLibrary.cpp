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
    const std::string wav = target.string() + ".wav";
    const std::string command =
        "sox -V1 -q -n -r 44100 -c 2 -b 16 " + quoted(wav) + " synth " + std::to_string(t.seconds)
        + " pluck C4 pluck G4 && lame --quiet " + t.lameOptions + " --add-id3v2 --id3v2-utf16 --tt "
        + quoted(t.title) + " --ta " + quoted(t.artist) + " --tl " + quoted(t.album) + " --tg "
        + quoted(t.genre) + " --tn " + std::to_string(t.number) + " " + quoted(wav) + " "
        + quoted(target.string()) + " && rm -f " + quoted(wav);
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot make " + target.string() + " (are sox and lame installed?)");
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace TestLibrary
