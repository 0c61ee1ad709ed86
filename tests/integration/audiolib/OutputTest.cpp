// Played channels: real-time pace on the silent device, exact PCM through
// SDL's disk driver, volume, saturating mix, resampling, radio metadata, and
// freeing channels while they play.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"
#include "TLoopbackServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace AudioFixtures;

namespace {

// Serves a fixed PCM buffer to a push stream, then ends it.
struct PcmSource {
    std::vector<uint8_t> data;
    std::atomic<size_t> at{0};
    bool endless = false;

    static uint32_t proc(AUDIO_HANDLE, void *buffer, uint32_t length, void *user)
    {
        auto *self = static_cast<PcmSource *>(user);
        if (self->endless) {
            for (uint32_t i = 0; i < length; ++i)
                static_cast<uint8_t *>(buffer)[i] = self->data[(self->at.load() + i) % self->data.size()];
            self->at.fetch_add(length);
            return length;
        }
        const size_t pos = self->at.load();
        const size_t n = std::min<size_t>(length, self->data.size() - pos);
        std::memcpy(buffer, self->data.data() + pos, n);
        self->at.store(pos + n);
        return uint32_t(n) | (pos + n == self->data.size() ? AUDIO_STREAMPROC_END : 0u);
    }
};

std::vector<uint8_t> bytesOf(const std::vector<int16_t> &pcm)
{
    const auto *b = reinterpret_cast<const uint8_t *>(pcm.data());
    return std::vector<uint8_t>(b, b + pcm.size() * 2);
}

// Plays the sources through SDL's disk driver and returns what reached the device.
std::vector<int16_t> playToDisk(std::vector<std::pair<PcmSource *, std::array<uint32_t, 2>>> sources,
                                uint32_t volume, uint32_t maxVolume)
{
    const std::optional<std::vector<int16_t>> played = captureOnDisk(tempDir() + "/device.raw", [&] {
        AUDIO_SetConfig(AUDIO_CONFIG_MAX_VOLUME, maxVolume);
        AUDIO_SetConfig(AUDIO_CONFIG_STREAM_VOLUME, volume);
        std::vector<AUDIO_HANDLE> handles;
        SyncRecorder ends;
        for (auto &[source, format] : sources) {
            const AUDIO_HANDLE h = AUDIO_StreamCreate(format[0], format[1], 0, &PcmSource::proc, source);
            EXPECT_NE(h, 0u);
            AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &ends);
            handles.push_back(h);
        }
        for (AUDIO_HANDLE h : handles)
            EXPECT_TRUE(AUDIO_ChannelPlay(h, 0));
        EXPECT_TRUE(waitUntil([&] { return ends.count.load() == int(handles.size()); }, 15000));
        for (AUDIO_HANDLE h : handles)
            EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_STOPPED));
    });
    EXPECT_TRUE(played) << AUDIO_ErrorGetCode();
    return played.value_or(std::vector<int16_t>());
}

// Index in out where want starts, or npos: the first frame from which a long
// run of want matches within tolerance. A short exact probe can match
// early by chance or miss by a rounding step.
size_t locate(const std::vector<int16_t> &out, const std::vector<int16_t> &want, int tolerance = 0)
{
    const size_t probe = std::min<size_t>(want.size(), 2048);
    const auto near = [tolerance](int16_t a, int16_t b) { return std::abs(int(a) - int(b)) <= tolerance; };
    for (size_t i = 0; i + probe <= out.size(); i += 2)
        if (std::equal(want.begin(), want.begin() + probe, out.begin() + i, near))
            return i;
    return std::string::npos;
}

// What the device played from at on, less the runs of silence that an output
// underrun inserts when the machine is loaded: a gap delays samples, it must
// not count as losing them. The signal itself never holds such a run.
std::vector<int16_t> withoutInsertedSilence(const std::vector<int16_t> &out, size_t at)
{
    constexpr size_t MinRun = 64;
    std::vector<int16_t> kept;
    kept.reserve(out.size() - at);
    size_t i = at;
    while (i < out.size()) {
        size_t run = 0;
        while (i + run < out.size() && out[i + run] == 0)
            ++run;
        if (run < MinRun)
            kept.insert(kept.end(), out.begin() + i, out.begin() + i + std::max<size_t>(run, 1));
        i += std::max<size_t>(run, 1);
    }
    return kept;
}

} // namespace

