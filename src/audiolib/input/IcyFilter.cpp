#include "input/IcyFilter.h"

#include <algorithm>

namespace sonaroaudio {

IcyFilter::IcyFilter(size_t interval, AudioSink audio, MetaSink meta)
    : interval_(interval), audio_(std::move(audio)), meta_(std::move(meta)), left_(interval)
{
}

void IcyFilter::feed(const uint8_t *data, size_t size)
{
    while (size > 0) {
        switch (state_) {
        case State::Audio: {
            const size_t n = std::min(size, left_);
            audio_(data, n);
            data += n;
            size -= n;
            left_ -= n;
            if (left_ == 0)
                state_ = State::Length;
            break;
        }
        case State::Length:
            left_ = size_t(*data) * 16;
            ++data;
            --size;
            block_.clear();
            if (left_ == 0) {
                state_ = State::Audio;
                left_ = interval_;
            } else {
                state_ = State::Meta;
            }
            break;
        case State::Meta: {
            const size_t n = std::min(size, left_);
            block_.append(reinterpret_cast<const char *>(data), n);
            data += n;
            size -= n;
            left_ -= n;
            if (left_ == 0) {
                block_.resize(std::min(block_.find('\0'), block_.size()));
                if (!block_.empty())
                    meta_(block_);
                state_ = State::Audio;
                left_ = interval_;
            }
            break;
        }
        }
    }
}

} // namespace sonaroaudio
