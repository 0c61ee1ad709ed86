// finder.php under load: a 10,000-track catalogue in a fresh database, the
// real service in-process on 127.83.2.1:80, several keep-alive clients
// sending a mix of searches for a fixed time. Prints requests per second and
// latency percentiles.
//
//   bench_server_finder [--seconds N] [--connections N] [--tracks N] [--new-connections 1]
//
// --new-connections 1 opens a connection per request, as the client's
// HTTP/1.0 fetcher does.

#include "Library.h"
#include "Options.h"
#include "ServiceServer.h"
#include "SqliteTrackStore.h"

#include <httplib.h>

#include <filesystem>
#include <unistd.h>

#include <algorithm>
#include <sys/resource.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

const char *const kFirst[] = {"Jiří", "Šárka", "Petr", "Lenka", "Tomáš", "Zuzana", "Karel", "Věra",
                              "Ondřej", "Hana", "Marek", "Jana", "Lukáš", "Eva", "Radek", "Ivana"};
const char *const kLast[] = {"Novák", "Dvořák", "Černý", "Procházka", "Kučera", "Veselý", "Horák",
                             "Němec", "Pokorný", "Marek", "Růžička", "Král", "Beneš", "Fiala"};
const char *const kAdjective[] = {"Ranní", "Tichý", "Žluťoučký", "Noční", "Zimní", "Modrý", "Dlouhý",
                                  "Poslední", "Šťastný", "Divoký", "Starý", "Nový", "Zlatý", "Temný"};
const char *const kNoun[] = {"kůň", "déšť", "město", "řeka", "les", "vítr", "sen", "den", "oheň",
                             "cesta", "píseň", "hvězda", "moře", "most", "svět", "čas", "domov"};
const char *const kGenre[] = {"Rock", "Pop", "Jazz", "Folk", "Classical", "Electronic", "Metal"};
const int kBitrates[] = {64, 96, 128, 160, 192, 256, 320};

template <typename T, size_t N>
const T &pick(const T (&items)[N], std::mt19937 &rng)
{
    return items[rng() % N];
}

void fill(TrackStore &store, int count)
{
    std::mt19937 rng(42);
    std::vector<TrackInfo> tracks;
    for (int i = 0; i < count; ++i) {
        TrackInfo t;
        const int artist = i / 50;  // 50 tracks per artist, 10 per album
        std::mt19937 artistRng(artist);
        t.artist = std::string(pick(kFirst, artistRng)) + " " + pick(kLast, artistRng) + " " + std::to_string(artist);
        t.album = std::string(pick(kAdjective, artistRng)) + " " + pick(kNoun, artistRng) + " " + std::to_string(i / 10);
        t.title = std::string(pick(kAdjective, rng)) + " " + pick(kNoun, rng);
        t.genre = pick(kGenre, rng);
        t.number = i % 10 + 1;
        t.lengthMs = 60000 + int(rng() % 300000);
        t.bitrate = pick(kBitrates, rng);
        t.size = std::int64_t(t.lengthMs) * t.bitrate / 8;
        t.relPath = "gen/" + std::to_string(i) + ".mp3";
        t.mtime = 1;
        tracks.push_back(std::move(t));
    }
    store.applyChanges(tracks, {});
}

// The searches people type: a word of a title, an artist, two words, a
// bit-rate filter with a word; escaped as the client sends them (Windows-1250).
const std::vector<std::string> kQueries = {
    "%9Elu%9Do",            // žluťo: ~1/14 of the titles, capped at 500
    "novak+12",             // one artist's tracks
    "reka+kbs%3E192",       // word and filter
    "tichy+den",            // two words
    "ondrej+dvorak",        // artists
    "kbs:320+hvezda",
    "mesto+55",             // albums with 55 in the name
    "nic-takoveho",         // nothing
};

struct Args {
    int seconds = 5;
    int connections = 4;
    int tracks = 10000;
    bool newConnections = false;
};

} // namespace

int main(int argc, char **argv)
{
    Args args;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const int v = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--seconds")
            args.seconds = v;
        else if (a == "--connections")
            args.connections = v;
        else if (a == "--tracks")
            args.tracks = v;
        else if (a == "--new-connections")
            args.newConnections = true;
    }

    char folder[] = "/tmp/bench_server_finder-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    SqliteTrackStore store(dir + "/bench.db");
    fill(store, args.tracks);
    Library library(store, dir);
    library.reload();

    Options options;
    options.musicFolder = dir;
    options.address = "127.83.2.1";
    ServiceServer server(library, options);
    server.bind();
    std::thread serving([&] { server.run(); });

    const auto cpuNow = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    };
    const double cpuStart = cpuNow();
    std::atomic<bool> stop{false};
    std::atomic<long> errors{0}, records{0};
    std::vector<std::vector<double>> latencies(size_t(args.connections));
    std::vector<std::thread> clients;
    for (int c = 0; c < args.connections; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client cli(options.address, 80);
            cli.set_keep_alive(!args.newConnections);
            cli.set_tcp_nodelay(true);
            cli.set_url_encode(false);
            size_t q = size_t(c);
            while (!stop.load(std::memory_order_relaxed)) {
                const std::string target = "/engine/finder.php?find=" + kQueries[q++ % kQueries.size()];
                const auto t0 = std::chrono::steady_clock::now();
                const auto res = cli.Post(target, "KID=1", "application/x-www-form-urlencoded");
                const auto t1 = std::chrono::steady_clock::now();
                if (!res || res->status != 200) {
                    ++errors;
                    continue;
                }
                records += long(std::count(res->body.begin(), res->body.end(), '\n')) - 3;
                latencies[size_t(c)].push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::seconds(args.seconds));
    stop = true;
    for (auto &t : clients)
        t.join();
    const double cpuMs = cpuNow() - cpuStart;
    server.stop();
    serving.join();

    std::vector<double> all;
    for (const auto &l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    const auto pct = [&](double p) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, size_t(p * double(all.size())))]; };
    std::printf("finder.php, %d tracks, %d %s, %d s: %zu requests, %.0f requests/s, "
                "p50 %.2f ms, p99 %.2f ms, max %.2f ms, %.1f records per reply, %ld errors, "
                "%.3f ms CPU per request (service and clients)\n",
                args.tracks, args.connections,
                args.newConnections ? "clients (a connection per request)" : "keep-alive connections", args.seconds, all.size(), double(all.size()) / args.seconds,
                pct(0.50), pct(0.99), all.empty() ? 0.0 : all.back(),
                all.empty() ? 0.0 : double(records) / double(all.size()), errors.load(),
                all.empty() ? 0.0 : cpuMs / double(all.size()));
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return errors.load() == 0 ? 0 : 1;
}
