// A played stream against the companion service through a pacing relay.
//
//   bench_audiolib_outage [seconds]          (default 60) a 128 kbit/s track at
//       1.5 times its rate; the service is killed early (so that the sound runs
//       dry) and restarted 3 s later. Figures: time from the service answering
//       again to sound resuming, against the retry schedule (target: at most 1 s
//       beyond the back-off step), and body bytes fetched twice (target 0).
//   bench_audiolib_outage --lossy [seconds]  (default 180) a 320 kbit/s track
//       over 1 Mbit/s with 200 ms delay and 2 % of the service's packets
//       dropped (iptables in a namespace of its own). Figure: stalls after the
//       sound began (target 0).
#include "BenchSupport.h"
#include "PacingProxy.h"
#include "sonaroaudio.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

constexpr const char *kService = "127.62.0.1";
constexpr const char *kRelay = "127.62.0.2";

bool listening(const char *host)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(80);
    inet_pton(AF_INET, host, &a.sin_addr);
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

// The service built beside the benchmarks, on kService:80.
pid_t startService(const std::string &dir)
{
    const std::string program =
        std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().parent_path() / "bin/sonaro-service";
    const pid_t pid = fork();
    if (pid == 0) {
        freopen((dir + "/service.log").c_str(), "a", stdout);
        freopen((dir + "/service.log").c_str(), "a", stderr);
        execl(program.c_str(), program.c_str(), "--music", (dir + "/music").c_str(), "--database",
              (dir + "/db").c_str(), "--address", kService, static_cast<char *>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 2000 && !listening(kService); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return pid;
}

void stopService(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

struct EndFlag {
    std::atomic<bool> ended{false};
    static void proc(AUDIO_HANDLE, AUDIO_HANDLE, uintptr_t, void *user) { static_cast<EndFlag *>(user)->ended = true; }
};

bool sh(const std::string &command)
{
    return std::system(command.c_str()) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    const bool lossy = argc > 1 && std::strcmp(argv[1], "--lossy") == 0;
    const int seconds = argc > (lossy ? 2 : 1) ? std::atoi(argv[lossy ? 2 : 1]) : (lossy ? 180 : 60);
    const int kbps = lossy ? 320 : 128;
    // A namespace of its own: fixed addresses, and rules that touch nothing else.
    // Small send buffers: a killed server takes what it had not sent along.
    const bool isolated = unshare(CLONE_NEWNET) == 0 && sh("ip link set lo mtu 1500 up")
                       && sh("sysctl -q -w net.ipv4.tcp_wmem='4096 8192 16384'");
    if (!isolated)
        std::fprintf(stderr, "note: no network namespace of its own; using the current one\n");
    if (lossy && !(isolated && sh("iptables -A INPUT -i lo -p tcp --sport 80 -m statistic --mode random "
                                  "--probability 0.02 -j DROP"))) {
        std::fprintf(stderr, "cannot drop packets here (needs root and iptables)\n");
        return 1;
    }

    char pattern[] = "/tmp/sonaro-outage-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    std::filesystem::create_directories(dir + "/music");
    const std::string mp3 = makeMp3(seconds, kbps);
    std::ofstream(dir + "/music/track.mp3", std::ios::binary) << mp3;
    pid_t service = startService(dir);
    if (!listening(kService)) {
        std::fprintf(stderr, "the service did not start (see %s/service.log)\n", dir.c_str());
        return 1;
    }
    const size_t rate = lossy ? 125000 : size_t(kbps) * 125 * 3 / 2;
    PacingProxy relay(kRelay, kService, 80, rate, lossy ? 200 : 0);

    if (!AUDIO_Init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr))
        return 1;
    const double t0 = wallSeconds();
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(relay.url("/files/1/track.mp3").c_str(), 0, 0, nullptr, nullptr);
    if (!h) {
        std::fprintf(stderr, "no stream (error %d)\n", AUDIO_ErrorGetCode());
        return 1;
    }
    EndFlag end;
    AUDIO_ChannelSetSync(h, AUDIO_SYNC_END, 0, &EndFlag::proc, &end);
    AUDIO_ChannelPlay(h, 0);
    const double firstPcm = wallSeconds() - t0;

    double killedAt = 0, brokeAt = 0, upAt = 0, soundAt = 0, dryAt = 0;
    uint64_t downloadedAtKill = 0;
    int stalls = 0;
    double stalledSeconds = 0;
    bool stalled = false, sounding = false;
    double stallStart = 0;
    uint64_t lastPosition = 0;
    while (!end.ended.load() && wallSeconds() - t0 < seconds * 3 + 120) {
        const double now = wallSeconds();
        const uint64_t position = AUDIO_ChannelGetPosition(h, AUDIO_POS_BYTE);
        const bool dry = AUDIO_ChannelIsActive(h) == AUDIO_ACTIVE_STALLED;
        if (position > lastPosition)
            sounding = true;
        if (sounding && dry && !stalled) {
            stalled = true;
            stallStart = now;
            ++stalls;
        }
        if (stalled && position > lastPosition) {
            stalled = false;
            stalledSeconds += now - stallStart;
            // The silence the outage caused ends once the service is back.
            if (killedAt > 0 && stallStart >= killedAt && upAt > 0 && stallStart < upAt && soundAt == 0) {
                soundAt = now;
                dryAt = stallStart;
            }
        }
        lastPosition = position;
        // The library notices the break once what was under way has come.
        if (killedAt > 0 && brokeAt == 0 && AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_RETRIES) > 0)
            brokeAt = now;
        // Killed early, while little is buffered, so that the sound runs dry.
        if (!lossy && killedAt == 0 && AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) >= mp3.size() / 20) {
            stopService(service);
            killedAt = now;
            downloadedAtKill = AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD);
        }
        if (killedAt > 0 && upAt == 0 && now - killedAt >= 3.0) {
            service = startService(dir);
            upAt = wallSeconds();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool complete = AUDIO_StreamGetFilePosition(h, AUDIO_FILEPOS_DOWNLOAD) == mp3.size();
    AUDIO_StreamFree(h);
    AUDIO_Free();
    stopService(service);

    std::printf("%d s %d kbit/s track, first PCM after %.0f ms, played to its end: %s, whole file: %s\n", seconds, kbps,
                firstPcm * 1000, end.ended.load() ? "yes" : "NO", complete ? "yes" : "NO");
    if (lossy) {
        // The drop rule's own count, so the loss is seen to have happened.
        if (FILE *rules = popen("iptables -L INPUT -v -n -x | grep DROP", "r")) {
            unsigned long long packets = 0;
            if (std::fscanf(rules, "%llu", &packets) == 1)
                std::printf("packets of the service dropped: %llu\n", packets);
            pclose(rules);
        }
        std::printf("2 %% loss, 200 ms delay, 1 Mbit/s: %d stalls after the sound began, %.0f ms silent (target 0)\n",
                    stalls, stalledSeconds * 1000);
    } else {
        // The library retries 0.5, 1.5, 3.5, 7.5 s ... after the break.
        double step = 0.5, attempt = 0.5;
        while (brokeAt + attempt < upAt) {
            step = std::min(step * 2, 8.0);
            attempt += step;
        }
        std::printf("service killed at %.1f s with %llu of %zu bytes, back after %.2f s; the transfer broke %.2f s "
                    "after the kill (bytes under way came first)\n",
                    killedAt - t0, static_cast<unsigned long long>(downloadedAtKill), mp3.size(), upAt - killedAt,
                    brokeAt - killedAt);
        if (soundAt > 0)
            std::printf("the sound ran dry %.2f s after the kill; ", dryAt - killedAt);
        if (soundAt > 0)
            std::printf("sound resumed %.0f ms after the service answered again, %.0f ms after the retry due %.1f s "
                        "after the break (target <= 1000 ms)\n",
                        (soundAt - upAt) * 1000, (soundAt - brokeAt - attempt) * 1000, attempt);
        else
            std::printf("the sound never ran dry during the outage: no resume figure\n");
        std::printf("body bytes fetched: %llu for a %zu-byte file, %lld fetched twice (target 0); %d stall(s)\n",
                    static_cast<unsigned long long>(relay.bodyBytes()), mp3.size(),
                    static_cast<long long>(relay.bodyBytes()) - static_cast<long long>(mp3.size()), stalls);
    }
    for (const auto &request : relay.requests()) {
        const size_t at = request.find("Range: ");
        std::printf("  request %s\n", at == std::string::npos ? "(whole file)" : request.substr(at, request.find("\r\n", at) - at).c_str());
    }
    std::filesystem::remove_all(dir);
    return end.ended.load() && complete ? 0 : 1;
}
