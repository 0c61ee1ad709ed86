// Memory of the real sonaro-service under large replies: a generated
// library, then replies of up to --max-results tracks (about 2 MB each) from
// several connections at once. Prints the resident size after the scan and
// after the replies, with glibc's default arenas and with MALLOC_ARENA_MAX=2.
//
//   bench_server_memory [--tracks N] [--replies N] [--service PATH]

#include "ChildProcess.h"
#include "GeneratedMusic.h"

#include <httplib.h>

#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *kAddress = "127.83.7.1";

long rssKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

bool waitListening(ChildProcess &p)
{
    for (int i = 0; i < 1200; ++i) {
        httplib::Client c(kAddress, 80);
        c.set_connection_timeout(0, 100000);
        if (c.Get("/engine/update.php?verze=0.3&kid=-1"))
            return true;
        if (!p.running())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    int tracks = 10000, replies = 80;
    std::string service = std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/../../bin/sonaro-service";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--tracks")
            tracks = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--replies")
            replies = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--service")
            service = argv[i + 1];
    }
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    GeneratedMusic::write(music, tracks);

    for (const char *arenas : {"", "2"}) {
        const std::string db = dir.filePath(QString("db") + arenas).toStdString();
        if (*arenas)
            ::setenv("MALLOC_ARENA_MAX", arenas, 1);
        else
            ::unsetenv("MALLOC_ARENA_MAX");
        ChildProcess p(service,
                       {"--music", music, "--database", db, "--address", kAddress, "--max-results",
                        std::to_string(tracks), "--tags-cp1250"},
                       dir.filePath("log").toStdString());
        ::unsetenv("MALLOC_ARENA_MAX");
        if (!waitListening(p)) {
            std::fprintf(stderr, "the service did not start: %s\n", readText(dir.filePath("log").toStdString()).c_str());
            return 1;
        }
        const long before = rssKb(p.pid());
        std::atomic<int> next{0};
        std::atomic<long> bytes{0}, errors{0};
        std::vector<std::thread> clients;
        for (int t = 0; t < 8; ++t)
            clients.emplace_back([&] {
                httplib::Client c(kAddress, 80);
                c.set_read_timeout(30, 0);
                while (next++ < replies) {
                    const auto res = c.Get("/engine/finder.php?find=a");
                    if (res && res->status == 200)
                        bytes += long(res->body.size());
                    else
                        ++errors;
                }
            });
        for (auto &c : clients)
            c.join();
        const long after = rssKb(p.pid());
        std::printf("%d tracks, %d replies of %.2f MB from 8 connections, MALLOC_ARENA_MAX=%s: RSS %.1f MB after "
                    "the scan, %.1f MB after the replies, %ld errors\n",
                    tracks, replies, double(bytes) / std::max(1, replies - int(errors)) / 1e6,
                    *arenas ? arenas : "(unset)", double(before) / 1024, double(after) / 1024, errors.load());
    }
    return 0;
}
