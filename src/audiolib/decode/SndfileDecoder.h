#pragma once

#include "decode/Decoder.h"

struct sf_private_tag;

namespace sonaroaudio {

// WAV, AIFF and Ogg Vorbis through libsndfile's virtual I/O over the
// arriving file. Reads block inside the library while data is on its way.
class SndfileDecoder : public Decoder {
public:
    SndfileDecoder(Download &download, const std::atomic<bool> &interrupt);
    ~SndfileDecoder() override;

    bool open() override;
    bool seek(uint64_t frame) override;
    std::vector<std::string> comments() const override { return comments_; }

    // Virtual I/O (public for the C callbacks).
    int64_t ioLength();
    int64_t ioSeek(int64_t offset, int whence);
    int64_t ioRead(void *dst, int64_t count);
    int64_t ioTell() const { return position_; }

protected:
    bool decodeMore(std::vector<uint8_t> &out) override;

private:
    // Decoding thread only (the library calls the I/O functions on it).
    sf_private_tag *file_ = nullptr;
    int64_t position_ = 0;          // file offset of the next read
    std::vector<int16_t> block_;
    std::vector<std::string> comments_;
};

} // namespace sonaroaudio
