#include "GatedHttpServer.h"

#include "GatedStream.h"

namespace {

// The accept loop's queue: hands each socket to the gate right away.
class InlineQueue : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

thread_local const GatedStream *currentStream = nullptr;

} // namespace

GatedHttpServer::GatedHttpServer(const Settings &settings)
    : settings_(settings), workers_(std::make_unique<httplib::ThreadPool>(settings.threads)),
      gate_(settings.limits, [this](std::shared_ptr<Connection> c) {
          workers_->enqueue([this, c = std::move(c)]() mutable { serve(std::move(c)); });
      })
{
    new_task_queue = [] { return new InlineQueue; };
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

bool GatedHttpServer::process_and_close_socket(socket_t sock)
{
    gate_.admit(sock);
    return true;
}

void GatedHttpServer::serve(std::shared_ptr<Connection> connection)
{
    if (!serving_)
        return;
    GatedStream stream(*connection, settings_.readTimeout, settings_.writeTimeout,
                       settings_.limits.readBudget());
    const bool last = connection->requestsServed + 1 >= settings_.keepAliveMax;
    bool closed = false;
    currentStream = &stream;
    const bool ok = process_request(stream, last, closed, nullptr);
    currentStream = nullptr;
    if (!ok || closed || last || stream.broken() || stream.overBudget() || !serving_)
        return;
    ++connection->requestsServed;
    gate_.giveBack(std::move(connection));
}
