#include "SpscRing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

TEST(AudiolibSpscRing, WrapsAndNeverOverwrites)
{
    SpscRing ring(10); // rounds up to 16
    EXPECT_EQ(ring.capacity(), 16u);
    const uint8_t in[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    EXPECT_EQ(ring.write(in, 12), 12u);           // "1..12____"
    uint8_t out[20] = {};
    EXPECT_EQ(ring.read(out, 10), 10u);           // "__11,12__"
    EXPECT_EQ(out[9], 10);
    EXPECT_EQ(ring.write(in + 12, 8), 8u);        // wraps: 11..20
    EXPECT_EQ(ring.available(), 10u);
    EXPECT_EQ(ring.write(in, 20), 6u);            // only the free room is taken
    EXPECT_EQ(ring.space(), 0u);
    EXPECT_EQ(ring.read(out, 20), 16u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(out[i], 11 + i);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(out[10 + i], 1 + i);
    EXPECT_EQ(ring.read(out, 1), 0u);
    ring.write(in, 3);
    ring.reset();
    EXPECT_EQ(ring.available(), 0u);
}

TEST(AudiolibSpscRing, ResizeEmptiesAndRefusesAbsurdSizes)
{
    SpscRing ring;
    EXPECT_EQ(ring.capacity(), 0u);
    const uint8_t in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t out[8] = {};
    EXPECT_EQ(ring.write(in, 8), 0u);
    EXPECT_EQ(ring.read(out, 8), 0u);

    ASSERT_TRUE(ring.resize(5));
    EXPECT_EQ(ring.capacity(), 8u);
    EXPECT_EQ(ring.write(in, 8), 8u); // fills to the last byte
    EXPECT_EQ(ring.space(), 0u);
    ASSERT_TRUE(ring.resize(8));      // same size: emptied all the same
    EXPECT_EQ(ring.available(), 0u);
    EXPECT_EQ(ring.write(in, 3), 3u);

    EXPECT_FALSE(ring.resize(SIZE_MAX));
    EXPECT_EQ(ring.capacity(), 8u);   // old storage kept, emptied
    EXPECT_EQ(ring.available(), 0u);
    EXPECT_EQ(ring.write(in, 8), 8u);
    EXPECT_EQ(ring.read(out, 8), 8u);
    EXPECT_EQ(out[7], 8);
}

// One producer and one consumer at full speed across many wraps: every byte
// arrives once, in order.
TEST(AudiolibSpscRing, ConcurrentSidesKeepOrder)
{
    SpscRing ring(64);
    constexpr size_t kTotal = 1 << 20;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto late = [&] { return std::chrono::steady_clock::now() > deadline; };
    std::thread producer([&] {
        std::vector<uint8_t> block(37);
        size_t sent = 0;
        while (sent < kTotal) {
            const size_t n = std::min(block.size(), kTotal - sent);
            for (size_t i = 0; i < n; ++i)
                block[i] = uint8_t((sent + i) * 7);
            size_t done = 0;
            while (done < n && !late())
                done += ring.write(block.data() + done, n - done);
            if (done < n)
                return;
            sent += n;
        }
    });
    std::vector<uint8_t> block(53);
    size_t got = 0;
    size_t wrong = 0;
    while (got < kTotal && !late()) {
        const size_t n = ring.read(block.data(), block.size());
        for (size_t i = 0; i < n; ++i)
            wrong += block[i] != uint8_t((got + i) * 7);
        got += n;
    }
    producer.join();
    EXPECT_EQ(got, kTotal);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(ring.available(), 0u);
}
