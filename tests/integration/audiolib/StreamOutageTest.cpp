// The companion service dies while a track is still downloading and comes
// back three seconds later: the track plays to its real end, and what reached
// the device is the whole file, sample for sample, with only silence added
// where the sound waited. The loopback of a network namespace of the test's
// own is slowed by the kernel's token bucket so that the download is still
// running.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

using namespace AudioFixtures;

namespace {

constexpr const char *kAddress = "127.61.0.1";

// Leaves the namespace the test was started in: only this process and its
// children see the slowed loopback. Empty on success, else why not.
std::string enterShapedNetwork(const char *rate)
{
    if (unshare(CLONE_NEWNET) != 0)
        return std::string("cannot make a network namespace: ") + std::strerror(errno);
    // Small packets, so the bucket paces them evenly.
    if (!run("ip link set lo mtu 1500 up"))
        return "cannot bring up the namespace's loopback";
    if (!run(std::string("tc qdisc add dev lo root tbf burst 6kb latency 200ms rate ") + rate))
        return "cannot add a token bucket filter to the loopback (sch_tbf missing?)";
    // Small send buffers, so that little is still on its way once the server is gone.
    if (!run("sysctl -q -w net.ipv4.tcp_wmem='4096 8192 16384'"))
        return "cannot set the namespace's TCP send buffers";
    return {};
}

// Checks that out is ref with nothing but runs of silent frames put in
// (before, between or after); the frame where it differs otherwise, or npos.
size_t mismatchIgnoringSilence(const std::vector<int16_t> &out, const std::vector<int16_t> &ref, size_t &matched)
{
    size_t i = 0, j = 0;
    while (i + 1 < out.size()) {
        if (j + 1 < ref.size() && out[i] == ref[j] && out[i + 1] == ref[j + 1]) {
            i += 2;
            j += 2;
        } else if (out[i] == 0 && out[i + 1] == 0) {
            i += 2;
        } else {
            matched = j / 2;
            return i / 2;
        }
    }
    matched = j / 2;
    return std::string::npos;
}

} // namespace

TEST(AudiolibStreamOutage, ServerKilledMidDownloadPlaysEverySample)
{
    // 20 kB/s: a 128 kbit/s track arrives at 1.25 times real time.
    if (const std::string why = enterShapedNetwork("160kbit"); !why.empty())
        GTEST_SKIP() << why;
    const std::string dir = tempDir() + "/outage";
    std::filesystem::create_directories(dir + "/music");
    const std::string wav = dir + "/track.wav";
    const std::string mp3 = dir + "/music/track.mp3";
    writeWav(wav, makePcm(44100 * 12, 2, 21), 44100, 2);
    ASSERT_TRUE(run("lame --quiet --cbr -b 128 " + wav + " " + mp3));
    const auto reference = samplesOf(decodeMpeg(mp3));
    const uint64_t size = std::filesystem::file_size(mp3);

    std::optional<ServiceProcess> service;
    ASSERT_TRUE(startService(service, kAddress, dir + "/music", dir));
    const std::string url = std::string("http://") + kAddress + "/files/1/track.mp3";

    const std::string device = dir + "/device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", device.c_str(), 1);
    bool sawStall = false;
    uint64_t downloadedAtKill = 0;
    {
        AudioSession session(AUDIO_DEVICE_DEFAULT);
        ASSERT_TRUE(session.ok) << AUDIO_ErrorGetCode();
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
        ASSERT_NE(h, 0u) << AUDIO_ErrorGetCode();
        SyncRecorder end;
        std::atomic<uint64_t> downloadedAtEnd{0};
        AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
        ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));

        ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) >= size / 4; }, 15000));
        service->kill();
        downloadedAtKill = AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD);
        // Down for 3 s, and on until the sound has run dry: how far the
        // download was ahead of the sound at the kill depends on the load.
        const auto down = std::chrono::steady_clock::now();
        for (;;) {
            sawStall = sawStall || AUDIO_ChannelIsActive(h) == AUDIO_ACTIVE_STALLED;
            const auto outage = std::chrono::steady_clock::now() - down;
            if ((outage >= std::chrono::seconds(3) && sawStall) || outage >= std::chrono::seconds(20))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(end.count.load(), 0);
        ASSERT_TRUE(startService(service, kAddress, dir + "/music", dir));

        ASSERT_TRUE(waitUntil([&] {
            if (end.count.load() == 0)
                downloadedAtEnd.store(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD));
            return end.count.load() > 0;
        }, 40000));
        // The end came only after the whole file had arrived.
        EXPECT_EQ(downloadedAtEnd.load(), size);
        EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), size);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(end.count.load(), 1);
        AUDIO_StreamFree(h);
    }
    unsetenv("SDL_AUDIODRIVER");
    // The download was really cut, and the sound really waited for it.
    EXPECT_LT(downloadedAtKill, size * 3 / 4);
    EXPECT_TRUE(sawStall);

    const auto out = samplesOf([&] {
        const std::string raw = readFile(device);
        return std::vector<uint8_t>(raw.begin(), raw.end());
    }());
    size_t matched = 0;
    const size_t at = mismatchIgnoringSilence(out, reference, matched);
    EXPECT_EQ(at, std::string::npos) << "device frame " << at << " differs after " << matched << " matching frames";
    EXPECT_EQ(matched, reference.size() / 2) << "frames of the file that never reached the device";
}
