// The pipeline against a scripted source: the test plays the mixing thread
// and calls the data callback itself, so every byte can be checked.
#include "OutputPipeline.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr AUDIO_HANDLE kSource = 7;
constexpr AUDIO_HANDLE kNext = 8; // a follower of the same format
constexpr AUDIO_HANDLE kOutput = 9;

// Scripted library state, shared by the static fake calls.
struct FakeLibrary
{
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t total = 0;      // bytes the source holds
    std::uint64_t position = 0;   // next byte the source hands out
    bool blockReads = false;      // reads wait until the source is stopped
    std::uint64_t nextTotal = 0;  // the follower's bytes
    std::uint64_t nextPosition = 0;
    bool holdDelivery = false;    // a read takes its bytes, then waits to return them
    int heldReads = 0;            // reads waiting in holdDelivery
    int reads = 0;                // calls made
    bool stopped = false;
    std::atomic<int> created{0};
    std::atomic<int> freed{0};
    std::atomic<std::uint32_t> outputState{AUDIO_ACTIVE_PLAYING};
    AUDIO_STREAMPROC *proc = nullptr;
    void *user = nullptr;
    std::uint32_t createdFlags = 0;
    bool refuseStream = false;
    int failWith = AUDIO_OK;      // at the end of total: the download failed with this
    std::atomic<int> lastError{AUDIO_OK};
};
FakeLibrary *fake = nullptr;

std::uint8_t patternByte(std::uint64_t index)
{
    return static_cast<std::uint8_t>((index * 7 + index / 251) & 0xFF);
}

// The follower's bytes differ from the source's at every index.
std::uint8_t nextByte(std::uint64_t index)
{
    return static_cast<std::uint8_t>(patternByte(index) ^ 0xA5);
}

std::uint32_t fakeGetData(AUDIO_HANDLE handle, void *buffer, std::uint32_t length)
{
    EXPECT_TRUE(handle == kSource || handle == kNext);
    std::unique_lock<std::mutex> lock(fake->mutex);
    ++fake->reads;
    fake->changed.wait(lock, [] { return !fake->blockReads || fake->stopped; });
    if (fake->stopped)
        return static_cast<std::uint32_t>(-1);
    const bool next = handle == kNext;
    std::uint64_t &position = next ? fake->nextPosition : fake->position;
    const std::uint64_t total = next ? fake->nextTotal : fake->total;
    const std::uint64_t n = std::min<std::uint64_t>(length, total - position);
    const int failWith = next ? AUDIO_OK : fake->failWith;
    fake->lastError.store(n < length ? (failWith != AUDIO_OK ? failWith : AUDIO_ERROR_ENDED) : AUDIO_OK);
    if (n == 0 && failWith != AUDIO_OK)
        return static_cast<std::uint32_t>(-1);
    auto *out = static_cast<std::uint8_t *>(buffer);
    for (std::uint64_t i = 0; i < n; ++i)
        out[i] = next ? nextByte(position + i) : patternByte(position + i);
    position += n;
    if (fake->holdDelivery) {
        ++fake->heldReads;
        fake->changed.notify_all();
        fake->changed.wait(lock, [] { return !fake->holdDelivery || fake->stopped; });
        --fake->heldReads;
    }
    return static_cast<std::uint32_t>(n);
}

AUDIO_HANDLE fakeStreamCreate(std::uint32_t, std::uint32_t, std::uint32_t flags, AUDIO_STREAMPROC *proc, void *user)
{
    if (fake->refuseStream)
        return 0;
    fake->proc = proc;
    fake->user = user;
    fake->createdFlags = flags;
    ++fake->created;
    return kOutput;
}

int fakeErrorGetCode()
{
    return fake->lastError.load();
}

int fakeStreamFree(AUDIO_HANDLE handle)
{
    EXPECT_EQ(handle, kOutput);
    ++fake->freed;
    return 1;
}

std::uint32_t fakeIsActive(AUDIO_HANDLE)
{
    return fake->outputState.load();
}

int fakeStop(AUDIO_HANDLE handle)
{
    if (handle == kSource) {
        std::lock_guard<std::mutex> lock(fake->mutex);
        fake->stopped = true;
        fake->changed.notify_all();
    }
    return 1;
}

class OutputPipelineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake = &library;
        api.ChannelGetData = &fakeGetData;
        api.StreamCreate = &fakeStreamCreate;
        api.StreamFree = &fakeStreamFree;
        api.ChannelIsActive = &fakeIsActive;
        api.ChannelStop = &fakeStop;
        api.ErrorGetCode = &fakeErrorGetCode;
    }
    void TearDown() override { fake = nullptr; }

    std::uint32_t pull(std::vector<std::uint8_t> &out, std::uint32_t n)
    {
        std::vector<std::uint8_t> buffer(n);
        const std::uint32_t result = library.proc(kOutput, buffer.data(), n, library.user);
        const std::uint32_t bytes = result & ~AUDIO_STREAMPROC_END;
        out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
        return result;
    }

    // Once playing again, the output's next 4096 bytes are the source's from start on.
    void expectPlaysOnFrom(std::uint64_t start)
    {
        library.outputState = AUDIO_ACTIVE_PLAYING;
        std::vector<std::uint8_t> played;
        ASSERT_EQ(pull(played, 4096), 4096u);
        for (std::size_t i = 0; i < played.size(); ++i)
            ASSERT_EQ(played[i], patternByte(start + i)) << "at byte " << i;
    }

    // A long 44.1 kHz stereo source opened and primed; returns once the ring
    // is topped up and the worker idle (the first 4096 bytes played may have
    // been taken before its round ended).
    void openToppedUp(OutputPipeline &pipeline, std::vector<std::uint8_t> &played)
    {
        library.total = 10'000'000;
        ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
        pull(played, 4096);
        waitUntil([&] { return pipeline.BufferedBytes() + 4608 + 4096 >= 88200u; });
        ASSERT_GE(pipeline.BufferedBytes() + 4608 + 4096, 88200u);
    }

    static void waitUntil(const std::function<bool()> &done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void setHold(bool hold)
    {
        std::lock_guard<std::mutex> lock(library.mutex);
        library.holdDelivery = hold;
        library.changed.notify_all();
    }

    int heldReads()
    {
        std::lock_guard<std::mutex> lock(library.mutex);
        return library.heldReads;
    }

    // Pulls until the output is told the data ended (or 5 s pass); true on the end.
    bool playThrough(std::vector<std::uint8_t> &out)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::uint32_t result = pull(out, 4096);
            if (result & AUDIO_STREAMPROC_END)
                return true;
            if (result < 4096)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // Where in the source (byteAt) out's bytes from at on begin, when they
    // form one unbroken run of it that ends at the source's end; -1 otherwise.
    static std::int64_t runToEnd(const std::vector<std::uint8_t> &out, std::size_t at, std::size_t length,
                                 std::uint64_t total, std::uint8_t (*byteAt)(std::uint64_t))
    {
        if (length > total || at + length > out.size())
            return -1;
        const std::uint64_t from = total - length;
        for (std::size_t i = 0; i < length; ++i)
            if (out[at + i] != byteAt(from + i))
                return -1;
        return static_cast<std::int64_t>(from);
    }

    FakeLibrary library;
    AudioApi api;
    QStringList warnings;
    OutputPipeline::WarningBox warn = [this](const QString &c, const QString &t) { warnings << c + t; };
};

} // namespace

TEST_F(OutputPipelineTest, DeliversEverySourceByteInOrderThenEnds)
{
    library.total = 200000; // about 1.1 s of CD audio, not a multiple of the block
    OutputPipeline pipeline(api, warn);
    ASSERT_TRUE(pipeline.ready());
    EXPECT_EQ(pipeline.BufferedBytes(), 0u);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    EXPECT_EQ(library.createdFlags, 0u);
    EXPECT_EQ(pipeline.ringSize(), 88200u);
    EXPECT_EQ(pipeline.chunk(), 35280u);
    EXPECT_EQ(pipeline.block(), 4608u);
    EXPECT_TRUE(pipeline.priming());

    std::vector<std::uint8_t> played;
    // The first request waits for priming: 0.4 s must be ready behind it.
    ASSERT_EQ(pull(played, 4096), 4096u);
    EXPECT_FALSE(pipeline.priming());
    EXPECT_GE(pipeline.BufferedBytes() + 4096, 2 * 35280u);

    std::uint32_t result = 0;
    int calls = 0;
    do {
        result = pull(played, 4096);
        EXPECT_LT(pipeline.BufferedBytes(), pipeline.ringSize());
        if (!(result & AUDIO_STREAMPROC_END) && (result & ~AUDIO_STREAMPROC_END) < 4096)
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // let the worker catch up
    } while (!(result & AUDIO_STREAMPROC_END) && ++calls < 100000);

    ASSERT_TRUE(result & AUDIO_STREAMPROC_END);
    EXPECT_TRUE(pipeline.endReached());
    ASSERT_EQ(played.size(), 200000u);
    for (std::size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], patternByte(i)) << "at byte " << i;
    EXPECT_EQ(pipeline.BufferedBytes(), 0u);
    pipeline.CloseOutput();
    EXPECT_EQ(library.freed.load(), 1);
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(OutputPipelineTest, LowRateMonoGetsASmallerRingAndEightBitStream)
{
    library.total = 100000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 22050, 1, 8), kOutput);
    EXPECT_EQ(library.createdFlags, AUDIO_SAMPLE_8BITS);
    EXPECT_EQ(pipeline.chunk(), 4410u);
    EXPECT_EQ(pipeline.block(), 576u);
    EXPECT_EQ(pipeline.ringSize(), 13230u);

    std::vector<std::uint8_t> played;
    pull(played, 512);
    // Filled up to what the ring holds while the output plays: at most
    // 0.6 s, never the whole ring.
    waitUntil([&] { return pipeline.BufferedBytes() + 576 >= 13230u; });
    EXPECT_LE(pipeline.BufferedBytes(), 13229u);
    EXPECT_GT(pipeline.BufferedBytes() + 576, 12000u);
}

