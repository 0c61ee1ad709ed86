#include "input/ByteStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

using sonaroaudio::ByteStore;

namespace {

std::vector<uint8_t> sequence(size_t n, size_t start = 0)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t((start + i) * 7 + (start + i) / 251);
    return v;
}

constexpr size_t kChunk = 256 * 1024;

} // namespace

TEST(AudiolibByteStore, ReadsAcrossChunksAndStopsAtWhatArrived)
{
    ByteStore store(64u << 20, 1u << 20);
    const auto data = sequence(kChunk * 2 + 1000);
    // Odd pieces so appends straddle chunk borders.
    for (size_t at = 0; at < data.size(); at += 77777)
        store.append(data.data() + at, std::min<size_t>(77777, data.size() - at));
    EXPECT_EQ(store.received(), data.size());

    std::vector<uint8_t> out(5000);
    auto span = store.read(kChunk - 2500, out.data(), out.size(), false);
    EXPECT_EQ(span.at, kChunk - 2500);
    ASSERT_EQ(span.count, out.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin() + long(kChunk) - 2500));

    span = store.read(data.size() - 10, out.data(), out.size(), false);
    EXPECT_EQ(span.count, 10u);
    span = store.read(data.size() + 5, out.data(), out.size(), false);
    EXPECT_EQ(span.count, 0u);
    EXPECT_FALSE(store.windowed());
    EXPECT_EQ(store.firstKept(), 0u);
}

TEST(AudiolibByteStore, WindowAndCapBoundWhatIsKept)
{
    // Window mode from the start: old chunks go, a read of a dropped place moves on.
    ByteStore radio(64u << 20, kChunk * 2);
    radio.keepWindowOnly();
    const auto data = sequence(kChunk * 10);
    radio.append(data.data(), data.size());
    EXPECT_LE(radio.keptBytes(), kChunk * 3);
    EXPECT_GT(radio.firstKept(), 0u);
    std::vector<uint8_t> out(100);
    const auto span = radio.read(0, out.data(), out.size(), false);
    EXPECT_EQ(span.at, radio.firstKept());
    ASSERT_EQ(span.count, 100u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin() + long(span.at)));

    // Whole-file mode turns into window mode past the memory cap.
    ByteStore file(kChunk * 4, kChunk * 2);
    for (int i = 0; i < 3; ++i)
        file.append(data.data(), kChunk);
    EXPECT_FALSE(file.windowed());
    EXPECT_EQ(file.firstKept(), 0u);
    for (int i = 0; i < 10; ++i)
        file.append(data.data(), kChunk);
    EXPECT_TRUE(file.windowed());
    EXPECT_LE(file.keptBytes(), kChunk * 3);
    EXPECT_EQ(file.received(), kChunk * 13);
}

TEST(AudiolibByteStore, ReadersWaitForDataEndOrInterrupt)
{
    ByteStore store(64u << 20, 1u << 20);
    const auto data = sequence(100);
    std::atomic<size_t> got{999};
    std::thread reader([&] {
        std::vector<uint8_t> out(100);
        got.store(store.read(0, out.data(), out.size(), true).count);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(got.load(), 999u) << "read returned before any data";
    store.append(data.data(), 40);
    reader.join();
    EXPECT_EQ(got.load(), 40u);

    std::atomic<bool> interrupt{false};
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        std::vector<uint8_t> out(10);
        store.read(40, out.data(), out.size(), true, &interrupt);
        done.store(true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    interrupt.store(true);
    store.wakeAll();
    waiter.join();
    EXPECT_TRUE(done.load());

    std::thread ender([&] {
        std::vector<uint8_t> out(10);
        got.store(store.read(40, out.data(), out.size(), true).count);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    store.finish(false);
    ender.join();
    EXPECT_EQ(got.load(), 0u);
    EXPECT_TRUE(store.finished());
    EXPECT_FALSE(store.complete());
}
