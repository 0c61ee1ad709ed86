#pragma once

#include "ConnectionGate.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>

class GatedStream;

// The HTTP library's server with its accepted sockets passed through a
// ConnectionGate: a worker of the pool serves one whole request at a time
// and hands a kept-alive connection back to the gate, instead of holding
// it from accept to close.
class GatedHttpServer : public httplib::Server {
public:
    struct Settings {
        ConnectionGate::Limits limits;
        size_t threads = 32;
        std::chrono::milliseconds readTimeout{5000};   // one wait for a request's remaining bytes
        std::chrono::milliseconds writeTimeout{5000};  // one wait for the peer to take reply bytes
        size_t keepAliveMax = 1000;                    // requests per connection
    };

    explicit GatedHttpServer(const Settings &settings);
    ~GatedHttpServer() override;

    // After listen_after_bind() has returned: ends the workers and closes
    // every connection. Idempotent.
    void shutdownGate();

    // On a worker thread, while a handler or error handler runs: the
    // request read more than a request may.
    static bool currentRequestOverBudget();
    // Same thread: the connection closes after this reply (its body is left unread).
    static void closeCurrentAfterReply();

    const ConnectionGate &gate() const { return gate_; }

private:
    // Called by the library's accept loop for each accepted socket.
    bool process_and_close_socket(socket_t sock) override;
    void serve(std::shared_ptr<Connection> connection);
    // True when the connection's next request has arrived whole within wait.
    bool nextRequestSoon(Connection &connection, std::chrono::milliseconds wait) const;

    const Settings settings_;
    std::atomic<bool> serving_{true};
    std::atomic<size_t> busy_{0};  // workers in serve()
    std::unique_ptr<httplib::ThreadPool> workers_;
    ConnectionGate gate_;
};
