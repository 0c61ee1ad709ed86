// The real service in its three set-ups on a generated 10,000-track library:
// one instance on SQLite, one on PostgreSQL, two on PostgreSQL behind nginx.
// Prints finder requests per second and latency of each, as ratios to the
// SQLite figure of the same run; then, behind nginx, how other clients fare
// while 500 slow connections (a byte a second, reconnecting when dropped)
// are held directly at an instance and 500 at nginx; then the growth of the
// store under 20,000 update requests without a client ID.
//
//   bench_server_topology [--seconds N] [--slow-seconds N] [--tracks N] [--flood N]

#include "ChildProcess.h"
#include "GeneratedMusic.h"
#include "NginxFront.h"
#include "PostgresCluster.h"

#include <httplib.h>

#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <netinet/in.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *kFront = "127.83.8.1";
constexpr const char *kA = "127.83.8.2";
constexpr const char *kB = "127.83.8.3";

// Words of the generated titles, artists and albums, as the client sends them (Windows-1250).
const std::vector<std::string> kQueries = {"nov%E1k", "%F8eka", "tich%FD+den", "kbs:128+les", "m%ECsto+5",
                                           "zimn%ED+k%F9%F2", "karel+12", "nic-takoveho"};

struct Figures {
    double perSecond = 0, p50 = 0, p99 = 0;
    long errors = 0;
};

double percentile(std::vector<double> &all, double p)
{
    if (all.empty())
        return 0;
    std::sort(all.begin(), all.end());
    return all[std::min(all.size() - 1, size_t(p * double(all.size())))];
}