TEST_F(OutputPipelineTest, ResetDropsWhatWasBufferedAndPrimesFromTheNewPlace)
{
    library.total = 10'000'000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    std::vector<std::uint8_t> played;
    pull(played, 4096);
    waitUntil([&] { return pipeline.BufferedBytes() > 80000; });

    // The engine stops the output, moves the source, then resets.
    library.outputState = AUDIO_ACTIVE_STOPPED;
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // worker idle: ring full
    {
        std::lock_guard<std::mutex> lock(library.mutex);
        library.position = 5'000'000;
    }
    pipeline.ResetRing();
    EXPECT_EQ(pipeline.BufferedBytes(), 0u);
    EXPECT_TRUE(pipeline.priming());
    EXPECT_FALSE(pipeline.endReached());

    expectPlaysOnFrom(5'000'000);
}

TEST_F(OutputPipelineTest, CloseWakesAWorkerWaitingForTheDownload)
{
    library.total = 10'000'000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    {
        std::lock_guard<std::mutex> lock(library.mutex);
        library.blockReads = true;
    }
    // The data callback gives up waiting for priming and reports a short copy.
    std::vector<std::uint8_t> played;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(pull(played, 4096), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(pipeline.underruns(), 1u);

    pipeline.CloseOutput();
    EXPECT_EQ(pipeline.outputChannel(), 0u);
    EXPECT_EQ(library.freed.load(), 1);
    EXPECT_TRUE(library.stopped);
}

TEST_F(OutputPipelineTest, CloseLeavesAnIdleSourceAlone)
{
    library.total = 1000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    pipeline.CloseOutput();
    EXPECT_FALSE(library.stopped);
    // Closing twice and closing a never-opened pipeline are harmless.
    pipeline.CloseOutput();
    EXPECT_EQ(library.freed.load(), 1);
}

TEST_F(OutputPipelineTest, RefusedStreamOrFormatGivesNoHandle)
{
    OutputPipeline pipeline(api, warn);
    library.refuseStream = true;
    EXPECT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), 0u);
    library.refuseStream = false;
    EXPECT_EQ(pipeline.OpenOutput(kSource, 0, 2, 16), 0u);
    EXPECT_EQ(pipeline.OpenOutput(kSource, 44100, 0, 16), 0u);
    EXPECT_EQ(library.created.load(), 0);
}