TEST(AudiolibOutput, DeviceReceivesTheExactPcmAndHalfAtHalfVolume)
{
    const auto pcm = makePcm(44100, 2, 11);
    {
        PcmSource source;
        source.data = bytesOf(pcm);
        const auto out = playToDisk({{&source, {44100, 2}}}, 255, 255);
        const size_t at = locate(out, pcm);
        ASSERT_NE(at, std::string::npos) << "the PCM never reached the device";
        const auto played = withoutInsertedSilence(out, at);
        ASSERT_GE(played.size(), pcm.size()) << "samples were lost";
        const auto diverge = std::mismatch(pcm.begin(), pcm.end(), played.begin());
        EXPECT_EQ(diverge.first, pcm.end()) << "differs from sample " << (diverge.first - pcm.begin())
                                            << " of " << pcm.size();
    }
    {
        PcmSource source;
        source.data = bytesOf(pcm);
        const auto out = playToDisk({{&source, {44100, 2}}}, 100, 200);
        // Half volume: within one step of half of each sample, whichever way it rounds.
        std::vector<int16_t> half(pcm.size());
        for (size_t i = 0; i < pcm.size(); ++i)
            half[i] = int16_t(pcm[i] / 2);
        const size_t at = locate(out, half, 1);
        ASSERT_NE(at, std::string::npos) << "the half-volume PCM never reached the device";
        const auto played = withoutInsertedSilence(out, at);
        ASSERT_GE(played.size(), half.size()) << "samples were lost";
        size_t off = 0;
        for (size_t i = 0; i < half.size(); ++i)
            off += std::abs(int(played[i]) - int(half[i])) > 1;
        EXPECT_EQ(off, 0u);
    }
}

TEST(AudiolibOutput, MixSaturatesAndResamples)
{
    // Two loud streams, one at another rate and mono: their sum clips, never wraps.
    PcmSource stereo, mono;
    stereo.data = bytesOf(std::vector<int16_t>(44100 * 2, 30000));
    mono.data = bytesOf(std::vector<int16_t>(22050, -30000));
    PcmSource positive;
    positive.data = bytesOf(std::vector<int16_t>(22050, 30000));
    const auto out = playToDisk({{&stereo, {44100, 2}}, {&positive, {22050, 1}}}, 255, 255);
    size_t clipped = 0;
    for (int16_t s : out) {
        EXPECT_GE(s, 0);
        clipped += s == 32767;
    }
    // Both streams last one second: up to one second of clipped stereo
    // samples. Each starts once its own ring holds an output period, so on a
    // loaded machine the converted one may start a period (186 ms) later.
    EXPECT_GT(clipped, size_t(44100 * 2 * 6 / 10));
    EXPECT_LT(clipped, size_t(44100 * 2 * 11 / 10));

    // A 22050 Hz mono stream alone comes out at its own level on both sides.
    const auto single = playToDisk({{&mono, {22050, 1}}}, 255, 255);
    size_t level = 0;
    for (size_t i = 0; i + 1 < single.size(); i += 2) {
        EXPECT_EQ(single[i], single[i + 1]);
        level += single[i] == -30000;
    }
    EXPECT_GT(level, size_t(44100 * 9 / 10));
    EXPECT_LT(level, size_t(44100 * 11 / 10));
}

