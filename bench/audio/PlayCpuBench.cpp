// What playing costs the whole program, told against the mpg123 program:
//  1. CPU (utime + stime of the process, from /proc) of a player process -
//     the engine on the default SDL output (SDL_AUDIODRIVER=disk into
//     /dev/null) with the player panel's widgets, polled every 250 ms and
//     scrolled every 500 ms - while it plays a 128 kbit/s stream from a
//     server throttled to just above the stream's rate, against `mpg123 -s`
//     fed the same file at the same rate in the same run. Goal: at most 1.5.
//     It also tells each thread's share and wake-ups, and what one wake-up of
//     a thread that does nothing costs on this machine.
//  2. CPU of the same player process idle (nothing opened) for 10 s.
//  3. The library alone decoding the file from a local server against
//     mpg123_decode_frame from memory.
//  4. Optional (--long [seconds]): the player at load 2 (two busy processes,
//     stopped by PID afterwards) for 10 minutes, counting output underruns
//     of the library and of the engine's pipeline. Goal: 0.
// Usage: bench_audio_play_cpu [--seconds N] [--long [N]]
#include "TLoopbackServer.h"
#include "Mpg123Program.h"
#include "MainState.h"
#include "PanelBar.h"
#include "PanelWidgets.h"
#include "PlayerPanel.h"
#include "StreamPlayerControl.h"
#include "TKnob.h"
#include "TLEDLabel.h"
#include "TStreamPlayer.h"
#include "TestMedia.h"

#include "sonaroaudio.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <mpg123.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kBytesPerSecond = 128000 / 8 * 11 / 10; // 10 % above the stream's rate

// What one thread of a live process has used so far.
struct ThreadUse {
    std::string name;
    unsigned long long ns = 0;     // run time
    unsigned long long wakes = 0;  // voluntary context switches
};

// The scheduler's nanosecond run times of a live process's threads, by
// thread id.
std::map<std::string, ThreadUse> threadUse(pid_t pid)
{
    std::map<std::string, ThreadUse> use;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return use;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string task = tasks + "/" + entry->d_name;
        ThreadUse t;
        std::ifstream stat(task + "/schedstat");
        if (!(stat >> t.ns))
            continue;
        std::ifstream comm(task + "/comm");
        std::getline(comm, t.name);
        std::ifstream status(task + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                t.wakes = std::stoull(line.substr(line.find(':') + 1));
        use[entry->d_name] = t;
    }
    closedir(dir);
    return use;
}

// A CPU clock's reading in seconds, -1 when it cannot be read.
double clockSeconds(clockid_t clock)
{
    timespec ts{};
    if (clock_gettime(clock, &ts) != 0)
        return -1;
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double threadCpu()
{
    return clockSeconds(CLOCK_THREAD_CPUTIME_ID);
}

// CPU of a live process, threads that have ended included.
double processCpu(pid_t pid)
{
    clockid_t clock{};
    return clock_getcpuclockid(pid, &clock) == 0 ? clockSeconds(clock) : -1;
}

// CPU of one wake-up of a thread that only sleeps, on this machine: the
// price every thread of the player pays each time it wakes.
double idleWakeMicroseconds()
{
    const int wakes = 40;
    const double start = threadCpu();
    for (int i = 0; i < wakes; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return (threadCpu() - start) / wakes * 1e6;
}

// A child process running this program with the given arguments; its
// stdout is a pipe this side reads lines from.
struct Child {
    pid_t pid = -1;
    FILE *out = nullptr;

    Child(const char *self, std::vector<std::string> args)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            std::vector<char *> argv;
            for (auto &a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execvp(self, argv.data());
            _exit(127);
        }
        close(fds[1]);
        out = fdopen(fds[0], "r");
    }
    std::string line()
    {
        char buf[256];
        if (!out || !fgets(buf, sizeof buf, out))
            return {};
        return std::string(buf);
    }
    // CPU of the whole run, from the kernel's accounting at exit.
    double wait()
    {
        rusage usage{};
        int status = 0;
        if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid)
            return -1;
        pid = -1;
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
             + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    ~Child()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (out)
            fclose(out);
    }
};

