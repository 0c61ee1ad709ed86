// URL streams decoded without playing: the PCM, length, position, seeking,
// download progress, syncs and tags, against direct decodes of the same files.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"
#include "TLoopbackServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>

using namespace AudioFixtures;

namespace {

TLoopbackReply fileReply(const std::string &path, size_t bytesPerSecond = 0)
{
    TLoopbackReply r;
    r.Status = 200;
    r.Bytes = QByteArray::fromStdString(readFile(path));
    r.BytesPerSecond = bytesPerSecond;
    return r;
}

struct Case {
    const char *name;
    std::string path;
    bool mpeg;
    uint32_t ctype;
};

std::vector<Case> cases()
{
    const Files &f = files();
    return {
        {"cbr", f.cbr, true, AUDIO_CTYPE_MPEG},
        {"vbr", f.vbr, true, AUDIO_CTYPE_MPEG},
        {"mono22", f.mono22, true, AUDIO_CTYPE_MPEG},
        {"wav", f.wav, false, AUDIO_CTYPE_WAV},
        {"ogg", f.ogg, false, AUDIO_CTYPE_OGG},
    };
}

} // namespace

TEST(AudiolibStreamDecode, PcmLengthDownloadAndSyncsMatchDirectDecode)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    for (const auto &c : cases()) {
        SCOPED_TRACE(c.name);
        const std::string body = readFile(c.path);
        server.Route(QByteArray("/") + c.name, fileReply(c.path, 2 * 1024 * 1024));
        long rate = 44100;
        int channels = 2;
        const auto reference = c.mpeg ? decodeMpeg(c.path, &rate, &channels) : decodeSndfile(c.path);
        ASSERT_FALSE(reference.empty());

        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url(QByteArray("/") + c.name).constData(), 0,
                                                     AUDIO_STREAM_DECODE, nullptr, nullptr);
        ASSERT_NE(h, 0u) << AUDIO_ErrorGetCode();
        SyncRecorder download, end;
        ASSERT_NE(AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &SyncRecorder::proc, &download), 0u);
        ASSERT_NE(AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end), 0u);

        AUDIO_CHANNELINFO info{};
        ASSERT_TRUE(AUDIO_ChannelGetInfo(h, &info));
        EXPECT_EQ(info.freq, uint32_t(rate));
        EXPECT_EQ(info.chans, uint32_t(channels));
        EXPECT_EQ(info.ctype, c.ctype);
        EXPECT_EQ(info.flags & AUDIO_SAMPLE_8BITS, 0u);
        EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), body.size());

        // Download progress only grows and stops at the file's end.
        uint64_t last = 0;
        bool monotonic = true;
        ASSERT_TRUE(waitUntil([&] {
            const uint64_t now = AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD);
            monotonic = monotonic && now >= last && now <= body.size();
            last = now;
            return now == body.size();
        }));
        EXPECT_TRUE(monotonic);
        ASSERT_TRUE(waitUntil([&] { return download.count.load() > 0; }));

        const uint32_t frameBytes = info.chans * 2;
        const uint64_t length = AUDIO_ChannelGetLength(h, AUDIO_POS_BYTE);
        ASSERT_NE(length, uint64_t(-1));
        const uint64_t oneFrame = uint64_t(c.mpeg ? 1152 : 1) * frameBytes;
        EXPECT_LE(std::llabs(int64_t(length) - int64_t(reference.size())), int64_t(oneFrame));

        const auto pcm = pullAll(h);
        EXPECT_EQ(pcm.size(), reference.size());
        EXPECT_TRUE(pcm == reference) << "decoded PCM differs from the direct decode";
        EXPECT_EQ(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), pcm.size());
        EXPECT_EQ(AUDIO_ChannelGetData(h, std::vector<uint8_t>(64).data(), 64), 0u);
        EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_STOPPED));

        ASSERT_TRUE(waitUntil([&] { return end.count.load() == 1; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(download.count.load(), 1);
        EXPECT_EQ(end.count.load(), 1);
        EXPECT_FALSE(download.onCallerThread.load());
        EXPECT_FALSE(end.onCallerThread.load());
        EXPECT_TRUE(AUDIO_StreamFree(h));
        EXPECT_FALSE(AUDIO_StreamFree(h));
        EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_HANDLE);
    }
}

