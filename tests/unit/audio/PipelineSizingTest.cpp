#include "SpscRing.h"
#include "PipelineSizing.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>

using namespace PipelineSizing;

TEST(PipelineSizing, CdQualityKeepsTheInitialRing)
{
    EXPECT_EQ(chunkBytes(44100, 2, 16), 35280u);
    EXPECT_EQ(blockBytes(44100, 2, 16), 4608u);
    EXPECT_EQ(ringBytesFor(kInitialRingBytes, chunkBytes(44100, 2, 16)), 88200u);
}

TEST(PipelineSizing, LowRateMonoReplacesTheRing)
{
    EXPECT_EQ(chunkBytes(22050, 1, 8), 4410u);
    EXPECT_EQ(blockBytes(22050, 1, 8), 576u);
    EXPECT_EQ(ringBytesFor(kInitialRingBytes, chunkBytes(22050, 1, 8)), 13230u);
}

TEST(PipelineSizing, RingBoundsAreInclusive)
{
    EXPECT_EQ(ringBytesFor(200, 100), 200u);
    EXPECT_EQ(ringBytesFor(400, 100), 400u);
    EXPECT_EQ(ringBytesFor(199, 100), 300u);
    EXPECT_EQ(ringBytesFor(401, 100), 300u);
    EXPECT_EQ(chunkBytes(48000, 1, 16), 19200u);
    EXPECT_EQ(blockBytes(22050, 2, 16), 2304u);
    EXPECT_EQ(blockBytes(22051, 1, 8), 1152u);
}

// The engine's pipeline ring is the shared one: it fills to the last byte,
// wraps, and empties on reset and resize; the pipeline keeps its own bound.
TEST(PipelineRing, WrapsAndFillsToTheLastByte)
{
    SpscRing ring(8);
    std::array<std::uint8_t, 16> in{};
    std::iota(in.begin(), in.end(), 1);
    std::array<std::uint8_t, 16> out{};

    EXPECT_EQ(ring.available(), 0u);
    EXPECT_EQ(ring.space(), 8u);
    EXPECT_EQ(ring.write(in.data(), 10), 8u);
    EXPECT_EQ(ring.space(), 0u);
    EXPECT_EQ(ring.read(out.data(), 5), 5u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[4], 5);
    EXPECT_EQ(ring.write(in.data() + 8, 4), 4u); // wraps
    EXPECT_EQ(ring.available(), 7u);
    EXPECT_EQ(ring.read(out.data(), 16), 7u);
    const std::array<std::uint8_t, 7> expect{6, 7, 8, 9, 10, 11, 12};
    EXPECT_TRUE(std::equal(expect.begin(), expect.end(), out.begin()));
    EXPECT_EQ(ring.read(out.data(), 4), 0u);
}

TEST(PipelineRing, ResetAndResizeEmptyIt)
{
    SpscRing ring(16);
    std::array<std::uint8_t, 8> in{};
    ring.write(in.data(), 8);
    ring.reset();
    EXPECT_EQ(ring.available(), 0u);
    EXPECT_EQ(ring.space(), 16u);
    ring.write(in.data(), 8);
    ASSERT_TRUE(ring.resize(26460)); // the pipeline's sizes are no powers of two
    EXPECT_EQ(ring.capacity(), 32768u);
    EXPECT_EQ(ring.available(), 0u);
    SpscRing empty;
    EXPECT_EQ(empty.write(in.data(), 8), 0u);
    EXPECT_EQ(empty.read(in.data(), 8), 0u);
}
