#include "output/RateConverter.h"

#include "SpscRing.h"

#include <algorithm>

namespace sonaroaudio {

RateConverter::RateConverter(uint32_t inRate, uint32_t outRate, uint32_t channels, uint32_t bits)
    : resampler_(inRate, outRate, channels), channels_(channels), bits_(bits)
{
}

void RateConverter::push(const uint8_t *bytes, size_t size, bool ended)
{
    const size_t samples = size * 8 / bits_;
    const int16_t *in = reinterpret_cast<const int16_t *>(bytes);
    if (bits_ == 8) {
        widened_.resize(samples);
        for (size_t i = 0; i < samples; ++i)
            widened_[i] = int16_t((int(bytes[i]) - 128) << 8);
        in = widened_.data();
    }
    if (convertedAt_ == converted_.size()) {
        converted_.clear();
        convertedAt_ = 0;
    }
    resampler_.process(in, samples / channels_, converted_);
    if (ended) {
        resampler_.flush(converted_);
        flushed_ = true;
    }
}

bool RateConverter::drainInto(SpscRing &ring)
{
    const size_t left = converted_.size() - convertedAt_;
    if (left == 0)
        return true;
    const size_t room = ring.space() / (2 * channels_) * channels_;
    const size_t n = std::min(left, room);
    ring.write(reinterpret_cast<const uint8_t *>(converted_.data() + convertedAt_), n * 2);
    convertedAt_ += n;
    return convertedAt_ == converted_.size();
}

void RateConverter::clear()
{
    resampler_.clear();
    converted_.clear();
    convertedAt_ = 0;
    flushed_ = false;
}

} // namespace sonaroaudio