// ---- the player process ----

struct PanelWindow {
    QWidget window;
    QAction items[5];
    std::unique_ptr<PanelWidgets> widgets;
    MainState state;
    std::unique_ptr<PlayerPanel> panel;
    QTimer playerTimer, ledTimer;

    PanelWindow()
    {
        window.resize(892, 574);
        auto *play = new QToolButton(&window);
        auto *pause = new QToolButton(&window);
        auto *stop = new QToolButton(&window);
        auto *knob = new TKnob(&window);
        auto *title = new TLEDLabel(&window);
        title->setGeometry(225, 5, 416, 17);
        auto *numbers = new TLEDLabel(&window);
        numbers->setGeometry(368, 25, 273, 17);
        auto *down = new PanelBar(QColor(192, 220, 192), QColor(), &window);
        auto *played = new PanelBar(QColor(0, 128, 0), QColor(), &window);
        down->setGeometry(225, 45, 416, 16);
        played->setGeometry(225, 45, 416, 16);
        widgets = std::make_unique<PanelWidgets>(PanelWidgets::Controls{play, pause, stop, knob, title, numbers, down,
                                                                        played, &items[0], &items[1], &items[2],
                                                                        &items[3], &items[4]});
        state.BarScale = 416;
        panel = std::make_unique<PlayerPanel>(state, *widgets);
        widgets->connectTo(*panel);
        window.show();
        QObject::connect(&playerTimer, &QTimer::timeout, &window, [this] { panel->tick(); });
        QObject::connect(&ledTimer, &QTimer::timeout, &window, [this] { panel->ledStep(); });
        playerTimer.start(250);
        ledTimer.start(500);
    }
};

uint32_t libraryUnderruns()
{
    void *library = dlopen(SONARO_BIN_DIR "/libsonaroaudio.so", RTLD_NOW | RTLD_NOLOAD);
    if (!library)
        return uint32_t(-1);
    auto get = reinterpret_cast<decltype(&AUDIO_GetConfig)>(dlsym(library, "AUDIO_GetConfig"));
    const uint32_t n = get ? get(AUDIO_CONFIG_UNDERRUNS) : uint32_t(-1);
    dlclose(library);
    return n;
}

// Plays url (or idles for idleSeconds when url is empty); reports on stdout.
int playerMain(int argc, char **argv, const QString &url, int idleSeconds)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", "/dev/null");
    QApplication app(argc, argv);
    TStreamPlayer::Setup setup;
    setup.LibraryFolder = QStringLiteral(SONARO_BIN_DIR);
    setup.OutputDevice = AUDIO_DEVICE_DEFAULT;
    setup.ShowError = [](const QString &text) { std::fprintf(stderr, "engine error: %s\n", qPrintable(text)); };
    TStreamPlayer player(nullptr, setup);
    if (player.AudioLibVer().isEmpty())
        return 1;
    PanelWindow panel;
    panel.panel->attach(std::make_unique<StreamPlayerControl>(player));
    if (url.isEmpty()) {
        std::printf("ready\n");
        std::fflush(stdout);
        QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
        app.exec();
        return 0;
    }
    QObject::connect(&player, &TStreamPlayer::OnPlayEnd, &app, [&] {
        std::printf("end %u %llu\n", libraryUnderruns(), static_cast<unsigned long long>(player.Underruns()));
        std::fflush(stdout);
        // Parent reads the CPU figure now, then lets this process go.
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
    });
    player.Open(url.toUtf8(), [&](bool opened) {
        if (!opened) {
            app.exit(1);
            return;
        }
        panel.panel->StartTrackDisplay(QStringLiteral("Bench tone"));
        std::printf("playing\n");
        std::fflush(stdout);
    });
    return app.exec();
}

// ---- measurements ----

struct PlayFigures {
    double cpu = -1;
    unsigned libraryUnderruns = 0;
    unsigned long long pipelineUnderruns = 0;
    std::vector<ThreadUse> threads; // what each thread used while playing
};

