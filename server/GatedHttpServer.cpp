#include "GatedHttpServer.h"

#include "GatedStream.h"

#include <algorithm>
#include <poll.h>

namespace {

// The accept loop's queue: hands each socket to the gate right away.
class InlineQueue : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

thread_local GatedStream *currentStream = nullptr;

} // namespace

GatedHttpServer::GatedHttpServer(const Settings &settings)
    : settings_(settings), workers_(std::make_unique<httplib::ThreadPool>(settings.threads)),
      gate_(settings.limits, [this](std::shared_ptr<Connection> c) {
          workers_->enqueue([this, c = std::move(c)]() mutable { serve(std::move(c)); });
      })
{
    new_task_queue = [] { return new InlineQueue; };
    // Only told to clients in the Keep-Alive header; the gate enforces them.
    set_keep_alive_max_count(settings.keepAliveMax);
    set_keep_alive_timeout(std::max<time_t>(1, std::chrono::duration_cast<std::chrono::seconds>(
                                                    settings.limits.idleTimeout).count()));
}

GatedHttpServer::~GatedHttpServer()
{
    shutdownGate();
}

void GatedHttpServer::shutdownGate()
{
    serving_ = false;
    // The gate first, so it hands no more work to the pool; queued work then
    // only closes its connections.
    gate_.stop();
    if (workers_) {
        workers_->shutdown();
        workers_.reset();
    }
}

bool GatedHttpServer::currentRequestOverBudget()
{
    return currentStream && currentStream->overBudget();
}

void GatedHttpServer::closeCurrentAfterReply()
{
    if (currentStream)
        currentStream->closeAfterReply();
}

bool GatedHttpServer::process_and_close_socket(socket_t sock)
{
    gate_.admit(sock);
    return true;
}

bool GatedHttpServer::nextRequestSoon(Connection &connection, std::chrono::milliseconds wait) const
{
    // Its head and body may come in separate segments: wait for the whole.
    const auto end = Connection::Clock::now() + wait;
    for (;;) {
        if (ConnectionGate::wholeRequest(std::string_view(connection.buffer()), settings_.limits))
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Connection::Clock::now());
        pollfd p{connection.fd(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) != 1)
            return false;
        if (!ConnectionGate::receive(connection, settings_.limits))
            return false;
    }
}

void GatedHttpServer::serve(std::shared_ptr<Connection> connection)
{
    // While some worker is idle, waiting here for the connection's next
    // request costs no one anything and saves the round trip through the
    // gate's thread; with every worker busy the connection goes back at once.
    // No count of requests sends it back otherwise: moving a busy connection
    // to another worker costs a wake-up and a cold thread, and under load
    // measurably slows every request.
    constexpr std::chrono::milliseconds kInlineWait(20);
    struct Busy {
        std::atomic<size_t> &n;
        explicit Busy(std::atomic<size_t> &count) : n(count) { ++n; }
        ~Busy() { --n; }
    } busy(busy_);
    while (serving_) {
        GatedStream stream(*connection, settings_.readTimeout, settings_.writeTimeout,
                           settings_.limits.readBudget());
        const bool last = connection->requestsServed + 1 >= settings_.keepAliveMax;
        bool closed = false;
        currentStream = &stream;
        const bool ok = process_request(stream, last, closed, nullptr) && stream.flush();
        currentStream = nullptr;
        if (!ok || closed || last || stream.broken() || stream.overBudget() || stream.closingAfterReply() || !serving_)
            return;
        ++connection->requestsServed;
        connection->compact();
        const bool idleWorker = busy_.load() < settings_.threads;
        if (nextRequestSoon(*connection, idleWorker ? kInlineWait : std::chrono::milliseconds(0)))
            continue;
        gate_.giveBack(std::move(connection));
        return;
    }
}
