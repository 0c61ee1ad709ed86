#pragma once

#include <chrono>
#include <functional>

class TCurlEasy;

// Threads for the fetchers' requests. Each thread runs one request at a time
// and keeps its own curl handle between requests; a request that finds no
// idle thread gets a new one, and a thread idle for a while ends. Threads
// are detached: nobody waits for them, and they hold the pool's state alive.
class THTTPWorkerPool
{
public:
    using TJob = std::function<void(TCurlEasy &easy)>;

    // Hands the job to an idle thread or a new one; never waits for a job.
    // Throws std::system_error when no thread can be started.
    static void Run(TJob job);
    // Threads alive, busy or idle (for tests and diagnostics).
    static int Threads();
    // Waits until no job runs or waits, at most limit; true when none does.
    static bool WaitUntilIdle(std::chrono::milliseconds limit);
};
