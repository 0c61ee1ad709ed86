#include "decode/MpegSniffer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace Sniffer = sonaroaudio::MpegSniffer;

namespace {

// Frames with valid headers and zero payload.
std::vector<uint8_t> frames(const uint8_t header[4], int count, size_t lead = 0)
{
    std::vector<uint8_t> out(lead, 0x20);
    const size_t len = Sniffer::frameLength(header);
    for (int i = 0; i < count; ++i) {
        out.insert(out.end(), header, header + 4);
        out.insert(out.end(), len - 4, 0);
    }
    return out;
}

constexpr uint8_t kMpeg1L3_128[4] = {0xFF, 0xFB, 0x90, 0x00};   // 44.1 kHz, 128 kbit/s
constexpr uint8_t kMpeg1L3_128p[4] = {0xFF, 0xFB, 0x92, 0x00};  // padded
constexpr uint8_t kMpeg2L3_64[4] = {0xFF, 0xF3, 0x84, 0x00};    // 24 kHz, 64 kbit/s
constexpr uint8_t kMpeg1L1_384[4] = {0xFF, 0xFF, 0xC0, 0x00};   // layer I, 44.1 kHz, 384 kbit/s
constexpr uint8_t kMpeg1L2_192[4] = {0xFF, 0xFD, 0xA4, 0x00};   // layer II, 48 kHz, 192 kbit/s

} // namespace

TEST(AudiolibMpegSniffer, FrameLengthsOfEachLayerAndVersion)
{
    EXPECT_EQ(Sniffer::frameLength(kMpeg1L3_128), 417u);
    EXPECT_EQ(Sniffer::frameLength(kMpeg1L3_128p), 418u);
    EXPECT_EQ(Sniffer::frameLength(kMpeg2L3_64), 192u);
    EXPECT_EQ(Sniffer::frameLength(kMpeg1L1_384), 416u);
    EXPECT_EQ(Sniffer::frameLength(kMpeg1L2_192), 576u);
    const uint8_t freeFormat[4] = {0xFF, 0xFB, 0x00, 0x00};
    const uint8_t badRate[4] = {0xFF, 0xFB, 0x9C, 0x00};
    const uint8_t reservedVersion[4] = {0xFF, 0xEB, 0x90, 0x00};
    const uint8_t noSync[4] = {0xFF, 0x7B, 0x90, 0x00};
    for (const uint8_t *h : {freeFormat, badRate, reservedVersion, noSync})
        EXPECT_EQ(Sniffer::frameLength(h), 0u);
}

TEST(AudiolibMpegSniffer, RecognisesChainsAndRefusesOtherData)
{
    using V = Sniffer::Verdict;
    auto sniff = [](const std::vector<uint8_t> &d, bool atEnd) { return Sniffer::sniff(d.data(), d.size(), atEnd); };
    EXPECT_EQ(sniff(frames(kMpeg1L3_128, 6), false), V::Yes);
    EXPECT_EQ(sniff(frames(kMpeg2L3_64, 6, 300), false), V::Yes);
    EXPECT_EQ(sniff(frames(kMpeg1L1_384, 5), false), V::Yes);
    // Too little yet: wait for more; at the end of a tiny file, two frames will do.
    EXPECT_EQ(sniff(frames(kMpeg1L3_128, 2), false), V::NeedMore);
    EXPECT_EQ(sniff(frames(kMpeg1L3_128, 2), true), V::Yes);
    EXPECT_EQ(sniff(frames(kMpeg1L3_128, 1), true), V::No);

    // A chain whose frames change layer is no chain.
    auto mixed = frames(kMpeg1L3_128, 2);
    const auto other = frames(kMpeg1L2_192, 4);
    mixed.insert(mixed.end(), other.begin(), other.end());
    EXPECT_EQ(sniff(std::vector<uint8_t>(mixed.begin(), mixed.begin() + 417 * 2 + 4), true), V::No);

    const std::string html = "<!DOCTYPE html><html><body>" + std::string(70000, 'a') + "</body></html>";
    EXPECT_EQ(sniff(std::vector<uint8_t>(html.begin(), html.end()), false), V::No);
    std::mt19937 rng(42);
    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> noise(Sniffer::kSearchLimit + 100);
        for (auto &b : noise)
            b = uint8_t(rng());
        // Never taken for audio (a false start near the limit may still ask for more).
        EXPECT_NE(sniff(noise, false), V::Yes) << "round " << round;
        EXPECT_EQ(sniff(noise, true), V::No) << "round " << round;
    }
    // Audio that starts late, after junk, within the search limit.
    EXPECT_EQ(sniff(frames(kMpeg1L3_128, 5, 20000), false), V::Yes);
}

TEST(AudiolibMpegSniffer, Id3v2SizeIncludesHeaderAndFooter)
{
    const uint8_t plain[10] = {'I', 'D', '3', 3, 0, 0x00, 0, 0, 0x02, 0x01}; // 257-byte body
    EXPECT_EQ(Sniffer::id3v2Size(plain, 10), 267u);
    const uint8_t footer[10] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0x02, 0x01};
    EXPECT_EQ(Sniffer::id3v2Size(footer, 10), 277u);
    const uint8_t notSynchsafe[10] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x80, 0x01};
    EXPECT_EQ(Sniffer::id3v2Size(notSynchsafe, 10), 0u);
    EXPECT_EQ(Sniffer::id3v2Size(plain, 9), 0u);
    const uint8_t none[10] = {'T', 'A', 'G', 3, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(Sniffer::id3v2Size(none, 10), 0u);
}