TEST_F(OutputPipelineTest, FailedDownloadWaitsInsteadOfEndingAndGoesOnWhenResumed)
{
    library.total = 50000;
    library.failWith = AUDIO_ERROR_CONNECT;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    std::vector<std::uint8_t> out;
    // Everything that arrived is played, then the output waits: no end flag.
    for (int i = 0; i < 200 && out.size() < 50000; ++i) {
        EXPECT_EQ(pull(out, 4096) & AUDIO_STREAMPROC_END, 0u);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(out.size(), 50000u);
    waitUntil([&] { return pipeline.fault() != AUDIO_OK; });
    EXPECT_EQ(pipeline.fault(), AUDIO_ERROR_CONNECT);
    EXPECT_FALSE(pipeline.endReached());
    const auto underruns = pipeline.underruns();
    EXPECT_EQ(pull(out, 4096), 0u);
    EXPECT_GT(pipeline.underruns(), underruns);

    // The download came back with the rest: the bytes follow on, then the real end.
    {
        std::lock_guard<std::mutex> lock(library.mutex);
        library.total = 120000;
        library.failWith = AUDIO_OK;
    }
    pipeline.ClearFault();
    EXPECT_EQ(pipeline.fault(), AUDIO_OK);
    std::uint32_t result = 0;
    for (int i = 0; i < 400 && !(result & AUDIO_STREAMPROC_END); ++i) {
        result = pull(out, 4096);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_NE(result & AUDIO_STREAMPROC_END, 0u);
    ASSERT_EQ(out.size(), 120000u);
    for (std::uint64_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], patternByte(i)) << "byte " << i;
    pipeline.CloseOutput();
}

TEST_F(OutputPipelineTest, TheWorkerRefillsInOneRoundOnceLessThanTwoChunksWait)
{
    OutputPipeline pipeline(api, warn);
    std::vector<std::uint8_t> played;
    ASSERT_NO_FATAL_FAILURE(openToppedUp(pipeline, played));
    const auto readsMade = [&] {
        std::lock_guard<std::mutex> lock(library.mutex);
        return library.reads;
    };
    const auto toppedUp = [&] { return pipeline.BufferedBytes() + 4608 >= 88200u; };

    // Still 0.4 s or more waiting: each call leaves the worker asleep.
    const int before = readsMade();
    while (pipeline.BufferedBytes() >= 2 * 35280u + 4096)
        ASSERT_EQ(pull(played, 4096), 4096u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(readsMade(), before);

    // The call that leaves less starts one round, which tops the ring up.
    ASSERT_EQ(pull(played, 4096), 4096u);
    waitUntil(toppedUp);
    EXPECT_TRUE(toppedUp());
    EXPECT_GT(readsMade(), before + 1);
    // Further rounds follow as it is played on, without a byte lost or repeated.
    waitUntil([&] {
        if (pull(played, 4096) < 4096)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return played.size() >= 200'000;
    });
    ASSERT_GE(played.size(), 200'000u);
    for (std::size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], patternByte(i)) << "at byte " << i;
    pipeline.CloseOutput();
}

TEST_F(OutputPipelineTest, ResetWhileTheWorkerIsMidBlockDropsThatBlock)
{
    OutputPipeline pipeline(api, warn);
    std::vector<std::uint8_t> played;
    ASSERT_NO_FATAL_FAILURE(openToppedUp(pipeline, played));

    setHold(true);
    pull(played, 24576); // under two chunks: the worker starts a round and holds its first read
    waitUntil([&] { return heldReads() == 1; });
    ASSERT_EQ(heldReads(), 1);
    // The engine stops the output, moves the source, then resets.
    library.outputState = AUDIO_ACTIVE_STOPPED;
    {
        std::lock_guard<std::mutex> lock(library.mutex);
        library.position = 5'000'000;
    }
    pipeline.ResetRing();
    EXPECT_EQ(pipeline.BufferedBytes(), 0u);
    EXPECT_TRUE(pipeline.priming());
    setHold(false); // the held block, from the old place, arrives now

    expectPlaysOnFrom(5'000'000);
}

TEST_F(OutputPipelineTest, CloseDuringAReadLetsTheWorkerGoWithoutReadingOn)
{
    library.total = 10'000'000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    setHold(true);
    // Priming wants more than one read; the first is held past the feeder's patience.
    std::vector<std::uint8_t> played;
    pull(played, 4096);
    waitUntil([&] { return heldReads() == 1; });
    ASSERT_EQ(heldReads(), 1);
    pipeline.CloseOutput(); // the source is stopped to free the read
    EXPECT_TRUE(library.stopped);
    EXPECT_EQ(library.reads, 1);
    EXPECT_EQ(heldReads(), 0);
    EXPECT_EQ(library.freed.load(), 1);
}

TEST_F(OutputPipelineTest, AQueuedChannelFollowsTheSourcesLastByte)
{
    // Queued in good time: the worker moves over at the source's short read.
    library.total = 200000;
    library.nextTotal = 60000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    EXPECT_FALSE(pipeline.QueueNext(0));
    ASSERT_TRUE(pipeline.QueueNext(kNext));
    EXPECT_FALSE(pipeline.Switched());
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(playThrough(out));
    ASSERT_EQ(out.size(), 260000u);
    EXPECT_EQ(runToEnd(out, 0, 200000, 200000, patternByte), 0);
    EXPECT_EQ(runToEnd(out, 200000, 60000, 60000, nextByte), 0);
    EXPECT_TRUE(pipeline.Switched());
    EXPECT_FALSE(pipeline.CancelNext()); // too late: it is the source now
    EXPECT_FALSE(pipeline.QueueNext(kNext)); // one switch at a time
}

TEST_F(OutputPipelineTest, AChannelQueuedAfterTheSourceRanOutStillFollowsUntilTheOutputIsTold)
{
    library.total = 50000; // less than priming wants: the end comes first
    library.nextTotal = 30000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    std::vector<std::uint8_t> out;
    pull(out, 4096);
    waitUntil([&] { return pipeline.endReached(); });
    ASSERT_TRUE(pipeline.endReached());
    ASSERT_TRUE(pipeline.QueueNext(kNext)); // the feeder has not told the output yet
    EXPECT_TRUE(pipeline.Switched());
    ASSERT_TRUE(playThrough(out));
    ASSERT_EQ(out.size(), 80000u);
    EXPECT_EQ(runToEnd(out, 0, 50000, 50000, patternByte), 0);
    EXPECT_EQ(runToEnd(out, 50000, 30000, 30000, nextByte), 0);

    // Now the output has been told: nothing can follow without a gap.
    pipeline.AdoptNext();
    EXPECT_FALSE(pipeline.QueueNext(kNext));
}

TEST_F(OutputPipelineTest, ABurstOfCommandsNeitherDeadlocksNorLosesTheLastOne)
{
    library.total = 400000;
    library.nextTotal = 100000;
    OutputPipeline pipeline(api, warn);
    ASSERT_EQ(pipeline.OpenOutput(kSource, 44100, 2, 16), kOutput);
    for (const bool queueLast : {true, false}) {
        std::atomic<bool> stop{false};
        std::thread output([&] {
            std::vector<std::uint8_t> sink;
            while (!stop.load()) {
                sink.clear();
                pull(sink, 4096);
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
        });
        for (int i = 0; i < 3000; ++i) {
            switch (i % 6) {
            case 0: pipeline.ResetRing(); break;
            case 1: pipeline.QueueNext(kNext); break;
            case 2: pipeline.CancelNext(); break;
            case 3: pipeline.Unchain(kSource); break;
            case 4: pipeline.AdoptNext(); break;
            default: std::this_thread::sleep_for(std::chrono::microseconds(50)); break;
            }
        }
        stop = true;
        output.join();

        // Back to the start of the source; the last word is whether the follower comes.
        {
            std::lock_guard<std::mutex> lock(library.mutex);
            library.position = 0;
            library.nextPosition = 0;
        }
        pipeline.Unchain(kSource);
        pipeline.ResetRing();
        if (queueLast)
            ASSERT_TRUE(pipeline.QueueNext(kNext));
        else
            pipeline.CancelNext();
        std::vector<std::uint8_t> out;
        ASSERT_TRUE(playThrough(out)) << "queueLast " << queueLast;
        // A block decoded across the reset may be missing at the start of
        // each run, but nothing else is, and nothing is doubled or stale.
        std::size_t longest = 0; // the follower's run from the back, maybe a byte or two too long
        while (queueLast && longest < out.size() && longest < 100000
               && out[out.size() - 1 - longest] == nextByte(100000 - 1 - longest))
            ++longest;
        bool whole = false;
        std::size_t sourceBytes = out.size();
        const std::size_t fewest = longest > 8 ? longest - 8 : (queueLast ? 1 : 0);
        for (std::size_t next = longest + 1; !whole && next-- > fewest;) {
            sourceBytes = out.size() - next;
            whole = runToEnd(out, 0, sourceBytes, 400000, patternByte) >= 0
                 && runToEnd(out, sourceBytes, next, 100000, nextByte) >= 0;
        }
        EXPECT_TRUE(whole) << "queueLast " << queueLast << ", " << out.size() << " bytes";
        EXPECT_GT(sourceBytes, 400000u - 2 * 36864u);
        if (queueLast)
            EXPECT_GT(out.size() - sourceBytes, 100000u - 2 * 36864u);
        else
            EXPECT_EQ(out.size(), sourceBytes);
    }
}