Figures finderLoad(const std::string &address, int port, int seconds, int connections)
{
    std::atomic<bool> stop{false};
    std::atomic<long> errors{0};
    std::vector<std::vector<double>> latencies(static_cast<size_t>(connections));
    std::vector<std::thread> clients;
    for (int c = 0; c < connections; ++c)
        clients.emplace_back([&, c] {
            httplib::Client cli(address, port);
            cli.set_url_encode(false);
            cli.set_read_timeout(10, 0);
            size_t q = size_t(c);
            while (!stop) {
                const auto t0 = std::chrono::steady_clock::now();
                const auto res = cli.Post("/engine/finder.php?find=" + kQueries[q++ % kQueries.size()], "KID=1",
                                          "application/x-www-form-urlencoded");
                const auto t1 = std::chrono::steady_clock::now();
                if (!res || res->status != 200) {
                    ++errors;
                    continue;
                }
                latencies[size_t(c)].push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            }
        });
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stop = true;
    for (auto &t : clients)
        t.join();
    std::vector<double> all;
    for (const auto &l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    Figures f;
    f.perSecond = double(all.size()) / seconds;
    f.p50 = percentile(all, 0.50);
    f.p99 = percentile(all, 0.99);
    f.errors = errors;
    return f;
}

std::unique_ptr<ChildProcess> startService(const std::string &service, const std::string &address,
                                           const std::vector<std::string> &extra, const std::string &log)
{
    std::vector<std::string> args{"--address", address, "--max-per-address", "0", "--tags-cp1250"};
    args.insert(args.end(), extra.begin(), extra.end());
    auto p = std::make_unique<ChildProcess>(service, args, log);
    for (int i = 0; i < 1200 && p->running(); ++i) {
        httplib::Client c(address, 80);
        c.set_connection_timeout(0, 100000);
        if (c.Get("/engine/update.php?verze=0.3&kid=1"))
            return p;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fprintf(stderr, "the service on %s did not start: %s\n", address.c_str(), readText(log).c_str());
    std::exit(1);
}

int connectTo(const std::string &address, int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    ::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa);  // in progress
    return fd;
}

// count connections to address:port that send a request head a byte a
// second, each replaced as soon as it is dropped, until stop.
void holdSlow(const std::string &address, int port, int count, std::atomic<bool> &stop, std::atomic<long> &dropped)
{
    const std::string head = "GET /engine/finder.php?find=a HTTP/1.1\r\nHost: x\r\nX-Pad: " + std::string(4000, 'a');
    std::vector<int> fds(static_cast<size_t>(count));
    std::vector<size_t> sent(static_cast<size_t>(count), 0);
    for (int &fd : fds)
        fd = connectTo(address, port);
    while (!stop) {
        for (size_t i = 0; i < fds.size(); ++i) {
            char c;
            const ssize_t r = ::recv(fds[i], &c, 1, MSG_DONTWAIT);
            const bool gone = r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOTCONN)
                              || (r > 0);  // an answer (408) means it was dropped
            if (gone || sent[i] >= head.size()) {
                ::close(fds[i]);
                fds[i] = connectTo(address, port);
                sent[i] = 0;
                ++dropped;
            }
            if (::send(fds[i], &head[sent[i]], 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1)
                ++sent[i];
        }
        for (int s = 0; s < 10 && !stop; ++s)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (int fd : fds)
        ::close(fd);
}

void print(const char *name, const Figures &f, const Figures &base)
{
    std::printf("  %-34s %7.0f req/s (%.2fx), p50 %6.2f ms, p99 %6.2f ms (%.2fx), %ld errors\n", name, f.perSecond,
                base.perSecond > 0 ? f.perSecond / base.perSecond : 0.0, f.p50, f.p99,
                base.p99 > 0 ? f.p99 / base.p99 : 0.0, f.errors);
}

std::uintmax_t sizeOf(const std::string &db)
{
    std::uintmax_t total = 0;
    for (const char *suffix : {"", "-wal", "-shm"}) {
        std::error_code ec;
        const auto n = std::filesystem::file_size(db + suffix, ec);
        total += ec ? 0 : n;
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    int seconds = 5, slowSeconds = 30, tracks = 10000, flood = 20000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const int v = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--seconds")
            seconds = v;
        else if (a == "--slow-seconds")
            slowSeconds = v;
        else if (a == "--tracks")
            tracks = v;
        else if (a == "--flood")
            flood = v;
    }
    const std::string service =
        std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/../../bin/sonaro-service";
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    GeneratedMusic::write(music, tracks);
    const auto log = [&](const char *name) { return dir.filePath(name).toStdString(); };

    PostgresCluster cluster;
    if (!cluster.problem().empty()) {
        std::fprintf(stderr, "%s\n", cluster.problem().c_str());
        return 1;
    }
    std::printf("finder.php, %d tracks, 4 keep-alive connections, %d s each:\n", tracks, seconds);
    const std::string sqliteDb = dir.filePath("sqlite.db").toStdString();
    Figures sqlite, postgres, front;
    {
        auto a = startService(service, kA, {"--music", music, "--database", sqliteDb}, log("sqlite.log"));
        sqlite = finderLoad(kA, 80, seconds, 4);
        print("one instance, SQLite", sqlite, sqlite);
    }
    const std::string url = cluster.createDatabase("bench");
    {
        auto a = startService(service, kA, {"--music", music, "--database", url}, log("pg.log"));
        postgres = finderLoad(kA, 80, seconds, 4);
        print("one instance, PostgreSQL", postgres, sqlite);
    }
    auto a = startService(service, kA, {"--music", music, "--database", url}, log("a.log"));
    auto b = startService(service, kB, {"--music", music, "--database", url}, log("b.log"));
    const int port = freePort(kFront);
    NginxFront nginx(kFront, port, {std::string(kA) + ":80", std::string(kB) + ":80"}, music, log("nginx"));
    if (!nginx.problem().empty()) {
        std::fprintf(stderr, "%s\n", nginx.problem().c_str());
        return 1;
    }
    front = finderLoad(kFront, port, seconds, 4);
    print("two instances, PostgreSQL, nginx", front, sqlite);

    {
        std::atomic<bool> stop{false};
        std::atomic<long> dropped{0};
        std::thread direct([&] { holdSlow(kA, 80, 500, stop, dropped); });
        std::thread proxied([&] { holdSlow(kFront, port, 500, stop, dropped); });
        std::this_thread::sleep_for(std::chrono::seconds(1));
        Figures atA, viaNginx;
        std::thread other([&] { atA = finderLoad(kA, 80, slowSeconds - 1, 2); });
        viaNginx = finderLoad(kFront, port, slowSeconds - 1, 2);
        other.join();
        stop = true;
        direct.join();
        proxied.join();
        std::printf("while 500 slow connections are held at an instance and 500 at nginx for %d s "
                    "(%ld dropped and replaced):\n", slowSeconds, dropped.load());
        print("other clients at the instance", atA, atA);
        print("other clients through nginx", viaNginx, atA);
    }

    {
        // A fresh SQLite store: growth under a flood of new clients.
        const std::string db = dir.filePath("flood.db").toStdString();
        auto f = startService(service, "127.83.8.4", {"--music", music, "--database", db},
                              log("flood.log"));
        const auto before = sizeOf(db);
        std::mutex mutex;
        std::set<long> ids;
        std::atomic<int> next{0};
        std::atomic<long> bad{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                httplib::Client c("127.83.8.4", 80);
                while (next++ < flood) {
                    const auto res = c.Get("/engine/update.php?verze=0.3&kid=-1");
                    const auto at = res ? res->body.find("kid=\"") : std::string::npos;
                    const long kid = at == std::string::npos ? -1 : std::atol(res->body.c_str() + at + 5);
                    std::lock_guard lock(mutex);
                    if (kid <= 0 || !ids.insert(kid).second)
                        ++bad;
                }
            });
        for (auto &t : threads)
            t.join();
        std::printf("%d update requests with kid=-1: %zu distinct positive IDs, %ld bad or repeated, the SQLite "
                    "store grew by %.1f KB\n",
                    flood, ids.size(), bad.load(), double(sizeOf(db) - before) / 1024);
    }
    return 0;
}
