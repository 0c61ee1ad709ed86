#include "THTTPWorkerPool.h"

#include "TCurlEasy.h"

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr auto IdleLifetime = std::chrono::seconds(20);
// A finished thread first watches for the next job this long before it
// sleeps: the next request of a sequence usually follows within it, and a
// sleeping thread costs two context switches to wake.
constexpr auto SpinTime = std::chrono::microseconds(200);

struct TPoolState
{
    std::mutex Lock; // guards everything below
    std::condition_variable Wake;
    std::condition_variable Settled; // a thread finished its job
    std::deque<THTTPWorkerPool::TJob> Jobs; // handed over, not yet taken
    int Idle = 0;                           // threads watching or sleeping for a job
    int Sleeping = 0;                       // of those, the ones on the condition variable
    int Threads = 0;
    std::atomic<int> Queued{0}; // Jobs.size(): written under Lock, watched without it
};

std::shared_ptr<TPoolState> State()
{
    // Threads keep their own reference, so the state outlives this one at exit.
    static const std::shared_ptr<TPoolState> state = std::make_shared<TPoolState>();
    return state;
}

void ThreadLoop(const std::shared_ptr<TPoolState> &state, THTTPWorkerPool::TJob first)
{
    std::unique_ptr<TCurlEasy> easy;
    THTTPWorkerPool::TJob job = std::move(first);
    for (;;) {
        try {
            if (!easy)
                easy = std::make_unique<TCurlEasy>();
            easy->Reset();
            job(*easy);
            easy->Reset(); // drops the callbacks' pointers into the finished request
        } catch (const std::exception &e) {
            // A handle that failed to reset is not trusted again.
            easy.reset();
            qWarning("THTTPGet: worker failed: %s", e.what());
        }
        job = nullptr;

        std::unique_lock lock(state->Lock);
        ++state->Idle;
        lock.unlock();
        state->Settled.notify_all();
        const auto until = std::chrono::steady_clock::now() + SpinTime;
        while (state->Queued.load(std::memory_order_acquire) == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::yield(); // two cores are shared with the server and the user interface
        lock.lock();
        ++state->Sleeping;
        const bool got = state->Wake.wait_for(lock, IdleLifetime, [&] { return !state->Jobs.empty(); });
        --state->Sleeping;
        --state->Idle;
        if (!got) {
            --state->Threads;
            return;
        }
        job = std::move(state->Jobs.front());
        state->Jobs.pop_front();
        state->Queued.store(int(state->Jobs.size()), std::memory_order_release);
    }
}

} // namespace

void THTTPWorkerPool::Run(TJob job)
{
    const std::shared_ptr<TPoolState> state = State();
    std::unique_lock lock(state->Lock);
    if (state->Idle > int(state->Jobs.size())) {
        state->Jobs.push_back(std::move(job));
        state->Queued.store(int(state->Jobs.size()), std::memory_order_release);
        const bool wake = state->Sleeping > 0;
        lock.unlock();
        if (wake)
            state->Wake.notify_one();
        return;
    }
    std::thread([state, first = std::move(job)]() mutable { ThreadLoop(state, std::move(first)); }).detach();
    ++state->Threads;
}

int THTTPWorkerPool::Threads()
{
    const std::shared_ptr<TPoolState> state = State();
    std::lock_guard lock(state->Lock);
    return state->Threads;
}

bool THTTPWorkerPool::WaitUntilIdle(std::chrono::milliseconds limit)
{
    const std::shared_ptr<TPoolState> state = State();
    std::unique_lock lock(state->Lock);
    return state->Settled.wait_for(lock, limit,
                                   [&] { return state->Idle == state->Threads && state->Jobs.empty(); });
}
