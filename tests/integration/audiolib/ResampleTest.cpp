// Streams at other rates than the device's: band-limited conversion that
// keeps the timing (no shift, no lost tail) and leaves no images or aliases.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"
#include "TLoopbackServer.h"
#include "decode/Resampler.h"
#include "Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

using namespace AudioFixtures;

namespace {

constexpr size_t kFftFrames = 65536;

// First and one past the last stereo frame louder than a few steps.
std::pair<size_t, size_t> extent(const std::vector<int16_t> &pcm)
{
    size_t first = 0, last = 0;
    bool seen = false;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        if (std::abs(pcm[i]) > 64) {
            if (!seen)
                first = i / 2;
            seen = true;
            last = i / 2 + 1;
        }
    }
    return {first, last};
}

// An output underrun on a loaded machine puts a run of zero frames into the
// capture; a 1 kHz tone never holds one this long. Such a gap delays the
// sound and is no fault of the conversion, so it is cut for the length
// check and kept out of the spectrum's window.
constexpr size_t kGapFrames = 64;

// The [begin, end) frame spans of the gaps within [first, last).
std::vector<std::pair<size_t, size_t>> gapsOf(const std::vector<int16_t> &pcm, size_t first, size_t last)
{
    std::vector<std::pair<size_t, size_t>> gaps;
    size_t run = 0;
    for (size_t f = first; f < last; ++f) {
        if (pcm[2 * f] == 0 && pcm[2 * f + 1] == 0) {
            ++run;
            continue;
        }
        if (run >= kGapFrames)
            gaps.emplace_back(f - run, f);
        run = 0;
    }
    return gaps;
}

// The first frame at or after from where a window of kFftFrames holds no gap.
std::optional<size_t> cleanWindow(const std::vector<std::pair<size_t, size_t>> &gaps, size_t from, size_t last)
{
    size_t start = from;
    for (const auto &[begin, end] : gaps) {
        if (end <= start)
            continue;
        if (begin >= start + kFftFrames)
            break;
        start = end;
    }
    if (start + kFftFrames > last)
        return std::nullopt;
    return start;
}

Spectrum::Spur spurOf(const std::vector<int16_t> &stereo, size_t fromFrame, uint32_t rate)
{
    const auto db = Spectrum::magnitudes(stereo.data() + 2 * fromFrame, kFftFrames, 2);
    return Spectrum::worstSpur(db, rate, 1000, 60);
}

// Plays a URL as a stream (not decode-only) through SDL's disk driver.
std::vector<int16_t> playUrlToDisk(const std::string &url, uint64_t &endPosition, uint64_t &length)
{
    const std::optional<std::vector<int16_t>> played = captureOnDisk(tempDir() + "/resampled.raw", [&] {
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
        EXPECT_NE(h, 0u) << AUDIO_ErrorGetCode();
        if (h == 0)
            return;
        SyncRecorder end;
        AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
        EXPECT_TRUE(AUDIO_ChannelPlay(h, 0));
        EXPECT_TRUE(waitUntil([&] { return end.count.load() > 0; }, 20000));
        endPosition = AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE);
        length = AUDIO_ChannelGetLength(h, AUDIO_POS_BYTE);
        AUDIO_StreamFree(h);
    });
    EXPECT_TRUE(played) << AUDIO_ErrorGetCode();
    return played.value_or(std::vector<int16_t>());
}

} // namespace

