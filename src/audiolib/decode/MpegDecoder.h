#pragma once

#include "decode/Decoder.h"

#include <memory>

struct mpg123_handle_struct;

namespace sonaroaudio {

// MPEG audio layers I-III through libmpg123's feed interface: the decoder
// never blocks inside the library, and a seek learns from the library which
// file offset it needs, so it can refuse places that have not arrived.
class MpegDecoder : public Decoder {
public:
    MpegDecoder(Download &download, const std::atomic<bool> &interrupt);
    ~MpegDecoder() override;

    bool open() override;
    bool seek(uint64_t frame) override;
    void downloadEnded() override;

    // Frames in a complete MPEG file held by the store (scans every frame header).
    static int64_t scanLength(const class ByteStore &store);

protected:
    bool decodeMore(std::vector<uint8_t> &out) override;

private:
    bool feed();
    void refreshLength();

    // Decoding thread only.
    mpg123_handle_struct *handle_ = nullptr;
    std::vector<uint8_t> feedBuffer_;
    uint64_t feedOffset_ = 0;   // next file byte to hand to the library
    bool inputEnded_ = false;   // the whole file went in
};

} // namespace sonaroaudio