TEST(AudiolibStreamDecode, SeekLandsOnTheRequestedSample)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    const Files &f = files();
    server.Route("/wav", fileReply(f.wav));
    server.Route("/cbr.mp3", fileReply(f.cbr));

    // WAV: exact bytes after the seek.
    {
        const auto reference = decodeSndfile(f.wav);
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/wav").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) == readFile(f.wav).size(); }));
        const uint64_t target = AUDIO_ChannelSeconds2Bytes(h, 2.5);
        EXPECT_EQ(target, uint64_t(2.5 * 44100) * 4);
        EXPECT_DOUBLE_EQ(AUDIO_ChannelBytes2Seconds(h, target), 2.5);
        ASSERT_TRUE(AUDIO_ChannelSetPosition(h, target, AUDIO_POS_BYTE));
        EXPECT_EQ(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), target);
        std::vector<uint8_t> got(44100);
        ASSERT_EQ(AUDIO_ChannelGetData(h, got.data(), uint32_t(got.size())), got.size());
        EXPECT_EQ(0, std::memcmp(got.data(), reference.data() + target, got.size()));
        // Beyond the end is refused and nothing moves.
        EXPECT_FALSE(AUDIO_ChannelSetPosition(h, reference.size() + 4096, AUDIO_POS_BYTE));
        EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_POSITION);
        EXPECT_EQ(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), target + got.size());
        AUDIO_StreamFree(h);
    }

    // MP3: the decoder restarts at a frame and warms up, so compare shapes:
    // the continuous decode at the target fits far better than one sample off.
    {
        const auto reference = decodeMpeg(f.cbr);
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/cbr.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) == readFile(f.cbr).size(); }));
        const uint64_t targetFrame = 3 * 44100 + 517;
        ASSERT_TRUE(AUDIO_ChannelSetPosition(h, targetFrame * 4, AUDIO_POS_BYTE));
        std::vector<int16_t> got(4096 * 2);
        ASSERT_EQ(AUDIO_ChannelGetData(h, got.data(), uint32_t(got.size() * 2)), got.size() * 2);
        const auto *ref = reinterpret_cast<const int16_t *>(reference.data());
        auto error = [&](int64_t lag) {
            double sum = 0;
            for (size_t i = 2048; i < got.size(); ++i) {
                const double d = double(got[i]) - double(ref[int64_t(targetFrame * 2 + i) + lag * 2]);
                sum += d * d;
            }
            return sum;
        };
        const double atTarget = error(0);
        EXPECT_LT(atTarget * 10, error(1));
        EXPECT_LT(atTarget * 10, error(-1));
        AUDIO_StreamFree(h);
    }
}

