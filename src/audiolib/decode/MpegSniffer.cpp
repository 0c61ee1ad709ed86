#include "decode/MpegSniffer.h"

#include "Id3v2Size.h"

namespace sonaroaudio::MpegSniffer {

namespace {

// kbit/s by [version is MPEG-1][layer index 1..3][bitrate index]
constexpr int kBitrates[2][4][16] = {
    { // MPEG-2 / 2.5
        {},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},    // layer III
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},    // layer II
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}, // layer I
    },
    { // MPEG-1
        {},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    },
};
constexpr int kRates[3] = {44100, 48000, 32000};

// Version, layer and rate bits: equal in every frame of one stream.
uint32_t streamKey(const uint8_t *h)
{
    return (uint32_t(h[1]) & 0x1E) << 8 | (h[2] & 0x0C);
}

} // namespace

size_t id3v2Size(const uint8_t *data, size_t size)
{
    // A size byte with its top bit set is no syncsafe size: no tag.
    if (size < 10 || ((data[6] | data[7] | data[8] | data[9]) & 0x80))
        return 0;
    return id3v2BlockLength(data);
}

size_t frameLength(const uint8_t *h)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return 0;
    const int versionBits = (h[1] >> 3) & 3; // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const int layerBits = (h[1] >> 1) & 3;   // 1: III, 2: II, 3: I
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    const bool mpeg1 = versionBits == 3;
    int rate = kRates[rateIndex];
    if (versionBits == 2)
        rate /= 2;
    else if (versionBits == 0)
        rate /= 4;
    const int kbps = kBitrates[mpeg1][layerBits][bitrateIndex];
    const int padding = (h[2] >> 1) & 1;
    if (layerBits == 3)
        return size_t((12 * kbps * 1000 / rate + padding) * 4);
    const int perSlot = (layerBits == 1 && !mpeg1) ? 72 : 144;
    return size_t(perSlot * kbps * 1000 / rate + padding);
}

Verdict sniff(const uint8_t *data, size_t size, bool atEnd)
{
    const size_t limit = size < kSearchLimit ? size : kSearchLimit;
    bool undecided = false;
    for (size_t start = 0; start + 4 <= limit; ++start) {
        if (data[start] != 0xFF)
            continue;
        size_t pos = start;
        int chained = 0;
        const uint32_t key = streamKey(data + start);
        while (chained < kChain) {
            if (pos + 4 > size) {
                // The chain so far holds; a file that ends here is judged on it.
                if (atEnd && chained >= 2)
                    return Verdict::Yes;
                if (!atEnd)
                    undecided = true;
                break;
            }
            const size_t len = frameLength(data + pos);
            if (len == 0 || streamKey(data + pos) != key)
                break;
            ++chained;
            pos += len;
        }
        if (chained == kChain)
            return Verdict::Yes;
        if (undecided)
            return Verdict::NeedMore;
    }
    if (!atEnd && size < kSearchLimit)
        return Verdict::NeedMore;
    return Verdict::No;
}

} // namespace sonaroaudio::MpegSniffer
