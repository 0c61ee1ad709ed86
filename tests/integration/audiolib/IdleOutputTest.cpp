// The output stops pulling the mix while nothing plays and starts again on
// play; gaps in a playing stream are counted as underruns.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using namespace AudioFixtures;

namespace {

// This process's threads: (name, folder under /proc/self/task) each.
std::vector<std::pair<std::string, std::string>> threads()
{
    std::vector<std::pair<std::string, std::string>> out;
    DIR *dir = opendir("/proc/self/task");
    if (!dir)
        return out;
    while (dirent *e = readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        std::ifstream comm(base + "/comm");
        std::string name;
        std::getline(comm, name);
        out.emplace_back(name, base);
    }
    closedir(dir);
    return out;
}

// Voluntary context switches of this process's thread of that name.
long wakeupsOf(const std::string &name)
{
    long result = -1;
    for (const auto &[thread, base] : threads()) {
        if (thread != name)
            continue;
        std::ifstream status(base + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                result = std::stol(line.substr(std::strlen("voluntary_ctxt_switches:")));
    }
    return result;
}

// Serves data in bursts with holes: for each step, deliver (true) or hold
// back (false) what is asked until the step's time is over.
struct GappySource {
    std::vector<uint8_t> data;
    std::atomic<size_t> at{0};
    std::atomic<bool> holding{false};
    std::atomic<bool> ending{false};
    // When not negative: bytes it still gives before it holds.
    std::atomic<long> budget{-1};

    static uint32_t proc(AUDIO_HANDLE, void *buffer, uint32_t length, void *user)
    {
        auto *self = static_cast<GappySource *>(user);
        if (self->ending.load())
            return AUDIO_STREAMPROC_END;
        if (self->holding.load())
            return 0;
        const long budget = self->budget.load();
        if (budget >= 0) {
            length = uint32_t(std::min<long>(length, budget));
            self->budget.store(budget - long(length));
        }
        auto *out = static_cast<uint8_t *>(buffer);
        for (uint32_t i = 0; i < length; ++i)
            out[i] = self->data[(self->at.load() + i) % self->data.size()];
        self->at.fetch_add(length);
        return length;
    }
};

// Threads of this process whose name starts with prefix.
int threadsNamed(const std::string &prefix)
{
    int count = 0;
    for (const auto &thread : threads())
        count += thread.first.rfind(prefix, 0) == 0;
    return count;
}

} // namespace

// The system output lets its device go after a while with nothing playing
// (a paused SDL device still wakes for every buffer) and takes it again on play.
TEST(AudiolibIdleOutput, SystemDeviceClosesWhenIdleAndReopensOnPlay)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioSession session(AUDIO_DEVICE_DEFAULT);
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_TRUE(session.ok) << AUDIO_ErrorGetCode();
    // SDL names its thread from inside it, a moment after the open.
    EXPECT_TRUE(waitUntil([] { return threadsNamed("SDLAudio") == 1; }, 5000)) << threadsNamed("SDLAudio");
    ASSERT_TRUE(waitUntil([] { return threadsNamed("SDLAudio") == 0; }, 10000)) << "the idle device stays open";

    GappySource source;
    const auto pcm = makePcm(4410, 2, 5);
    source.data.assign(reinterpret_cast<const uint8_t *>(pcm.data()),
                       reinterpret_cast<const uint8_t *>(pcm.data() + pcm.size()));
    const AUDIO_HANDLE h = AUDIO_StreamCreate(44100, 2, 0, &GappySource::proc, &source);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    // SDL names its thread from inside it, a moment after the open.
    EXPECT_TRUE(waitUntil([] { return threadsNamed("SDLAudio") == 1; }, 5000)) << threadsNamed("SDLAudio");
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > 44100 * 4 / 2; }, 5000));
    AUDIO_INFO info{};
    ASSERT_TRUE(AUDIO_GetInfo(&info));
    EXPECT_GT(info.latency_ms, 0u);

    // Paused for a moment: the device stays; stopped for long: it goes again.
    ASSERT_TRUE(AUDIO_ChannelPause(h));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // SDL names its thread from inside it, a moment after the open.
    EXPECT_TRUE(waitUntil([] { return threadsNamed("SDLAudio") == 1; }, 5000)) << threadsNamed("SDLAudio");
    ASSERT_TRUE(waitUntil([] { return threadsNamed("SDLAudio") == 0; }, 10000));
    const uint64_t pausedAt = AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE);
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > pausedAt + 44100; }, 5000));
    // The closed time is no underrun (it would count a dozen buffers); a
    // starved checked build on a busy machine may still miss one or two.
    EXPECT_LE(AUDIO_GetConfig(AUDIO_CONFIG_UNDERRUNS), 2u);
    AUDIO_StreamFree(h);
}

