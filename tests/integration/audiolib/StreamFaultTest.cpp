// Servers that fail or misbehave: creation fails with a reason, a cut or
// stalled transfer never hangs, an endless body keeps memory bounded.
#include "AudioFixtures.h"
#include "AudioTestSupport.h"
#include "TLoopbackServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

using namespace AudioFixtures;

// Freed chunks must come back, not wait in the address sanitizer's quarantine.
extern "C" const char *__asan_default_options() { return "quarantine_size_mb=1"; }

namespace {

TLoopbackReply bodyReply(std::string body)
{
    TLoopbackReply r;
    r.Status = 200;
    r.Bytes = QByteArray::fromStdString(std::move(body));
    return r;
}

size_t residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * size_t(sysconf(_SC_PAGESIZE));
}

} // namespace

TEST(AudiolibStreamFaults, CreationFailsWithAReason)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    server.Route("/page.mp3", bodyReply("<!DOCTYPE html><html><head><title>Hello</title></head><body>"
                                        + std::string(20000, 'x') + "</body></html>"));
    std::mt19937 rng(3);
    std::string noise(200000, '\0');
    for (auto &ch : noise)
        ch = char(rng());
    server.Route("/noise.mp3", bodyReply(noise));
    server.Route("/empty.mp3", bodyReply(""));
    TLoopbackReply forbidden = bodyReply(readFile(files().cbr));
    forbidden.Status = 403;
    server.Route("/forbidden.mp3", forbidden);

    struct Expect {
        std::string url;
        int error;
    };
    // A port on our own address where nothing listens.
    const int closedPort = [&] {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, server.Host().constData(), &a.sin_addr);
        bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
        close(fd);
        return int(ntohs(a.sin_port));
    }();
    const std::vector<Expect> expects = {
        {server.Url("/missing.mp3").toStdString(), AUDIO_ERROR_HTTP},
        {server.Url("/forbidden.mp3").toStdString(), AUDIO_ERROR_HTTP},
        {server.Url("/page.mp3").toStdString(), AUDIO_ERROR_FORMAT},
        {server.Url("/noise.mp3").toStdString(), AUDIO_ERROR_FORMAT},
        {server.Url("/empty.mp3").toStdString(), AUDIO_ERROR_FORMAT},
        {"http://" + server.Host().toStdString() + ":" + std::to_string(closedPort) + "/x.mp3", AUDIO_ERROR_CONNECT},
        {"ftp://" + server.Host().toStdString() + "/x.mp3", AUDIO_ERROR_PARAMETER},
        {"song.mp3", AUDIO_ERROR_PARAMETER},
    };
    for (const auto &e : expects) {
        SCOPED_TRACE(e.url);
        for (uint32_t flags : {0u, AUDIO_STREAM_DECODE}) {
            EXPECT_EQ(AUDIO_StreamCreateURL(e.url.c_str(), 0, flags, nullptr, nullptr), 0u);
            EXPECT_EQ(AUDIO_ErrorGetCode(), e.error);
        }
    }
    EXPECT_EQ(AUDIO_StreamCreateURL(nullptr, 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_PARAMETER);
}

TEST(AudiolibStreamFaults, CutTransferNeverPassesForTheEnd)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    AUDIO_SetConfig(AUDIO_CONFIG_NET_RETRY, 1000);
    TLoopbackServer server;
    const std::string body = readFile(files().cbr);
    TLoopbackReply cut = bodyReply(body);
    cut.DropAfter = body.size() / 2; // every request, resumed ones too
    server.Route("/cut.mp3", cut);

    // Decode-only: the data stops short, the download reports its failure
    // once the retries are spent, and nothing hangs or claims the end.
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/cut.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    SyncRecorder end;
    DownloadRecorder download;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &end);
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_DOWNLOAD, 0, &DownloadRecorder::proc, &download);
    const auto pcm = pullAll(h);
    const auto full = decodeMpeg(files().cbr);
    EXPECT_GT(pcm.size(), full.size() / 3);
    EXPECT_LT(pcm.size(), full.size() * 2 / 3);
    // What arrived decodes exactly as the start of the whole file.
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end() - std::min<size_t>(pcm.size(), 4608), full.begin()));
    EXPECT_TRUE(waitUntil([&] { return download.count.load() == 1; }));
    EXPECT_EQ(download.result.load(), AUDIO_ERROR_CONNECT);
    EXPECT_EQ(end.count.load(), 0);
    // The file keeps the size its server announced; the length is not cut to what arrived.
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_END), body.size());
    EXPECT_EQ(AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD), body.size() / 2);
    AUDIO_StreamFree(h);

    // Played: what arrived plays, then the channel waits (stalled) instead of ending.
    const AUDIO_HANDLE p = AUDIO_StreamCreateURL(server.Url("/cut.mp3").constData(), 0, 0, nullptr, nullptr);
    ASSERT_NE(p, 0u);
    SyncRecorder playedEnd;
    AUDIO_ChannelSetSync(p, AUDIO_SYNC_END, 0, &SyncRecorder::proc, &playedEnd);
    // Skip most of what arrived so the test does not wait for it in real time.
    ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(p, AUDIO_FILEPOS_DOWNLOAD) == body.size() / 2; }));
    const uint64_t nearEnd = pcm.size() - 44100 * 4 / 2;
    ASSERT_TRUE(AUDIO_ChannelSetPosition(p, nearEnd - nearEnd % 4, AUDIO_POS_BYTE));
    ASSERT_TRUE(AUDIO_ChannelPlay(p, 0));
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(p, AUDIO_POS_BYTE) > nearEnd + 44100; }, 5000));
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelIsActive(p) == AUDIO_ACTIVE_STALLED; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(AUDIO_ChannelIsActive(p), uint32_t(AUDIO_ACTIVE_STALLED));
    EXPECT_EQ(playedEnd.count.load(), 0);
    AUDIO_StreamFree(p);
}