TEST(AudiolibResample, OutputIsAlignedAndKeepsItsTail)
{
    for (const uint32_t rate : {48000u, 22050u}) {
        SCOPED_TRACE(rate);
        // One impulse at a known place in an otherwise silent stereo signal.
        const size_t frames = rate; // one second
        std::vector<int16_t> in(2 * frames, 0);
        const size_t at = frames / 3;
        in[2 * at] = in[2 * at + 1] = 20000;
        sonaroaudio::Resampler r(rate, 44100, 2);
        ASSERT_TRUE(r.ok());
        std::vector<int16_t> out;
        for (size_t i = 0; i < frames; i += 1000)
            r.process(in.data() + 2 * i, std::min<size_t>(1000, frames - i), out);
        r.flush(out);
        EXPECT_NEAR(double(out.size() / 2), 44100.0, 1.0) << "the tail was lost or padded";
        size_t peak = 0;
        for (size_t i = 0; i < out.size(); i += 2)
            if (std::abs(out[i]) > std::abs(out[peak]))
                peak = i;
        EXPECT_NEAR(double(peak / 2), double(at) * 44100 / rate, 1.0) << "the filter's delay shifts the output";

        // After clear() a fresh signal starts from nothing left over.
        r.clear();
        std::vector<int16_t> again;
        const std::vector<int16_t> silence(2000, 0);
        r.process(silence.data(), 1000, again);
        r.flush(again);
        EXPECT_TRUE(std::all_of(again.begin(), again.end(), [](int16_t s) { return s == 0; }));
    }
}

TEST(AudiolibResample, SineMp3PlaysWithoutSpuriousComponents)
{
    TLoopbackServer server;
    const std::string dir = tempDir();
    // 48 kHz at the highest MPEG-1 bit rate and 22.05 kHz at the highest MPEG-2
    // one, so the codec's own noise stays under the limit.
    for (const auto &[rate, kbps] : {std::pair{48000u, 320}, std::pair{22050u, 160}}) {
        SCOPED_TRACE(rate);
        const std::string base = dir + "/sine" + std::to_string(rate);
        ASSERT_TRUE(run("sox -n -r " + std::to_string(rate) + " -c 2 -b 16 " + base
                        + ".wav synth 3 sine 1000 vol 0.5 2>/dev/null"));
        ASSERT_TRUE(run("lame --quiet -b " + std::to_string(kbps) + " " + base + ".wav " + base + ".mp3"));
        TLoopbackReply reply;
        reply.Status = 200;
        reply.Bytes = QByteArray::fromStdString(readFile(base + ".mp3"));
        const std::string path = "/sine" + std::to_string(rate) + ".mp3";
        server.Route(QByteArray::fromStdString(path), reply);

        // What the MP3 itself allows: a direct decode converted offline.
        long decodedRate = 0;
        int channels = 0;
        const auto decoded = decodeMpeg(base + ".mp3", &decodedRate, &channels);
        ASSERT_EQ(decodedRate, long(rate));
        ASSERT_EQ(channels, 2);
        std::vector<int16_t> pcm(decoded.size() / 2);
        std::memcpy(pcm.data(), decoded.data(), pcm.size() * 2);
        sonaroaudio::Resampler offline(rate, 44100, 2);
        std::vector<int16_t> reference;
        offline.process(pcm.data(), pcm.size() / 2, reference);
        offline.flush(reference);
        const auto [refFirst, refLast] = extent(reference);
        ASSERT_GT(refLast - refFirst, kFftFrames + 22050);
        const auto limit = spurOf(reference, refFirst + 11025, 44100);

        uint64_t endPosition = 0, length = 0;
        const auto played = playUrlToDisk(server.Url(QByteArray::fromStdString(path)).toStdString(), endPosition, length);
        const auto [first, last] = extent(played);
        ASSERT_GT(last - first, kFftFrames + 22050) << "the tone never reached the device in full";
        const auto gaps = gapsOf(played, first, last);
        size_t gapFrames = 0;
        for (const auto &[begin, end] : gaps)
            gapFrames += end - begin;
        // Every source frame was played: the tone lasts as long as its conversion.
        EXPECT_NEAR(double(last - first - gapFrames), double(refLast - refFirst), 2.0);
        EXPECT_EQ(endPosition, length) << "the position at the end counts source frames";

        const std::optional<size_t> window = cleanWindow(gaps, first + 11025, last);
        ASSERT_TRUE(window) << gaps.size() << " output gaps left no window free of them";
        const auto spur = spurOf(played, *window, 44100);
        EXPECT_LT(spur.worstDb, -90.0) << "at " << spur.worstHz << " Hz (the MP3 itself: " << limit.worstDb << " dB)";
        EXPECT_LT(spur.worstDb, limit.worstDb + 3.0) << "at " << spur.worstHz << " Hz";
    }
}
