#include "Library.h"
#include "LibraryScanner.h"
#include "Options.h"
#include "ServiceServer.h"
#include "TrackStore.h"

#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace {

void scanAndReload(const LibraryScanner &scanner, TrackStore &store, Library &library, bool rereadAll = false)
{
    LibraryScanner::Report r;
    // Services sharing a store scan one after the other: the later one
    // finds the rows the first wrote.
    store.exclusively([&] { r = scanner.scan(store, rereadAll); });
    library.reload();
    std::cerr << "sonaro-service: " << library.trackCount() << " tracks (" << r.added << " new, " << r.changed
              << " changed, " << r.removed << " removed";
    if (r.unreadable)
        std::cerr << ", " << r.unreadable << " unreadable";
    std::cerr << ")\n";
}

int serve(const Options &options)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(options.musicFolder, ec)) {
        std::cerr << "sonaro-service: music folder \"" << options.musicFolder << "\" does not exist or is no folder\n";
        return 2;
    }
    // Signals go to one thread that waits for them, so the server can be
    // stopped and rescanned outside of a signal handler.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    if (options.tagsWindows1250)
        LibraryScanner::readLatin1TagsAsWindows1250();
    const std::unique_ptr<TrackStore> storage = TrackStore::open(options.database);
    TrackStore &store = *storage;
    const LibraryScanner scanner(options.musicFolder);
    Library library(store, options.musicFolder);
    std::mutex scanMutex;  // one scan at a time
    // Tags read one way stay stored until their file changes, so a change of
    // --tags-cp1250 reads every file again.
    const std::string tagMode = options.tagsWindows1250 ? "windows-1250" : "latin-1";
    const bool tagModeChanged = store.setting("latin1_tags") != tagMode;
    scanAndReload(scanner, store, library, tagModeChanged);
    store.setSetting("latin1_tags", tagMode);

    ServiceServer server(library, options);
    server.bind();
    std::cerr << "sonaro-service: listening on " << options.address << " port " << options.port << '\n';

    const auto rescan = [&] {
        std::lock_guard lock(scanMutex);
        try {
            scanAndReload(scanner, store, library);
        } catch (const std::exception &e) {
            std::cerr << "sonaro-service: rescan failed: " << e.what() << '\n';
        }
    };
    std::thread signalThread([&] {
        for (;;) {
            int sig = 0;
            if (sigwait(&signals, &sig) != 0)
                continue;
            if (sig == SIGHUP) {
                rescan();
                continue;
            }
            server.stop();
            return;
        }
    });
    std::mutex stopMutex;
    std::condition_variable stopped;
    bool done = false;  // guarded by stopMutex
    std::thread rescanThread;
    if (options.rescanSeconds > 0) {
        rescanThread = std::thread([&] {
            std::unique_lock lock(stopMutex);
            while (!stopped.wait_for(lock, std::chrono::seconds(options.rescanSeconds), [&] { return done; })) {
                lock.unlock();
                rescan();
                lock.lock();
            }
        });
    }

    server.run();
    {
        std::lock_guard lock(stopMutex);
        done = true;
    }
    stopped.notify_all();
    if (rescanThread.joinable())
        rescanThread.join();
    // run() can also end without a signal (a failed accept): wake the waiter.
    pthread_kill(signalThread.native_handle(), SIGTERM);
    signalThread.join();
    std::cerr << "sonaro-service: stopped\n";
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Large replies (megabytes of XML) are built on many worker threads; by
    // default glibc raises its mmap threshold after the first is freed and
    // keeps later ones in per-thread arenas, which never shrink. A fixed
    // threshold gives each large buffer back to the system when it is freed
    // (bench_server_memory: 115 MB after 80 replies of 1.75 MB, now 29 MB).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    try {
        const Options options = Options::parse(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::cout << Options::usage();
            return 0;
        }
        if (options.version) {
            std::cout << "sonaro-service " SONARO_SERVICE_VERSION "\n";
            return 0;
        }
        return serve(options);
    } catch (const OptionsError &e) {
        std::cerr << "sonaro-service: " << e.what() << '\n';
        return 2;
    } catch (const std::exception &e) {
        std::cerr << "sonaro-service: " << e.what() << '\n';
        return 1;
    }
}
