// A download that breaks off is resumed into the same store: the decoder sees
// no seam, a server that ignores the range has its start skipped, and only a
// server that stays broken (or refuses) fails the download, keeping the data.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>

using namespace AudioFixtures;

namespace {

LoopbackServer::Reply cutOnce(const std::string &body, size_t at)
{
    LoopbackServer::Reply r;
    r.body = body;
    r.dropAfter = at;
    r.dropTimes = 1;
    return r;
}

std::string rangeOf(const std::string &head)
{
    const size_t at = head.find("Range: bytes=");
    return at == std::string::npos ? std::string() : head.substr(at + 13, head.find("\r\n", at) - at - 13);
}

} // namespace

TEST(AudiolibStreamResume, CutTransferResumesWithoutASeam)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    LoopbackServer server;
    const std::string body = readFile(files().cbr);
    const size_t half = body.size() / 2;
    // Ignores the range: the whole file again, whose first half must be dropped.
    LoopbackServer::Reply tagged = cutOnce(body, half);
    tagged.headers = {"ETag: \"v1\"", "Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT"};
    server.route("/etag.mp3", tagged);
    LoopbackServer::Reply dated = cutOnce(body, half);
    dated.headers = {"Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT"};
    server.route("/dated.mp3", dated);
    server.route("/plain.mp3", cutOnce(body, half));
    const auto full = decodeMpeg(files().cbr);

    struct Case {
        const char *path;
        const char *ifRange; // expected validator, empty: none sent
    };
    for (const Case &c : {Case{"/etag.mp3", "\"v1\""}, Case{"/dated.mp3", "Mon, 07 Dec 2026 10:00:00 GMT"},
                          Case{"/plain.mp3", ""}}) {
        SCOPED_TRACE(c.path);
        const size_t before = server.requestHeads().size();
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.url(c.path).c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        ASSERT_NE(h, 0u);
        SyncRecorder end;
        DownloadRecorder download;
        AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
        AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &DownloadRecorder::proc, &download);
        const auto pcm = pullAll(h);
        // Every sample, in order: the decoder never saw the break.
        ASSERT_EQ(pcm.size(), full.size());
        EXPECT_TRUE(pcm == full);
        EXPECT_TRUE(waitUntil([&] { return end.count.load() == 1 && download.count.load() == 1; }));
        EXPECT_EQ(download.result.load(), AUDIO_OK);
        EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD), body.size());
        EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), body.size());
        EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_RETRIES), 0u);
        const auto heads = server.requestHeads();
        ASSERT_EQ(heads.size(), before + 2);
        EXPECT_EQ(rangeOf(heads[before]), "");
        EXPECT_EQ(rangeOf(heads[before + 1]), std::to_string(half) + "-");
        const bool sentIfRange = heads[before + 1].find("If-Range: " + std::string(c.ifRange) + "\r\n") != std::string::npos;
        EXPECT_EQ(sentIfRange, *c.ifRange != '\0') << heads[before + 1];
        AUDIO_StreamFree(h);
    }
}

TEST(AudiolibStreamResume, BrokenServerFailsAfterItsRetriesAndPlayResumes)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    AUDIO_SetConfig(AUDIO_CONFIG_NET_RETRY, 2000);
    LoopbackServer server;
    const std::string body = readFile(files().cbr);
    const size_t half = body.size() / 2;
    LoopbackServer::Reply cut = cutOnce(body, half);
    cut.dropTimes = -1; // every request breaks at the same place
    server.route("/cut.mp3", cut);
    const auto full = decodeMpeg(files().cbr);

    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.url("/cut.mp3").c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    SyncRecorder end;
    DownloadRecorder download;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &DownloadRecorder::proc, &download);
    // While it retries, the reconnection shows and the file keeps its size.
    ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_RETRIES) > 0; }));
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), body.size());
    EXPECT_EQ(download.count.load(), 0);

    std::vector<uint8_t> pcm;
    std::vector<uint8_t> buf(4608);
    uint32_t n = 0;
    while ((n = AUDIO_ChannelGetData(h, buf.data(), uint32_t(buf.size()))) == buf.size())
        pcm.insert(pcm.end(), buf.begin(), buf.end());
    // The data ran out because the download failed, and says so.
    if (n != uint32_t(-1)) {
        EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_CONNECT);
        pcm.insert(pcm.end(), buf.begin(), buf.begin() + n);
        EXPECT_EQ(AUDIO_ChannelGetData(h, buf.data(), uint32_t(buf.size())), uint32_t(-1));
    }
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_CONNECT);
    ASSERT_TRUE(waitUntil([&] { return download.count.load() == 1; }));
    EXPECT_EQ(download.result.load(), AUDIO_ERROR_CONNECT);
    // Nothing that arrived is lost, nothing pretends to be the end.
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD), half);
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), body.size());
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_STALLED));
    EXPECT_GT(pcm.size(), full.size() / 3);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), full.begin()));
    EXPECT_EQ(end.count.load(), 0);
    const size_t requests = server.requestHeads().size();
    EXPECT_GE(requests, 3u);

    // The server mends; Play asks for the rest and the decoder goes on where it was.
    server.route("/cut.mp3", cutOnce(body, LoopbackServer::kNever));
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    const auto rest = pullAll(h);
    pcm.insert(pcm.end(), rest.begin(), rest.end());
    ASSERT_EQ(pcm.size(), full.size());
    EXPECT_TRUE(pcm == full);
    EXPECT_TRUE(waitUntil([&] { return end.count.load() == 1 && download.count.load() == 2; }));
    EXPECT_EQ(download.result.load(), AUDIO_OK);
    EXPECT_EQ(rangeOf(server.requestHeads().back()), std::to_string(half) + "-");
    // A healthy stream has nothing to resume.
    EXPECT_FALSE(AUDIO_ChannelPlay(h, 0));
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_DECODE_ONLY);
    AUDIO_StreamFree(h);
}