PlayFigures measurePlayer(const char *self, const QString &url)
{
    Child child(self, {self, "--player", url.toStdString()});
    PlayFigures f;
    if (child.line() != "playing\n")
        return f;
    const double startCpu = processCpu(child.pid);
    const auto start = threadUse(child.pid);
    // Threads that end before playing does (the download's) are seen last here.
    auto lastSeen = start;
    std::atomic<bool> ended{false};
    std::thread watcher([&] {
        while (!ended.load()) {
            for (auto &[id, t] : threadUse(child.pid))
                lastSeen[id] = t;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    const std::string end = child.line();
    const double stopCpu = processCpu(child.pid);
    ended.store(true);
    watcher.join();
    for (auto &[id, t] : threadUse(child.pid))
        lastSeen[id] = t;
    if (std::sscanf(end.c_str(), "end %u %llu", &f.libraryUnderruns, &f.pipelineUnderruns) != 2)
        return f;
    child.wait();
    f.cpu = stopCpu - startCpu;
    for (const auto &[id, after] : lastSeen) {
        const auto before = start.find(id);
        ThreadUse used = after;
        if (before != start.end()) {
            used.ns -= before->second.ns;
            used.wakes -= before->second.wakes;
        }
        if (used.ns > 0)
            f.threads.push_back(used);
    }
    return f;
}

double measureIdle(const char *self, int seconds)
{
    Child child(self, {self, "--idle", std::to_string(seconds + 3)});
    if (child.line() != "ready\n")
        return -1;
    std::this_thread::sleep_for(std::chrono::seconds(2)); // past start-up
    const double start = processCpu(child.pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double used = processCpu(child.pid) - start;
    child.wait();
    return used;
}

// Best of three: libmpg123 from memory on this thread's clock, and the
// library's decode-only stream from an unthrottled local server on the
// process clock (its download thread counts; the server's threads idle).
std::pair<double, double> measureDecode(const QByteArray &mp3, const QString &url)
{
    double bestRef = 1e9, bestLib = 1e9;
    void *library = dlopen(SONARO_BIN_DIR "/libsonaroaudio.so", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return {-1, -1};
    auto init = reinterpret_cast<decltype(&AUDIO_Init)>(dlsym(library, "AUDIO_Init"));
    auto freeAll = reinterpret_cast<decltype(&AUDIO_Free)>(dlsym(library, "AUDIO_Free"));
    auto create = reinterpret_cast<decltype(&AUDIO_StreamCreateURL)>(dlsym(library, "AUDIO_StreamCreateURL"));
    auto getData = reinterpret_cast<decltype(&AUDIO_ChannelGetData)>(dlsym(library, "AUDIO_ChannelGetData"));
    auto freeStream = reinterpret_cast<decltype(&AUDIO_StreamFree)>(dlsym(library, "AUDIO_StreamFree"));
    init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr);
    mpg123_init();
    for (int round = 0; round < 3; ++round) {
        double t = threadCpu();
        mpg123_handle *mh = mpg123_new(nullptr, nullptr);
        mpg123_open_feed(mh);
        mpg123_feed(mh, reinterpret_cast<const unsigned char *>(mp3.constData()), size_t(mp3.size()));
        for (;;) {
            off_t num = 0;
            unsigned char *audio = nullptr;
            size_t bytes = 0;
            const int r = mpg123_decode_frame(mh, &num, &audio, &bytes);
            if (r != MPG123_OK && r != MPG123_NEW_FORMAT)
                break;
        }
        mpg123_delete(mh);
        bestRef = std::min(bestRef, threadCpu() - t);

        const double libStart = clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const QByteArray u = url.toLatin1();
        const AUDIO_HANDLE h = create(u.constData(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        std::vector<uint8_t> buf(4608 * 8);
        while (h) {
            const uint32_t n = getData(h, buf.data(), uint32_t(buf.size()));
            if (n == uint32_t(-1) || n < buf.size())
                break;
        }
        if (h)
            freeStream(h);
        bestLib = std::min(bestLib, clockSeconds(CLOCK_PROCESS_CPUTIME_ID) - libStart);
    }
    freeAll();
    dlclose(library);
    return {bestLib, bestRef};
}

// Busy processes that keep the machine's load up; stopped by their PIDs.
struct Hogs {
    std::vector<pid_t> pids;
    explicit Hogs(int n)
    {
        for (int i = 0; i < n; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long x = 0;
                for (;;)
                    x = x + 1;
            }
            if (pid > 0)
                pids.push_back(pid);
        }
    }
    ~Hogs()
    {
        for (pid_t pid : pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--player") == 0)
        return playerMain(argc, argv, QString::fromUtf8(argv[2]), 0);
    if (argc >= 3 && std::strcmp(argv[1], "--idle") == 0)
        return playerMain(argc, argv, QString(), std::atoi(argv[2]));

    int seconds = 60;
    int longSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::max(5, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--long") == 0)
            longSeconds = i + 1 < argc && argv[i + 1][0] != '-' ? std::max(10, std::atoi(argv[++i])) : 600;
    }
    QCoreApplication app(argc, argv);
    TLoopbackServer server;
    TLoopbackReply file;
    file.Status = 200;
    file.Headers = {"Content-Type: audio/mpeg"};
    file.Bytes = TestMedia::mp3(seconds, 44100, 2, 128);
    if (file.Bytes.isEmpty()) {
        std::fprintf(stderr, "needs sox, lame, mpg123 and a loopback address\n");
        return 1;
    }
    server.Route("/fast.mp3", file);
    const QByteArray mp3 = file.Bytes;
    file.BytesPerSecond = kBytesPerSecond;
    server.Route("/paced.mp3", file);
    if (longSeconds > 0) {
        file.Bytes = TestMedia::mp3(longSeconds, 44100, 2, 128);
        server.Route("/long.mp3", file);
    }

    const PlayFigures player = measurePlayer(argv[0], QString::fromLatin1(server.Url("/paced.mp3")));
    const double mpg123 = mpg123ProgramCpu(QString::fromLatin1(server.Url("/paced.mp3")));
    if (player.cpu < 0 || mpg123 <= 0) {
        std::fprintf(stderr, "measurement failed (player %.3f, mpg123 %.3f)\n", player.cpu, mpg123);
        return 1;
    }
    std::printf("%d s of 128 kbit/s, server paced at %d B/s\n", seconds, kBytesPerSecond);
    std::printf("player process (engine + SDL output + panel): %.3f s CPU\n", player.cpu);
    std::printf("mpg123 -s, same file and pace              : %.3f s CPU\n", mpg123);
    std::printf("ratio player/mpg123                         : %.2f (goal <= 1.5)\n", player.cpu / mpg123);
    std::printf("underruns: library %u, pipeline %llu\n", player.libraryUnderruns, player.pipelineUnderruns);
    std::printf("player's threads while playing (CPU, wake-ups per second):\n");
    for (const ThreadUse &t : player.threads)
        std::printf("  %-16s %7.3f s  %5.1f /s\n", t.name.c_str(), double(t.ns) / 1e9, double(t.wakes) / seconds);
    std::printf("one wake-up of a thread that only sleeps costs %.1f us here\n", idleWakeMicroseconds());

    const double idle = measureIdle(argv[0], 10);
    std::printf("player process idle for 10 s               : %.3f s CPU (%.2f %% of a core)\n", idle, idle * 10);

    const auto [lib, ref] = measureDecode(mp3, QString::fromLatin1(server.Url("/fast.mp3")));
    std::printf("decode %d s: library decode-only %.3f s, mpg123_decode_frame from memory %.3f s, ratio %.2f\n",
                seconds, lib, ref, lib / ref);

    if (longSeconds > 0) {
        Hogs hogs(2);
        const PlayFigures loaded = measurePlayer(argv[0], QString::fromLatin1(server.Url("/long.mp3")));
        std::printf("%d s at load 2: player %.3f s CPU, underruns: library %u, pipeline %llu (goal 0)\n", longSeconds,
                    loaded.cpu, loaded.libraryUnderruns, loaded.pipelineUnderruns);
    }
    return 0;
}