TEST(AudiolibStreamFaults, StalledServerReportsStalledAndResumes)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    const std::string body = readFile(files().cbr);
    TLoopbackReply slow = bodyReply(body);
    slow.StallAfter = 24000; // about 1.5 s of audio, then nothing for a while
    slow.StallMs = 3000;
    server.Route("/stall.mp3", slow);
    server.Route("/stall2.mp3", slow);

    // Played channel: runs dry, says stalled, then plays on when data comes.
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/stall.mp3").constData(), 0, 0, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(AUDIO_ChannelPlay(h, 0));
    // Plays what arrived (about 1.5 s), then runs dry.
    ASSERT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > 44100 * 4 / 2; }, 5000));
    ASSERT_TRUE(waitUntil([&] { return AUDIO_ChannelIsActive(h) == AUDIO_ACTIVE_STALLED; }, 5000));
    const uint64_t stalledAt = AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), stalledAt);
    ASSERT_TRUE(waitUntil([&] { return AUDIO_ChannelIsActive(h) == AUDIO_ACTIVE_PLAYING; }, 8000));
    ASSERT_TRUE(waitUntil([&] { return AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE) > stalledAt + 44100; }, 5000));
    // Pause and stop are reported as such.
    ASSERT_TRUE(AUDIO_ChannelPause(h));
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_PAUSED));
    const uint64_t pausedAt = AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE), pausedAt);
    ASSERT_TRUE(AUDIO_ChannelStop(h));
    EXPECT_EQ(AUDIO_ChannelIsActive(h), uint32_t(AUDIO_ACTIVE_STOPPED));
    AUDIO_StreamFree(h);

    // Decode-only: a reader waits for the data, and a free while it waits does not hang.
    const AUDIO_HANDLE d = AUDIO_StreamCreateURL(server.Url("/stall2.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(d, 0u);
    std::atomic<uint32_t> got{0};
    std::thread reader([&] {
        std::vector<uint8_t> buf(4 * 44100 * 4);
        got.store(AUDIO_ChannelGetData(d, buf.data(), uint32_t(buf.size())));
    });
    EXPECT_TRUE(waitUntil([&] { return AUDIO_ChannelIsActive(d) == AUDIO_ACTIVE_STALLED; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let the reader block
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(AUDIO_StreamFree(d));
    reader.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    // Either what had arrived, or (had the reader come late) a dead handle; never the whole request.
    EXPECT_NE(got.load(), uint32_t(4 * 44100 * 4));
}

TEST(AudiolibStreamFaults, SilentServerTimesOut)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    AUDIO_SetConfig(AUDIO_CONFIG_NET_TIMEOUT, 1000);
    TLoopbackServer server;
    TLoopbackReply silent = bodyReply(readFile(files().cbr));
    silent.StallAfter = 0;
    silent.StallMs = 8000;
    server.Route("/silent.mp3", silent);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(AUDIO_StreamCreateURL(server.Url("/silent.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr), 0u);
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(AudiolibStreamFaults, EndlessBodyKeepsMemoryBounded)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    AUDIO_SetConfig(AUDIO_CONFIG_NET_MEMORY, 4);
    AUDIO_SetConfig(AUDIO_CONFIG_NET_WINDOW, 1024);
    TLoopbackServer server;
    TLoopbackReply endless = bodyReply(readFile(files().cbr));
    endless.Endless = true;
    server.Route("/endless.mp3", endless);
    // A body larger than the cap, with a length: kept as a window too.
    std::string big;
    while (big.size() < 12u * 1024 * 1024)
        big += readFile(files().cbr);
    server.Route("/big.mp3", bodyReply(big));

    for (const char *path : {"/endless.mp3", "/big.mp3"}) {
        SCOPED_TRACE(path);
        const size_t before = residentBytes();
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url(path).constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(waitUntil([&] { return AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) > 40u * 1024 * 1024
                                       || AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) == big.size(); }, 30000));
        EXPECT_LT(residentBytes(), before + 32u * 1024 * 1024);
        // Still decodes what it keeps; seeking back to the start is gone.
        std::vector<uint8_t> buf(4608);
        EXPECT_EQ(AUDIO_ChannelGetData(h, buf.data(), uint32_t(buf.size())), buf.size());
        EXPECT_FALSE(AUDIO_ChannelSetPosition(h, 0, AUDIO_POS_BYTE));
        AUDIO_StreamFree(h);
    }
}

namespace {

// One AUDIO_StreamCreateURL on a thread of its own, as the player engine runs it.
struct BackgroundCreate {
    std::atomic<uint64_t> bytes{0};   // what the download handed over so far
    std::atomic<bool> returned{false};
    AUDIO_HANDLE handle = 0;          // written by the thread before returned
    int error = -1;                   // as handle
    std::thread thread;

    explicit BackgroundCreate(const std::string &url)
        : thread([this, url] {
              handle = AUDIO_StreamCreateURL(url.c_str(), 0, AUDIO_STREAM_DECODE, &BackgroundCreate::count, this);
              error = AUDIO_ErrorGetCode();
              returned.store(true);
          })
    {
    }
    ~BackgroundCreate() { join(); }
    void join()
    {
        if (thread.joinable())
            thread.join();
    }

    static void count(const void *, uint32_t length, void *user)
    {
        static_cast<BackgroundCreate *>(user)->bytes.fetch_add(length);
    }
};

} // namespace

TEST(AudiolibStreamFaults, FreeCancelsCreationsWaitingOnTheNetwork)
{
    AudioSession session;
    ASSERT_TRUE(session.ok);
    TLoopbackServer server;
    const std::string mp3 = readFile(files().cbr);
    const std::string wav = readFile(files().wav);
    // Each waits somewhere else for 20 s: for the answer, in recognition, in the decoder's open.
    TLoopbackReply silent = bodyReply(mp3);
    silent.DelayMs = 20000;
    TLoopbackReply fewFrames = bodyReply(mp3);
    fewFrames.StallAfter = 1000;
    fewFrames.StallMs = 20000;
    TLoopbackReply wavHead = bodyReply(wav);
    wavHead.StallAfter = 16;
    wavHead.StallMs = 20000;
    server.Route("/silent.mp3", silent);
    server.Route("/few.mp3", fewFrames);
    server.Route("/head.wav", wavHead);
    server.Route("/whole.mp3", bodyReply(mp3));

    {
        BackgroundCreate waitsForAnswer(server.Url("/silent.mp3").toStdString());
        BackgroundCreate waitsInRecognition(server.Url("/few.mp3").toStdString());
        BackgroundCreate waitsInOpen(server.Url("/head.wav").toStdString());
        ASSERT_TRUE(waitUntil([&] {
            return server.RequestCount() == 3 && waitsInRecognition.bytes.load() == 1000 && waitsInOpen.bytes.load() == 16;
        }));
        EXPECT_TRUE(AUDIO_Free());
        for (BackgroundCreate *c : {&waitsForAnswer, &waitsInRecognition, &waitsInOpen}) {
            ASSERT_TRUE(waitUntil([c] { return c->returned.load(); }));
            EXPECT_EQ(c->handle, 0u);
            EXPECT_EQ(c->error, AUDIO_ERROR_NOT_INITIALISED);
        }
        // All gave up while the server still held them.
        EXPECT_EQ(server.PausesServed(), 0);
    }

    // Later calls are refused until the next Init, which works as before.
    EXPECT_EQ(AUDIO_StreamCreateURL(server.Url("/whole.mp3").constData(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(AUDIO_ErrorGetCode(), AUDIO_ERROR_NOT_INITIALISED);
    ASSERT_TRUE(AUDIO_Init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr));
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.Url("/whole.mp3").constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(pullAll(h).size(), decodeMpeg(files().cbr).size());
    EXPECT_TRUE(AUDIO_StreamFree(h));
}

TEST(AudiolibStreamFaults, FreeRacingACreationNeverLeavesItHalfDone)
{
    TLoopbackServer server;
    server.Route("/short.wav", bodyReply(readFile(files().wav)));
    const std::string url = server.Url("/short.wav").toStdString();
    // How long one creation takes here, so the frees below land before, during and after it.
    ASSERT_TRUE(AUDIO_Init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_NE(AUDIO_StreamCreateURL(url.c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr), 0u);
    const auto span = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(AUDIO_Free());

    constexpr int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(AUDIO_Init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr));
        BackgroundCreate create(url);
        std::this_thread::sleep_for(span * round * 3 / (2 * kRounds));
        EXPECT_TRUE(AUDIO_Free());
        create.join();
        // Finished first: freed with the rest. Otherwise refused, whatever the network said.
        EXPECT_EQ(create.error, create.handle != 0 ? AUDIO_OK : AUDIO_ERROR_NOT_INITIALISED);
    }
    // The library is whole afterwards.
    ASSERT_TRUE(AUDIO_Init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr));
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(url.c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(pullAll(h).size(), decodeSndfile(files().wav).size());
    EXPECT_TRUE(AUDIO_Free());
}