// 8-bit streams, at the device's rate and converted from another: the
// samples are widened before they are resampled or mixed, never read as
// 16-bit pairs.
TEST(AudiolibOutput, EightBitStreamsKeepTheirLevel)
{
    PcmSource converted, native;
    converted.data.assign(11025, uint8_t(128 + 64)); // mono 0.5 s, above the middle: 16384
    native.data.assign(44100, uint8_t(128 - 32));    // stereo 0.5 s, below: -8192
    std::vector<int16_t> out;
    const auto played = captureOnDisk(tempDir() + "/device8.raw", [&] {
        SyncRecorder ends;
        const AUDIO_HANDLE a = AUDIO_StreamCreate(22050, 1, AUDIO_SAMPLE_8BITS, &PcmSource::proc, &converted);
        ASSERT_NE(a, 0u);
        AUDIO_ChannelSetSync(a, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &ends);
        ASSERT_TRUE(AUDIO_ChannelPlay(a, 0));
        ASSERT_TRUE(waitUntil([&] { return ends.count.load() == 1; }, 15000));
        const AUDIO_HANDLE b = AUDIO_StreamCreate(44100, 2, AUDIO_SAMPLE_8BITS, &PcmSource::proc, &native);
        ASSERT_NE(b, 0u);
        AUDIO_ChannelSetSync(b, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &ends);
        ASSERT_TRUE(AUDIO_ChannelPlay(b, 0));
        ASSERT_TRUE(waitUntil([&] { return ends.count.load() == 2; }, 15000));
    });
    ASSERT_TRUE(played);
    size_t high = 0, low = 0, other = 0;
    for (size_t i = 0; i + 1 < played->size(); i += 2) {
        const int16_t l = (*played)[i], r = (*played)[i + 1];
        EXPECT_EQ(l, r);
        if (std::abs(l - 16384) <= 64)
            ++high;
        else if (l == -8192)
            ++low;
        else if (l != 0)
            ++other;
    }
    // Half a second each; the filter's edges at the converted stream's start and end aside.
    EXPECT_GT(high, size_t(22050 * 9 / 10));
    EXPECT_LT(high, size_t(22050 * 11 / 10));
    EXPECT_EQ(low, size_t(22050));
    EXPECT_LT(other, size_t(2000));
}

TEST(AudiolibOutput, SilentDeviceConsumesAtRealTime)
{
    AudioSession session(AUDIO_DEVICE_SILENT);
    ASSERT_TRUE(session.ok);
    AUDIO_INFO info{};
    ASSERT_TRUE(AUDIO_GetInfo(&info));
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(AUDIO_Init(0, 44100, 0, nullptr, nullptr), 0);
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_ALREADY);

    PcmSource source;
    source.data = bytesOf(makePcm(4410, 2, 5));
    source.endless = true;
    const AUDIO_HANDLE h = AUDIO_StreamCreate(44100, 2, 0, &PcmSource::proc, &source);
    ASSERT_NE(h, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(source.at.load(), 0u) << "a stream that does not play asks for nothing";
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const size_t from = source.at.load();
    const uint64_t posFrom = AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double expected = elapsed * 44100 * 4;
    EXPECT_NEAR(double(source.at.load() - from), expected, expected * 0.05);
    EXPECT_NEAR(double(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) - posFrom), expected, expected * 0.05);
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_PLAYING));

    // Restart empties what was buffered and counts from zero again.
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 1));
    EXPECT_LT(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), 44100u);
    EXPECT_TRUE(AUDIO_StreamFree(h));
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_STOPPED));
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_HANDLE);
}

// Counts the callback's calls on top of serving endless PCM.
struct CountingSource : PcmSource {
    std::atomic<int> calls{0};
    static uint32_t proc(AUDIO_HANDLE h, void *buffer, uint32_t length, void *user)
    {
        static_cast<CountingSource *>(user)->calls.fetch_add(1);
        return PcmSource::proc(h, buffer, length, user);
    }
};

