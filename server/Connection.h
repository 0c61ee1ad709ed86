#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

// One accepted TCP connection between requests: its socket, the bytes
// received but not yet parsed, and the time by which its next request must
// have arrived whole. Closes its socket and reports its end when destroyed.
class Connection {
public:
    using Clock = std::chrono::steady_clock;

    Connection(int fd, std::string peer, int peerPort, std::function<void(const std::string &)> onClose);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // The numeric address and port of fd's peer (peer) or its own end.
    static bool socketAddress(int fd, bool peer, std::string &address, int &port);

    int fd() const { return fd_; }
    const std::string &peer() const { return peer_; }
    int peerPort() const { return peerPort_; }

    // Received bytes from pos() on are not yet consumed.
    std::string &buffer() { return buffer_; }
    size_t pos() const { return pos_; }
    size_t pending() const { return buffer_.size() - pos_; }
    // Takes up to size pending bytes.
    size_t take(char *out, size_t size);
    // Drops consumed bytes so the buffer starts at the next request.
    void compact();

    Clock::time_point deadline;
    size_t requestsServed = 0;

private:
    int fd_;
    std::string peer_;
    int peerPort_;
    std::function<void(const std::string &)> onClose_;
    std::string buffer_;
    size_t pos_ = 0;
};
