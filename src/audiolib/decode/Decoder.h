#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sonaroaudio {

class Download;

// Turns the bytes of a Download into 16-bit PCM. Used by one thread at a
// time (the caller holds its stream's decode lock); the few members other
// threads read are atomics.
class Decoder {
public:
    struct Format {
        uint32_t rate = 0;
        uint32_t channels = 0;
        uint32_t ctype = 0;    // AUDIO_CTYPE_*
        uint32_t origres = 0;  // bits of the source, 0 for compressed formats
    };

    // interrupt: when set (and the store woken), a read waiting for data returns early.
    Decoder(Download &download, const std::atomic<bool> &interrupt)
        : download_(download), interrupt_(interrupt) {}
    virtual ~Decoder() = default;
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Reads the format and decodes the first block; false when the data is
    // no audio this decoder understands.
    virtual bool open() = 0;
    // Copies up to size bytes of PCM; fewer only at the end or when interrupted.
    size_t read(uint8_t *out, size_t size);
    // True when the last read stopped because of the interrupt flag.
    bool interrupted() const { return interrupted_; }
    // Moves to a sample frame; false when it lies beyond what has arrived.
    virtual bool seek(uint64_t frame) = 0;
    // Frames in the whole stream, -1 when unknown. Any thread.
    int64_t lengthFrames() const
    {
        const int64_t exact = exactLength_.load();
        return exact >= 0 ? exact : length_.load();
    }
    // Bytes of the file handed to the decoding library so far. Any thread.
    uint64_t fileOffset() const { return fileOffset_.load(); }
    // The download has ended (download thread): a chance to learn the exact length.
    virtual void downloadEnded() {}
    // "NAME=value" comments of the file.
    virtual std::vector<std::string> comments() const { return {}; }

    const Format &format() const { return format_; }

protected:
    // Appends the next decoded block to out; false at the end.
    virtual bool decodeMore(std::vector<uint8_t> &out) = 0;
    void dropPending() { pending_.clear(); pendingPos_ = 0; }
    bool interruptRequested() const { return interrupt_.load(); }

    Download &download_;
    const std::atomic<bool> &interrupt_;
    Format format_;
    std::atomic<int64_t> length_{-1};      // frames as the decoder estimates them; written by the decoding thread
    std::atomic<int64_t> exactLength_{-1}; // frames counted in the complete file; written by the download thread
    std::atomic<uint64_t> fileOffset_{0};  // written by the decoding thread
    std::vector<uint8_t> pending_;         // decoded but not yet handed out
    size_t pendingPos_ = 0;
    bool interrupted_ = false;
};

} // namespace sonaroaudio