TEST(AudiolibOutput, FeederRefillsInTimeInLargeBlocksAndWakesAtOnce)
{
    AudioSession session(AUDIO_DEVICE_SILENT);
    ASSERT_TRUE(session.ok);
    // One stream at the device's rate, one resampled.
    CountingSource direct, resampled;
    direct.data = bytesOf(makePcm(4410, 2, 7));
    direct.endless = true;
    resampled.data = bytesOf(makePcm(2205, 1, 8));
    resampled.endless = true;
    const AUDIO_HANDLE a = AUDIO_StreamCreate(44100, 2, 0, &CountingSource::proc, &direct);
    const AUDIO_HANDLE b = AUDIO_StreamCreate(22050, 1, 0, &CountingSource::proc, &resampled);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);

    // A created stream's feeder sleeps; play must wake it, not its next timeout.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(AUDIO_ChannelPlay(a, 0));
    ASSERT_TRUE(AUDIO_ChannelPlay(b, 0));
    ASSERT_TRUE(waitUntil([&] { return direct.at.load() > 0 && resampled.at.load() > 0; }, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));

    // Past priming, the mixer must never find a ring empty: a feeder that
    // sleeps through the low-water mark shows up as a stalled stream.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int callsFrom = direct.calls.load() + resampled.calls.load();
    int samples = 0, stalled = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until) {
        for (AUDIO_HANDLE h : {a, b}) {
            const uint32_t state = AUDIO_ChannelIsActive(h);
            EXPECT_NE(state, uint32_t(AUDIO_ACTIVE_STOPPED));
            stalled += state == AUDIO_ACTIVE_STALLED;
            ++samples;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_LE(stalled, samples / 50) << stalled << " of " << samples << " samples found a stream stalled";
    // Refills come in blocks of tens of milliseconds, not a call every 10 ms.
    EXPECT_LT(direct.calls.load() + resampled.calls.load() - callsFrom, 2 * 3 * 40)
        << "the feeders asked too often";

    // Freeing a stream whose feeder sleeps (ring full, or not playing at all)
    // returns at once instead of waiting for the feeder's timeout.
    ASSERT_TRUE(AUDIO_ChannelPause(b));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(AUDIO_StreamFree(b));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(400));
    for (int i = 0; i < 3; ++i) {
        CountingSource idle;
        idle.data = direct.data;
        const AUDIO_HANDLE h = AUDIO_StreamCreate(44100, 2, 0, &CountingSource::proc, &idle);
        ASSERT_NE(h, 0u);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        t0 = std::chrono::steady_clock::now();
        EXPECT_TRUE(AUDIO_StreamFree(h));
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(400));
        EXPECT_EQ(idle.calls.load(), 0);
    }
    EXPECT_TRUE(AUDIO_StreamFree(a));
}

TEST(AudiolibOutput, PlayedUrlStreamReachesItsEnd)
{
    AudioSession session(AUDIO_DEVICE_SILENT);
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    TLoopbackReply wav;
    wav.Status = 200;
    wav.Bytes = QByteArray::fromStdString(readFile(files().wav));
    server.Route("/tone.wav", wav);
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/tone.wav").constData(), 0, 0, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(AUDIO_ChannelGetData(h, std::vector<uint8_t>(16).data(), 16), uint32_t(-1));
    SyncRecorder end;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
    const uint64_t length = AUDIO_ChannelGetLength(h, AUDIO_POS_BYTE);
    ASSERT_EQ(length, files().pcm.size() * 2);
    ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) == size_t(wav.Bytes.size()); }));
    ASSERT_TRUE(AUDIO_ChannelSetPosition(h, length - 44100 * 4 / 2, AUDIO_POS_BYTE));
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    ASSERT_TRUE(waitUntil([&] { return end.count.load() == 1; }, 5000));
    EXPECT_EQ(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), length);
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_STOPPED));
    // Restart plays it again from the start.
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 1));
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > 0; }));
    EXPECT_LT(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), length / 2);
    AUDIO_StreamFree(h);
}

