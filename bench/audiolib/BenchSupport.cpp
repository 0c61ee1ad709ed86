#include "BenchSupport.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

std::string makeMp3(int seconds, int kbps)
{
    char pattern[] = "/tmp/sonaroaudio-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string raw = dir + "/in.raw", mp3 = dir + "/out.mp3";
    {
        std::ofstream out(raw, std::ios::binary);
        std::mt19937 rng(1);
        std::uniform_int_distribution<int> noise(-3000, 3000);
        std::vector<int16_t> block(44100 * 2);
        for (int s = 0; s < seconds; ++s) {
            for (size_t i = 0; i < block.size(); i += 2) {
                const double t = double(s) + double(i / 2) / 44100.0;
                block[i] = int16_t(9000 * std::sin(t * 2 * M_PI * 220) + noise(rng));
                block[i + 1] = int16_t(9000 * std::sin(t * 2 * M_PI * 331) + noise(rng));
            }
            out.write(reinterpret_cast<const char *>(block.data()), std::streamsize(block.size() * 2));
        }
    }
    const std::string cmd = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b " + std::to_string(kbps) + " " + raw + " " + mp3;
    if (std::system(cmd.c_str()) != 0)
        return {};
    std::ifstream in(mp3, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::system(("rm -rf " + dir).c_str());
    return s.str();
}
