// A download that breaks off is resumed into the same store: the decoder sees
// no seam, a server that ignores the range has its start skipped, and only a
// server that stays broken (or refuses) fails the download, keeping the data.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"
#include "TLoopbackServer.h"

#include <gtest/gtest.h>

using namespace AudioFixtures;

namespace {

TLoopbackReply cutOnce(const std::string &body, qint64 at)
{
    TLoopbackReply r;
    r.Status = 200;
    r.Bytes = QByteArray::fromStdString(body);
    r.DropAfter = at;
    r.DropTimes = 1;
    return r;
}

std::string rangeOf(const std::string &head)
{
    const size_t at = head.find("Range: bytes=");
    return at == std::string::npos ? std::string() : head.substr(at + 13, head.find("\r\n", at) - at - 13);
}

// Every request head so far, in order of arrival.
std::vector<std::string> requestHeads(const TLoopbackServer &server)
{
    std::vector<std::string> heads;
    for (const TLoopbackRequest &request : server.Requests())
        heads.push_back(request.Raw.toStdString());
    return heads;
}

} // namespace

TEST(AudiolibStreamResume, CutTransferResumesWithoutASeam)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    const std::string body = readFile(files().cbr);
    const size_t half = body.size() / 2;
    // Ignores the range: the whole file again, whose first half must be dropped.
    TLoopbackReply tagged = cutOnce(body, half);
    tagged.Headers = {"ETag: \"v1\"", "Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT"};
    server.Route("/etag.mp3", tagged);
    TLoopbackReply dated = cutOnce(body, half);
    dated.Headers = {"Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT"};
    server.Route("/dated.mp3", dated);
    server.Route("/plain.mp3", cutOnce(body, half));
    const auto full = decodeMpeg(files().cbr);

    struct Case {
        const char *path;
        const char *ifRange; // expected validator, empty: none sent
    };
    for (const Case &c : {Case{"/etag.mp3", "\"v1\""}, Case{"/dated.mp3", "Mon, 07 Dec 2026 10:00:00 GMT"},
                          Case{"/plain.mp3", ""}}) {
        SCOPED_TRACE(c.path);
        const size_t before = requestHeads(server).size();
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url(c.path).constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
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
        const auto heads = requestHeads(server);
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
    TLoopbackServer server;
    const std::string body = readFile(files().cbr);
    const size_t half = body.size() / 2;
    TLoopbackReply cut = cutOnce(body, half);
    cut.DropTimes = -1; // every request breaks at the same place
    server.Route("/cut.mp3", cut);
    const auto full = decodeMpeg(files().cbr);

    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/cut.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
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
    const size_t requests = requestHeads(server).size();
    EXPECT_GE(requests, 3u);

    // The server mends; Play asks for the rest and the decoder goes on where it was.
    server.Route("/cut.mp3", cutOnce(body, -1));
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    const auto rest = pullAll(h);
    pcm.insert(pcm.end(), rest.begin(), rest.end());
    ASSERT_EQ(pcm.size(), full.size());
    EXPECT_TRUE(pcm == full);
    EXPECT_TRUE(waitUntil([&] { return end.count.load() == 1 && download.count.load() == 2; }));
    EXPECT_EQ(download.result.load(), AUDIO_OK);
    EXPECT_EQ(rangeOf(requestHeads(server).back()), std::to_string(half) + "-");
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
    TLoopbackServer server;
    const std::string body = readFile(files().cbr);
    const size_t third = body.size() / 3;

    TLoopbackReply refused;
    refused.Status = 416;
    refused.Bytes = QByteArray::fromStdString("range not satisfiable\n");
    TLoopbackReply html;
    html.Status = 200;
    html.Bytes = QByteArray::fromStdString("<!DOCTYPE html><html><body>" + std::string(2000, 'x') + "</body></html>");
    html.Headers = {"Content-Type: text/html"};
    TLoopbackReply changed;
    changed.Status = 200;
    changed.Bytes = QByteArray::fromStdString(body);
    changed.Headers = {"ETag: \"v2\""};
    TLoopbackReply other; // same kind of file, another length
    other.Status = 200;
    other.Bytes = QByteArray::fromStdString(body.substr(0, body.size() - 1000));

    struct Case {
        const char *name;
        TLoopbackReply second;
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
        TLoopbackReply first;
        first.Status = 200;
        first.Bytes = QByteArray::fromStdString(body);
        if (c.second.Headers.size() == 1 && c.second.Headers[0].startsWith("ETag"))
            first.Headers = {"ETag: \"v1\""};
        first.DropAfter = third;
        server.Route(QByteArray::fromStdString(path), first);
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url(QByteArray::fromStdString(path)).constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        ASSERT_NE(h, 0u);
        DownloadRecorder download;
        AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &DownloadRecorder::proc, &download);
        // The first reply breaks off; what answers the resume (half a second
        // later) is refused without retrying.
        server.Route(QByteArray::fromStdString(path), c.second);
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
    TLoopbackReply liar;
    liar.Status = 200;
    liar.Bytes = QByteArray::fromStdString(body);
    liar.ContentLength = false;
    liar.Headers = {"Content-Length: " + QByteArray::number(qint64(body.size()) + 50000)};
    server.Route("/liar.mp3", liar);
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/liar.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
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
    TLoopbackServer server;
    TLoopbackReply station;
    station.Status = 200;
    station.Bytes = QByteArray::fromStdString(readFile(files().cbr));
    station.Endless = true;
    station.IcyInterval = 8000;
    station.IcyMeta = {"StreamTitle='One';"};
    station.Headers = {"icy-name: Test"};
    station.DropAfter = 40000; // every connection breaks after 40 kB of audio
    server.Route("/live", station);

    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/live").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
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
    const auto heads = requestHeads(server);
    ASSERT_GE(heads.size(), 3u);
    for (const auto &head : heads)
        EXPECT_EQ(rangeOf(head), "");
    EXPECT_GT(pulled, 0u);
    EXPECT_EQ(download.count.load(), 0);
    AUDIO_StreamFree(h);
}
