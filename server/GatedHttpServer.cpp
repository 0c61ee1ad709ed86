#include "GatedHttpServer.h"

#include "GatedStream.h"

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

void GatedHttpServer::serve(std::shared_ptr<Connection> connection)
{
    // A client that sends its next request right after a reply is served
    // on, a few times, without the round trip through the gate's thread;
    // anything slower waits in the gate.
    constexpr int kInlineRequests = 16;
    constexpr int kInlineWaitMs = 1;
    for (int inlined = 0; serving_; ++inlined) {
        GatedStream stream(*connection, settings_.readTimeout, settings_.writeTimeout,
                           settings_.limits.readBudget());
        const bool last = connection->requestsServed + 1 >= settings_.keepAliveMax;
        bool closed = false;
        currentStream = &stream;
        const bool ok = process_request(stream, last, closed, nullptr);
        currentStream = nullptr;
        if (!ok || closed || last || stream.broken() || stream.overBudget() || stream.closingAfterReply() || !serving_)
            return;
        ++connection->requestsServed;
        connection->compact();
        if (inlined + 1 < kInlineRequests) {
            if (connection->pending() == 0) {
                pollfd p{connection->fd(), POLLIN, 0};
                if (::poll(&p, 1, kInlineWaitMs) == 1 && !ConnectionGate::receive(*connection, settings_.limits))
                    return;
            }
            if (ConnectionGate::wholeRequest(std::string_view(connection->buffer()), settings_.limits))
                continue;
        }
        gate_.giveBack(std::move(connection));
        return;
    }
}
