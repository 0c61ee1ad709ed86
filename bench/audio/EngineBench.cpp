// Two measurements, one run each:
//  1. Process CPU time per minute of a 128 kbit/s stream played through the
//     engine and its output pipeline on the silent device, against the
//     library decoding the same stream alone (decode-only channel pulled at
//     real-time pace on the same device). That baseline costs about as much
//     as the engine itself, so the ratio is reported only to compare with
//     older runs; the figure that tells is the ratio to the mpg123 program
//     decoding the same file fetched at the same pace (its whole CPU time).
//  2. Delay from the moment the device took the last byte of a stream to
//     OnPlayEnd. Target: at most 0.7 s.
//  3. Time Open keeps the user-interface thread against a server that
//     answers after 200 ms, next to the time until the stream is ready.
// For reference it also reports the engine letting the library play the
// stream itself (single-channel mode), which shows what the pipeline adds
// over the library's own output path.
// Usage: bench_audio_engine [seconds of playing per measurement, default 20]
#include "TLoopbackServer.h"
#include "Mpg123Program.h"
#include "TStreamPlayer.h"
#include "TestMedia.h"

#include "sonaroaudio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>
#include <thread>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Open, then the event loop until its outcome; callMs gets the time the
// call itself took on this thread.
bool openAndWait(TStreamPlayer &player, const QString &url, double *callMs = nullptr)
{
    auto outcome = std::make_shared<int>(-1);
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    player.Open(url.toLatin1(), [outcome, &loop](bool opened) {
        *outcome = opened ? 1 : 0;
        loop.quit();
    });
    if (callMs)
        *callMs = double(clock.nsecsElapsed()) / 1e6;
    if (*outcome < 0) {
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return *outcome == 1;
}

template <typename F>
F bind(void *library, const char *name)
{
    return reinterpret_cast<F>(dlsym(library, name));
}

TStreamPlayer::Setup silentSetup()
{
    TStreamPlayer::Setup setup;
    setup.LibraryFolder = QStringLiteral(SONARO_BIN_DIR);
    setup.OutputDevice = AUDIO_DEVICE_SILENT;
    setup.ShowError = [](const QString &text) { std::fprintf(stderr, "engine error: %s\n", qPrintable(text)); };
    return setup;
}

// CPU seconds spent while the engine plays `seconds` of the stream, through
// the output pipeline or (single) letting the library play it directly.
double engineCpu(const QString &url, int seconds, bool single = false)
{
    TStreamPlayer player(nullptr, silentSetup());
    player.SetSingleChannel(single);
    if (player.AudioLibVer().isEmpty() || !openAndWait(player, url))
        return -1;
    player.Play();
    runEvents(300); // past priming
    const double start = cpuSeconds();
    runEvents(seconds * 1000);
    const double used = cpuSeconds() - start;
    if (player.Underruns() != 0)
        std::fprintf(stderr, "note: %llu underruns\n", static_cast<unsigned long long>(player.Underruns()));
    return used;
}

// CPU seconds of the library alone: its decode-only stream pulled at
// real-time pace, with the same silent device running.
double libraryCpu(const QString &url, int seconds)
{
    void *library = dlopen(SONARO_BIN_DIR "/libsonaroaudio.so", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return -1;
    auto init = bind<decltype(&AUDIO_Init)>(library, "AUDIO_Init");
    auto freeAll = bind<decltype(&AUDIO_Free)>(library, "AUDIO_Free");
    auto create = bind<decltype(&AUDIO_StreamCreateURL)>(library, "AUDIO_StreamCreateURL");
    auto getData = bind<decltype(&AUDIO_ChannelGetData)>(library, "AUDIO_ChannelGetData");
    init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr);
    const QByteArray u = url.toLatin1();
    const AUDIO_HANDLE stream = create(u.constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    double used = -1;
    if (stream) {
        std::vector<char> buffer(44100 * 4 / 50);
        const auto begin = std::chrono::steady_clock::now();
        getData(stream, buffer.data(), std::uint32_t(buffer.size())); // first block, as the engine's priming does
        const double start = cpuSeconds();
        for (int step = 1; step <= seconds * 50; ++step) {
            getData(stream, buffer.data(), std::uint32_t(buffer.size()));
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(20 * step));
        }
        used = cpuSeconds() - start;
    }
    freeAll();
    dlclose(library);
    return used;
}

// Milliseconds from the device taking the stream's last byte to OnPlayEnd.
double endLatencyMs(const QString &url)
{
    TStreamPlayer player(nullptr, silentSetup());
    void *library = dlopen(SONARO_BIN_DIR "/libsonaroaudio.so", RTLD_NOW | RTLD_NOLOAD);
    auto position = bind<decltype(&AUDIO_ChannelGetPosition)>(library, "AUDIO_ChannelGetPosition");
    if (!openAndWait(player, url))
        return -1;
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> lastChange{0};
    std::atomic<bool> done{false};
    qint64 endAt = -1;
    QObject::connect(&player, &TStreamPlayer::OnPlayEnd, &player, [&] { endAt = clock.nsecsElapsed(); done = true; });
    player.Play();
    const AUDIO_HANDLE output = player.OutputChannel();
    // Watches the device's progress on the output stream every millisecond.
    std::thread watcher([&] {
        std::uint64_t last = 0;
        while (!done) {
            const std::uint64_t now = position(output, AUDIO_POS_BYTE);
            if (now != last && now != std::uint64_t(-1)) {
                last = now;
                lastChange = clock.nsecsElapsed();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] { if (done) loop.quit(); });
    poll.start(5);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    done = true;
    watcher.join();
    dlclose(library);
    return endAt < 0 ? -1 : double(endAt - lastChange.load()) / 1e6;
}

// Milliseconds the Open call held this thread, and until the stream was ready.
std::pair<double, double> openTimes(const QString &url)
{
    TStreamPlayer player(nullptr, silentSetup());
    QElapsedTimer clock;
    clock.start();
    double callMs = -1;
    if (!openAndWait(player, url, &callMs))
        return {-1, -1};
    return {callMs, double(clock.nsecsElapsed()) / 1e6};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    TLoopbackServer server;
    TLoopbackReply file;
    file.Status = 200;
    file.Headers = {"Content-Type: audio/mpeg"};
    file.Bytes = TestMedia::mp3(seconds + 5, 44100, 2, 128);
    if (file.Bytes.isEmpty()) {
        std::fprintf(stderr, "needs sox, lame and a loopback address\n");
        return 1;
    }
    server.Route("/long.mp3", file);
    // The same file at the stream's own pace (plus 10 %), for mpg123.
    file.BytesPerSecond = 128000 / 8 * 11 / 10;
    server.Route("/paced.mp3", file);
    file.BytesPerSecond = 0;
    file.Bytes = TestMedia::mp3(2.0, 44100, 2, 128);
    server.Route("/short.mp3", file);
    file.DelayMs = 200;
    server.Route("/held.mp3", file);

    const double library = libraryCpu(QString::fromLatin1(server.Url("/long.mp3")), seconds);
    const double engine = engineCpu(QString::fromLatin1(server.Url("/long.mp3")), seconds);
    const double single = engineCpu(QString::fromLatin1(server.Url("/long.mp3")), seconds, true);
    if (library <= 0 || engine < 0 || single <= 0) {
        std::fprintf(stderr, "measurement failed\n");
        return 1;
    }
    const double perMinute = 60.0 / seconds;
    std::printf("cpu per minute, library decode-only alone : %.3f s\n", library * perMinute);
    std::printf("cpu per minute, engine + output pipeline  : %.3f s\n", engine * perMinute);
    std::printf("ratio engine/library (old baseline)       : %.2f\n", engine / library);
    const double mpg123 = mpg123ProgramCpu(QString::fromLatin1(server.Url("/paced.mp3")));
    std::printf("cpu per minute, mpg123 program, same file  : %.3f s (whole %d s file, fetched at pace)\n",
                mpg123 * perMinute, seconds + 5);
    std::printf("ratio engine/mpg123                       : %.2f (per played second)\n",
                engine / (mpg123 * seconds / (seconds + 5)));
    std::printf("cpu per minute, library plays it directly : %.3f s (engine in single-channel mode)\n", single * perMinute);
    std::printf("ratio pipeline/direct                     : %.2f\n", engine / single);

    std::vector<double> latencies;
    for (int i = 0; i < 5; ++i)
        latencies.push_back(endLatencyMs(QString::fromLatin1(server.Url("/short.mp3"))));
    std::sort(latencies.begin(), latencies.end());
    std::printf("end of sound to OnPlayEnd, 5 runs         : min %.0f ms, median %.0f ms, max %.0f ms (target <= 700)\n",
                latencies.front(), latencies[2], latencies.back());

    std::vector<double> calls;
    std::vector<double> ready;
    for (int i = 0; i < 5; ++i) {
        const auto [call, total] = openTimes(QString::fromLatin1(server.Url("/held.mp3")));
        calls.push_back(call);
        ready.push_back(total);
    }
    std::sort(calls.begin(), calls.end());
    std::sort(ready.begin(), ready.end());
    std::printf("Open on the UI thread (server waits 200 ms): call max %.2f ms, ready median %.0f ms\n",
                calls.back(), ready[2]);
    return 0;
}
