#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct soxr;

namespace sonaroaudio {

// Band-limited conversion of interleaved 16-bit PCM from one rate to
// another, streaming. Output is time-aligned with the input: output frame k
// stands for input time k / outRate, and flush() returns the filter's tail,
// so no frame is shifted or lost. One thread at a time.
class Resampler {
public:
    Resampler(uint32_t inRate, uint32_t outRate, uint32_t channels);
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    bool ok() const { return soxr_ != nullptr; }
    uint32_t inRate() const { return inRate_; }
    uint32_t outRate() const { return outRate_; }

    // Appends the output for frames input frames to out.
    void process(const int16_t *in, size_t frames, std::vector<int16_t> &out);
    // End of input: appends everything still inside the filter.
    void flush(std::vector<int16_t> &out);
    // Forgets all input, for a fresh signal.
    void clear();

private:
    void run(const int16_t *in, size_t frames, std::vector<int16_t> &out);

    const uint32_t inRate_;
    const uint32_t outRate_;
    const uint32_t channels_;
    soxr *soxr_ = nullptr;
};

} // namespace sonaroaudio