TEST(AudiolibStreamResume, RefusedOrFalseRepliesFailAtOnceKeepingTheData)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    AUDIO_SetConfig(AUDIO_CONFIG_NET_RETRY, 20000);
    LoopbackServer server;
    const std::string body = readFile(files().cbr);
    const size_t third = body.size() / 3;

    LoopbackServer::Reply refused;
    refused.status = 416;
    refused.body = "range not satisfiable\n";
    LoopbackServer::Reply html;
    html.body = "<!DOCTYPE html><html><body>" + std::string(2000, 'x') + "</body></html>";
    html.headers = {"Content-Type: text/html"};
    LoopbackServer::Reply changed;
    changed.body = body;
    changed.headers = {"ETag: \"v2\""};
    LoopbackServer::Reply other; // same kind of file, another length
    other.body = body.substr(0, body.size() - 1000);

    struct Case {
        const char *name;
        LoopbackServer::Reply second;
        int error;
    };
    const std::vector<Case> cases = {
        {"416", refused, AUDIO_ERROR_HTTP},
        {"html", html, AUDIO_ERROR_FORMAT},
        {"changed", changed, AUDIO_ERROR_HTTP},
        {"other", other, AUDIO_ERROR_HTTP},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = std::string("/") + c.name + ".mp3";
        LoopbackServer::Reply first;
        first.body = body;
        if (c.second.headers.size() == 1 && c.second.headers[0].rfind("ETag", 0) == 0)
            first.headers = {"ETag: \"v1\""};
        first.dropAfter = third;
        server.route(path, first);
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.url(path).c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        ASSERT_NE(h, 0u);
        DownloadRecorder download;
        AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &DownloadRecorder::proc, &download);
        // The first reply breaks off; what answers the resume (half a second
        // later) is refused without retrying.
        server.route(path, c.second);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(waitUntil([&] { return download.count.load() == 1; }, 8000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(download.result.load(), c.error);
        EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD), third);
        EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), body.size());
        const auto pcm = pullAll(h);
        EXPECT_GT(pcm.size(), 0u);
        EXPECT_EQ(AUDIO_ErrorGetCode(), c.error);
        AUDIO_StreamFree(h);
    }

    // A server that announces more than it sends never completes: the
    // download fails once the retries are spent, keeping every byte.
    AUDIO_SetConfig(AUDIO_CONFIG_NET_RETRY, 1500);
    LoopbackServer::Reply liar;
    liar.body = body;
    liar.contentLength = false;
    liar.headers = {"Content-Length: " + std::to_string(body.size() + 50000)};
    server.route("/liar.mp3", liar);
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.url("/liar.mp3").c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    DownloadRecorder download;
    SyncRecorder end;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &DownloadRecorder::proc, &download);
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
    ASSERT_TRUE(waitUntil([&] { return download.count.load() == 1; }, 10000));
    EXPECT_EQ(download.result.load(), AUDIO_ERROR_CONNECT);
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD), body.size());
    EXPECT_EQ(pullAll(h), decodeMpeg(files().cbr));
    EXPECT_EQ(end.count.load(), 0);
    AUDIO_StreamFree(h);
}

TEST(AudiolibStreamResume, RadioReconnectsToTheLiveStream)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    LoopbackServer server;
    LoopbackServer::Reply station;
    station.body = readFile(files().cbr);
    station.endless = true;
    station.icyInterval = 8000;
    station.icyTitles = {"One"};
    station.headers = {"icy-name: Test"};
    station.dropAfter = 40000; // every connection breaks after 40 kB of audio
    server.route("/live", station);

    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.url("/live").c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    DownloadRecorder download;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &DownloadRecorder::proc, &download);
    std::vector<uint8_t> buf(4608);
    size_t pulled = 0;
    ASSERT_TRUE(waitUntil([&] {
        const uint32_t n = AUDIO_ChannelGetData(h, buf.data(), uint32_t(buf.size()));
        pulled += n == uint32_t(-1) ? 0 : n;
        return AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) > 100000;
    }, 15000));
    // Each reconnection is a fresh request for the live stream, without a range.
    const auto heads = server.requestHeads();
    ASSERT_GE(heads.size(), 3u);
    for (const auto &head : heads)
        EXPECT_EQ(rangeOf(head), "");
    EXPECT_GT(pulled, 0u);
    EXPECT_EQ(download.count.load(), 0);
    AUDIO_StreamFree(h);
}
