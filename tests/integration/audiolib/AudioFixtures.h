#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Test material made on the spot: generated PCM, files encoded from it with
// the command-line encoders, and reference decodes straight through the
// decoding libraries.
namespace AudioFixtures {

// Noise with a slow tone under it: every sample differs from its neighbours.
std::vector<int16_t> makePcm(size_t frames, unsigned channels, unsigned seed);
std::string tempDir();
void writeWav(const std::string &path, const std::vector<int16_t> &pcm, int rate, int channels);
std::string readFile(const std::string &path);
// Runs a shell command; true on exit status 0.
bool run(const std::string &command);

// Whole file through libmpg123 with its default settings, 16-bit output.
std::vector<uint8_t> decodeMpeg(const std::string &path, long *rate = nullptr, int *channels = nullptr);
// Files through libmpg123 one after the other, as 16-bit samples: what a
// player without gaps between them must give.
std::vector<int16_t> decodeMpegInOrder(const std::vector<std::string> &paths);
// 16-bit samples of raw bytes (as SDL's disk driver writes them, or a decode).
std::vector<int16_t> samplesOf(const std::string &raw);
std::vector<int16_t> samplesOf(const std::vector<uint8_t> &bytes);
// The whole file as 16-bit samples.
std::vector<int16_t> readSamples(const std::string &path);
// Whole file through libsndfile as 16-bit.
std::vector<uint8_t> decodeSndfile(const std::string &path);

// A set of encoded files from one PCM signal, made once per process.
struct Files {
    std::string dir;
    std::vector<int16_t> pcm; // 44100 Hz stereo
    std::string wav, cbr, vbr, ogg, mono22; // paths
};
const Files &files();

} // namespace AudioFixtures