TEST(AudiolibIdleOutput, OutputSleepsWhileNothingPlaysAndResumesOnPlay)
{
    AudioSession session(AUDIO_DEVICE_SILENT);
    ASSERT_TRUE(session.ok);
    GappySource source;
    const auto pcm = makePcm(4410, 2, 3);
    source.data.assign(reinterpret_cast<const uint8_t *>(pcm.data()),
                       reinterpret_cast<const uint8_t *>(pcm.data() + pcm.size()));
    const AUDIO_HANDLE h = AUDIO_StreamCreate(44100, 2, 0, &GappySource::proc, &source);
    ASSERT_NE(h, 0u);

    // Nothing plays: the output thread stays asleep (it would wake every 20 ms).
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    long before = wakeupsOf("sonaro-silent");
    ASSERT_GE(before, 0) << "no output thread";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(wakeupsOf("sonaro-silent") - before, 2);

    // Play wakes it and the stream advances at once.
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > 44100; }, 5000));
    before = wakeupsOf("sonaro-silent");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // 25 periods; a loaded machine may merge some.
    EXPECT_GE(wakeupsOf("sonaro-silent") - before, 5) << "a playing output renders every period";

    // Paused: the output goes back to sleep; resumed: it plays on.
    ASSERT_TRUE(AUDIO_ChannelPause(h));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    before = wakeupsOf("sonaro-silent");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(wakeupsOf("sonaro-silent") - before, 2);
    const uint64_t pausedAt = AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE);
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > pausedAt + 44100; }, 5000));
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_PLAYING));
    AUDIO_StreamFree(h);
}

TEST(AudiolibIdleOutput, GapsInAPlayingStreamCountAsUnderruns)
{
    AudioSession session(AUDIO_DEVICE_SILENT);
    ASSERT_TRUE(session.ok);
    EXPECT_EQ(AUDIO_SetConfig(AUDIO_CONFIG_UNDERRUNS, 5), 0) << "the count is read-only";
    EXPECT_EQ(AUDIO_GetConfig(AUDIO_CONFIG_UNDERRUNS), 0u);

    GappySource source;
    const auto pcm = makePcm(4410, 2, 4);
    source.data.assign(reinterpret_cast<const uint8_t *>(pcm.data()),
                       reinterpret_cast<const uint8_t *>(pcm.data() + pcm.size()));
    // A stream still waiting for its first data is no underrun.
    source.holding.store(true);
    const AUDIO_HANDLE h = AUDIO_StreamCreate(44100, 2, 0, &GappySource::proc, &source);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(AUDIO_GetConfig(AUDIO_CONFIG_UNDERRUNS), 0u);

    // A first trickle shorter than one output period is not played on its
    // own, only to run dry at once: the stream waits, stalled, and nothing
    // of it counts as an underrun.
    source.budget.store(400);
    source.holding.store(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(AUDIO_GetConfig(AUDIO_CONFIG_UNDERRUNS), 0u);
    EXPECT_EQ(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), 0u);
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_STALLED));
    source.budget.store(-1);

    // Data, then a hole of half a second: the output runs dry, buffer after buffer.
    source.holding.store(false);
    ASSERT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > 2 * 44100 * 4 / 10; }, 5000));
    source.holding.store(true);
    ASSERT_TRUE(waitUntil([&] { return AUDIO_ChannelIsActive(h) == uint32_t(AUDIO_ACTIVE_STALLED); }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const uint32_t gaps = AUDIO_GetConfig(AUDIO_CONFIG_UNDERRUNS);
    EXPECT_GE(gaps, 5u);

    // Once the stream has ended the count stands still.
    SyncRecorder end;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
    source.ending.store(true);
    ASSERT_TRUE(waitUntil([&] { return end.count.load() == 1; }, 5000));
    const uint32_t atEnd = AUDIO_GetConfig(AUDIO_CONFIG_UNDERRUNS);
    EXPECT_GE(atEnd, gaps);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(AUDIO_GetConfig(AUDIO_CONFIG_UNDERRUNS), atEnd);
    AUDIO_StreamFree(h);
}
