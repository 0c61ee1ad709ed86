#pragma once

#include "Connection.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

// Holds every connection that has no whole request yet, on one thread with
// epoll, so slow or idle peers cost a socket and a buffer but no worker. A
// connection is handed on once its request head (and a body of a length
// given up to the cap) has arrived; one whose request is not whole by its
// deadline is dropped. Caps the connections per peer address and in all.
class ConnectionGate {
public:
    struct Limits {
        std::chrono::milliseconds requestTimeout{5000}; // from accept to a whole request
        std::chrono::milliseconds idleTimeout{5000};    // from a reply to the next whole request
        size_t headMax = 16 * 1024;
        size_t bodyMax = 64 * 1024;
        size_t perAddress = 64;  // 0: no cap
        size_t maxConnections = 4096;

        // What a worker may read for one request, framing included.
        size_t readBudget() const { return headMax + 2 * bodyMax + 4096; }
    };
    // Called on the gate's thread with a connection that holds a whole
    // request (or more than a request may be, for the worker to refuse).
    using Ready = std::function<void(std::shared_ptr<Connection>)>;

    ConnectionGate(const Limits &limits, Ready ready);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate &) = delete;
    ConnectionGate &operator=(const ConnectionGate &) = delete;

    // Takes over a freshly accepted socket; from any thread.
    void admit(int fd);
    // A connection after its reply, kept alive for the next request.
    void giveBack(std::shared_ptr<Connection> connection);
    // Closes every connection held; the thread ends. Idempotent.
    void stop();

    // True when data starts with a whole request head and carries the body
    // it announces, or when waiting longer cannot help (too long, a body over
    // the cap, a client waiting for "100 Continue").
    static bool wholeRequest(std::string_view data, const Limits &limits);

    // Reads what has arrived on the (non-blocking) socket into its buffer,
    // up to the read budget. False when the peer has gone or broke the
    // connection and what it sent is no whole request.
    static bool receive(Connection &connection, const Limits &limits);

    size_t connectionsFrom(const std::string &peer) const;

private:
    void run();
    void take(std::shared_ptr<Connection> connection);
    void release(const std::string &peer);
    void wake();

    const Limits limits_;
    const Ready ready_;
    int epoll_ = -1;
    int wakeFd_ = -1;
    std::atomic<bool> running_{true};

    mutable std::mutex mutex_;
    // Both guarded by mutex_.
    std::vector<std::shared_ptr<Connection>> incoming_;
    std::unordered_map<std::string, size_t> perPeer_;
    size_t total_ = 0;  // guarded by mutex_

    // Only the gate's thread touches waiting_.
    std::unordered_map<int, std::shared_ptr<Connection>> waiting_;
    std::thread thread_;
};
