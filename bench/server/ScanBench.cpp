// Library scans into PostgreSQL, on a cluster of the bench's own: a generated
// folder of N MP3 files scanned into an empty database (every track
// inserted), scanned again unchanged, and again reading every file anew
// (every track written back). Then the store alone: the N tracks read back
// and written again in one call, as a scan's last step. Prints the time of
// each; the median of the rounds.
//
//   bench_server_scan [--tracks N] [--rounds N]

#include "GeneratedMusic.h"
#include "LibraryScanner.h"
#include "PostgresCluster.h"
#include "PostgresTrackStore.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

double millisecondsOf(const std::function<void()> &work)
{
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int tracks = 10000, rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const int v = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--tracks")
            tracks = v;
        else if (a == "--rounds")
            rounds = v;
    }
    PostgresCluster cluster;
    if (!cluster.problem().empty()) {
        std::fprintf(stderr, "bench_server_scan: %s\n", cluster.problem().c_str());
        return 1;
    }
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    GeneratedMusic::write(music, tracks);
    const LibraryScanner scanner(music);

    std::vector<double> first, unchanged, reread, store;
    for (int round = 0; round < rounds; ++round) {
        PostgresTrackStore db(cluster.createDatabase("scan" + std::to_string(round)));
        LibraryScanner::Report report;
        first.push_back(millisecondsOf([&] { report = scanner.scan(db); }));
        if (report.added != tracks) {
            std::fprintf(stderr, "bench_server_scan: %d tracks added, not %d\n", report.added, tracks);
            return 1;
        }
        unchanged.push_back(millisecondsOf([&] { scanner.scan(db); }));
        reread.push_back(millisecondsOf([&] { report = scanner.scan(db, true); }));
        if (report.changed != tracks) {
            std::fprintf(stderr, "bench_server_scan: %d tracks changed, not %d\n", report.changed, tracks);
            return 1;
        }
        std::vector<TrackInfo> all = db.tracks();
        for (TrackInfo &t : all)
            ++t.mtime;
        store.push_back(millisecondsOf([&] { db.applyChanges(all, {}); }));
    }
    std::printf("scan into PostgreSQL, %d tracks, median of %d: first scan %.0f ms, unchanged %.0f ms, "
                "every file read again %.0f ms; the store writing %d changed tracks %.0f ms\n",
                tracks, rounds, median(first), median(unchanged), median(reread), tracks, median(store));
    return 0;
}