TEST(AudiolibOutput, ChannelsFreedWhilePlayingAndHandlesStayDead)
{
    AudioSession session(AUDIO_DEVICE_SILENT);
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    TLoopbackReply mp3;
    mp3.Status = 200;
    mp3.Bytes = QByteArray::fromStdString(readFile(files().cbr));
    server.Route("/a.mp3", mp3);
    std::vector<AUDIO_HANDLE> dead;
    for (int i = 0; i < 12; ++i) {
        PcmSource source;
        source.data = bytesOf(makePcm(4410, 2, unsigned(i)));
        source.endless = true;
        const AUDIO_HANDLE push = AUDIO_StreamCreate(44100, 2, 0, &PcmSource::proc, &source);
        const AUDIO_HANDLE url = AUDIO_StreamCreateURL(server.Url("/a.mp3").constData(), 0, 0, nullptr, nullptr);
        ASSERT_NE(push, 0u);
        ASSERT_NE(url, 0u);
        AUDIO_ChannelPlay(push, 0);
        AUDIO_ChannelPlay(url, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(i * 3));
        EXPECT_TRUE(AUDIO_StreamFree(push));
        EXPECT_TRUE(AUDIO_StreamFree(url));
        dead.push_back(push);
        dead.push_back(url);
    }
    for (AUDIO_HANDLE h : dead) {
        EXPECT_FALSE(AUDIO_ChannelPlay(h, 0));
        EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_HANDLE);
    }
    // AUDIO_Free releases channels still open, playing or not.
    PcmSource source;
    source.data = bytesOf(makePcm(4410, 2, 99));
    source.endless = true;
    const AUDIO_HANDLE left = AUDIO_StreamCreate(44100, 2, 0, &PcmSource::proc, &source);
    ASSERT_TRUE(AUDIO_ChannelPlay(left, 0));
    EXPECT_TRUE(AUDIO_Free());
    EXPECT_EQ(AUDIO_ChannelIsActive(left), uint32_t(AUDIO_ACTIVE_STOPPED));
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_NOT_INITIALISED);
    EXPECT_TRUE(AUDIO_Init(0, 44100, 0, nullptr, nullptr));
}

TEST(AudiolibOutput, RadioMetadataIsStrippedAndReported)
{
    AudioSession session(AUDIO_DEVICE_SILENT);
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    TLoopbackReply radio;
    radio.Status = 200;
    radio.Bytes = QByteArray::fromStdString(readFile(files().cbr));
    // A live station does not end (a closed connection is reconnected).
    radio.Endless = true;
    // The first title comes after a pause, so the sync below is set before it.
    radio.IcyInterval = 16000;
    radio.StallAfter = 12000;
    radio.StallMs = 400;
    radio.IcyMeta = {"StreamTitle='First Song';", "StreamTitle='Second Song';"};
    radio.Headers = {"icy-name: Test Radio", "icy-br: 128"};
    server.Route("/radio", radio);
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/radio").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u) << AUDIO_ErrorGetCode();
    SyncRecorder meta;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_META, 0, &SyncRecorder::proc, &meta);
    // Past the first copy of the body the decoder runs on into the next one.
    const auto whole = decodeMpeg(files().cbr);
    std::vector<uint8_t> pcm(whole.size() * 3 / 4);
    for (size_t at = 0; at < pcm.size();) {
        const uint32_t n = AUDIO_ChannelGetData(h, pcm.data() + at, uint32_t(std::min<size_t>(4608, pcm.size() - at)));
        ASSERT_NE(n, uint32_t(-1));
        ASSERT_GT(n, 0u);
        at += n;
    }
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), whole.begin())) << "metadata leaked into the audio"
        << (std::mismatch(pcm.begin(), pcm.end(), whole.begin()).first - pcm.begin()) << " of " << pcm.size() << " " << whole.size();
    ASSERT_TRUE(waitUntil([&] { return meta.count.load() > 0; }));
    {
        std::lock_guard lock(meta.mutex);
        EXPECT_EQ(meta.texts.back().rfind("StreamTitle='", 0), 0u);
    }
    const char *last = AUDIO_ChannelGetTags(h, AUDIO_TAG_META);
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(std::string(last) == "StreamTitle='First Song';" || std::string(last) == "StreamTitle='Second Song';");
    const char *icy = AUDIO_ChannelGetTags(h, AUDIO_TAG_ICY);
    ASSERT_NE(icy, nullptr);
    std::vector<std::string> lines;
    for (const char *p = icy; *p; p += std::strlen(p) + 1)
        lines.emplace_back(p);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "icy-name: Test Radio"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "icy-br: 128"), lines.end());
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), uint64_t(-1));
    AUDIO_StreamFree(h);
}