TEST(AudiolibStreamDecode, TagsReadBack)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    const Files &f = files();
    server.Route("/cbr.mp3", fileReply(f.cbr));
    server.Route("/ogg", fileReply(f.ogg));

    const AUDIO_HANDLE mp3 = AUDIO_StreamCreateURL(server.Url("/cbr.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(mp3, 0u);
    ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(mp3, AUDIO_FILEPOS_DOWNLOAD) == readFile(f.cbr).size(); }));
    ASSERT_TRUE(waitUntil([&] { return AUDIO_ChannelGetTags(mp3, AUDIO_TAG_ID3) != nullptr; }));
    const char *v1 = AUDIO_ChannelGetTags(mp3, AUDIO_TAG_ID3);
    EXPECT_EQ(std::string(v1, 3), "TAG");
    EXPECT_EQ(std::string(v1 + 3, 8), "Cbr Song");
    EXPECT_EQ(std::string(v1 + 33, 9), "Test Band");
    const char *v2 = AUDIO_ChannelGetTags(mp3, AUDIO_TAG_ID3V2);
    ASSERT_NE(v2, nullptr);
    EXPECT_EQ(std::string(v2, 3), "ID3");
    const size_t v2size = 10 + (size_t(v2[6]) << 21 | size_t(v2[7]) << 14 | size_t(v2[8]) << 7 | size_t(v2[9]));
    const std::string v2block(v2, v2size);
    EXPECT_NE(v2block.find("TIT2"), std::string::npos);
    EXPECT_EQ(v2block, readFile(f.cbr).substr(0, v2size));
    EXPECT_EQ(AUDIO_ChannelGetTags(mp3, AUDIO_TAG_OGG), nullptr);
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_NOT_AVAILABLE);
    EXPECT_EQ(AUDIO_ChannelGetTags(mp3, AUDIO_TAG_WMA), nullptr);
    // HTTP headers as a list of texts ending with an empty one.
    const char *http = AUDIO_ChannelGetTags(mp3, AUDIO_TAG_HTTP);
    ASSERT_NE(http, nullptr);
    bool sawLength = false;
    for (const char *p = http; *p; p += std::strlen(p) + 1)
        sawLength = sawLength || std::string(p) == "Content-Length: " + std::to_string(readFile(f.cbr).size());
    EXPECT_TRUE(sawLength);
    // The request asked for stream metadata.
    EXPECT_NE(server.Requests().back().Raw.toStdString().find("Icy-MetaData: 1"), std::string::npos);
    AUDIO_StreamFree(mp3);

    const AUDIO_HANDLE ogg = AUDIO_StreamCreateURL(server.Url("/ogg").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(ogg, 0u);
    const char *comments = AUDIO_ChannelGetTags(ogg, AUDIO_TAG_OGG);
    ASSERT_NE(comments, nullptr);
    std::vector<std::string> list;
    for (const char *p = comments; *p; p += std::strlen(p) + 1)
        list.emplace_back(p);
    EXPECT_NE(std::find(list.begin(), list.end(), "TITLE=Ogg Song"), list.end());
    EXPECT_NE(std::find(list.begin(), list.end(), "ARTIST=Ogg Band"), list.end());
    AUDIO_StreamFree(ogg);
}

TEST(AudiolibStreamDecode, RedirectsAreFollowed)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    server.Route("/real.mp3", fileReply(files().cbr));
    TLoopbackReply moved;
    moved.Status = 302;
    moved.Headers = {"Location: " + server.Url("/real.mp3")};
    server.Route("/moved.mp3", moved);
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/moved.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u) << AUDIO_ErrorGetCode();
    EXPECT_EQ(pullAll(h), decodeMpeg(files().cbr));
    AUDIO_StreamFree(h);
}

namespace {

struct PieceCounter {
    std::atomic<size_t> bytes{0};
    std::atomic<int> ends{0};
    static void proc(const void *buffer, uint32_t length, void *user)
    {
        auto *self = static_cast<PieceCounter *>(user);
        if (buffer)
            self->bytes.fetch_add(length);
        else
            self->ends.fetch_add(1);
    }
};

} // namespace

TEST(AudiolibStreamDecode, StartsAtAnOffsetAndReportsEachPiece)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    const std::string body = readFile(files().cbr);
    server.Route("/cbr.mp3", fileReply(files().cbr));
    // The server ignores the range and sends the whole file; the start is dropped.
    const uint32_t offset = uint32_t(body.size() / 2);
    PieceCounter pieces;
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/cbr.mp3").constData(), offset, AUDIO_STREAM_DECODE,
                                                 &PieceCounter::proc, &pieces);
    ASSERT_NE(h, 0u) << AUDIO_ErrorGetCode();
    EXPECT_NE(server.Requests().back().Raw.toStdString().find("Range: bytes=" + std::to_string(offset) + "-"), std::string::npos);
    const auto pcm = pullAll(h);
    const auto full = decodeMpeg(files().cbr);
    // Roughly the second half of the track.
    EXPECT_GT(pcm.size(), full.size() * 4 / 10);
    EXPECT_LT(pcm.size(), full.size() * 6 / 10);
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), body.size());
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD), body.size());
    ASSERT_TRUE(waitUntil([&] { return pieces.ends.load() == 1; }));
    EXPECT_EQ(pieces.bytes.load(), body.size() - offset);
    AUDIO_StreamFree(h);
}
