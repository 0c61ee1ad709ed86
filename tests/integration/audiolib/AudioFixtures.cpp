#include "AudioFixtures.h"

#include <cstring>

#include <mpg123.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <mutex>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace AudioFixtures {

std::vector<int16_t> makePcm(size_t frames, unsigned channels, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6000, 6000);
    std::vector<int16_t> pcm(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (unsigned c = 0; c < channels; ++c)
            pcm[i * channels + c] = int16_t(noise(rng) + 8000 * std::sin(double(i) * (0.03 + 0.01 * c)));
    return pcm;
}

namespace {

// Removes the folders the tests made when the process ends.
struct TempDirs {
    std::mutex mutex;
    std::vector<std::string> dirs;
    ~TempDirs()
    {
        for (const auto &d : dirs)
            std::filesystem::remove_all(d);
    }
};

TempDirs &tempDirs()
{
    static TempDirs dirs;
    return dirs;
}

} // namespace

std::string tempDir()
{
    char pattern[] = "/tmp/sonaroaudio-test-XXXXXX";
    const char *dir = mkdtemp(pattern);
    if (!dir)
        throw std::runtime_error("mkdtemp failed");
    std::lock_guard lock(tempDirs().mutex);
    tempDirs().dirs.emplace_back(dir);
    return dir;
}

void writeWav(const std::string &path, const std::vector<int16_t> &pcm, int rate, int channels)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        throw std::runtime_error("cannot write " + path);
    sf_write_short(f, pcm.data(), sf_count_t(pcm.size()));
    sf_close(f);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool run(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<uint8_t> decodeMpeg(const std::string &path, long *rate, int *channels)
{
    mpg123_init();
    int err = 0;
    mpg123_handle *mh = mpg123_new(nullptr, &err);
    std::vector<uint8_t> out;
    if (mpg123_open(mh, path.c_str()) != MPG123_OK)
        throw std::runtime_error("mpg123 cannot open " + path);
    long r = 0;
    int ch = 0, enc = 0;
    std::vector<unsigned char> buf(65536);
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_read(mh, buf.data(), buf.size(), &done);
        out.insert(out.end(), buf.data(), buf.data() + done);
        if (rc == MPG123_NEW_FORMAT)
            mpg123_getformat(mh, &r, &ch, &enc);
        else if (rc != MPG123_OK)
            break;
    }
    mpg123_getformat(mh, &r, &ch, &enc);
    if (rate)
        *rate = r;
    if (channels)
        *channels = ch;
    mpg123_close(mh);
    mpg123_delete(mh);
    return out;
}

std::vector<uint8_t> decodeSndfile(const std::string &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        throw std::runtime_error("sndfile cannot open " + path);
    std::vector<int16_t> pcm(size_t(info.frames) * size_t(info.channels));
    const sf_count_t got = sf_readf_short(f, pcm.data(), info.frames);
    sf_close(f);
    pcm.resize(size_t(got) * size_t(info.channels));
    const auto *b = reinterpret_cast<const uint8_t *>(pcm.data());
    return std::vector<uint8_t>(b, b + pcm.size() * 2);
}

const Files &files()
{
    static const Files made = [] {
        Files f;
        f.dir = tempDir();
        f.pcm = makePcm(44100 * 6, 2, 7);
        f.wav = f.dir + "/tone.wav";
        writeWav(f.wav, f.pcm, 44100, 2);
        f.cbr = f.dir + "/cbr.mp3";
        f.vbr = f.dir + "/vbr.mp3";
        f.ogg = f.dir + "/tone.ogg";
        f.mono22 = f.dir + "/mono22.mp3";
        const std::string tags = " --add-id3v2 --tt 'Cbr Song' --ta 'Test Band' --tl 'Album' --ty 2024 ";
        if (!run("lame --quiet -b 128" + tags + f.wav + " " + f.cbr)
            || !run("lame --quiet -V 2 --tt 'Vbr Song' " + f.wav + " " + f.vbr)
            || !run("oggenc -Q -q 3 -t 'Ogg Song' -a 'Ogg Band' -o " + f.ogg + " " + f.wav)
            || !run("lame --quiet -m m --resample 22.05 -b 48 " + f.wav + " " + f.mono22))
            throw std::runtime_error("encoders failed (lame, oggenc)");
        return f;
    }();
    return made;
}

std::vector<int16_t> samplesOf(const std::string &raw)
{
    std::vector<int16_t> out(raw.size() / 2);
    std::memcpy(out.data(), raw.data(), out.size() * 2);
    return out;
}

std::vector<int16_t> samplesOf(const std::vector<uint8_t> &bytes)
{
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

std::vector<int16_t> readSamples(const std::string &path)
{
    return samplesOf(readFile(path));
}

std::vector<int16_t> decodeMpegInOrder(const std::vector<std::string> &paths)
{
    std::vector<int16_t> samples;
    for (const std::string &path : paths) {
        const std::vector<int16_t> one = samplesOf(decodeMpeg(path));
        samples.insert(samples.end(), one.begin(), one.end());
    }
    return samples;
}

} // namespace AudioFixtures
