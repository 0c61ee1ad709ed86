#include "decode/Resampler.h"

#include <soxr.h>

namespace sonaroaudio {

Resampler::Resampler(uint32_t inRate, uint32_t outRate, uint32_t channels)
    : inRate_(inRate), outRate_(outRate), channels_(channels)
{
    // Without dither a 16-bit result stays a pure function of the input.
    soxr_io_spec_t formats = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    formats.flags |= SOXR_NO_DITHER;
    // 20 bits: images and aliases end far below what 16-bit output can show.
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(double(inRate), double(outRate), channels, &error, &formats, &quality, &runtime);
    if (error != nullptr && soxr_ != nullptr) {
        soxr_delete(soxr_);
        soxr_ = nullptr;
    }
}

Resampler::~Resampler()
{
    if (soxr_ != nullptr)
        soxr_delete(soxr_);
}

void Resampler::run(const int16_t *in, size_t frames, std::vector<int16_t> &out)
{
    if (soxr_ == nullptr)
        return;
    // Room for this block's share plus what the filter may still hold.
    size_t room = size_t(uint64_t(frames) * outRate_ / inRate_) + 64;
    for (;;) {
        const size_t at = out.size();
        out.resize(at + room * channels_);
        size_t used = 0;
        size_t made = 0;
        soxr_process(soxr_, in, frames, &used, out.data() + at, room, &made);
        out.resize(at + made * channels_);
        if (in != nullptr) {
            in += used * channels_;
            frames -= used;
        }
        // Input left over or a full buffer: more output may be waiting.
        if (made < room && (in == nullptr || frames == 0))
            return;
        if (made == 0 && used == 0)
            return;
    }
}

void Resampler::process(const int16_t *in, size_t frames, std::vector<int16_t> &out)
{
    if (frames > 0)
        run(in, frames, out);
}

void Resampler::flush(std::vector<int16_t> &out) { run(nullptr, 0, out); }

void Resampler::clear()
{
    if (soxr_ != nullptr)
        soxr_clear(soxr_);
}

} // namespace sonaroaudio
