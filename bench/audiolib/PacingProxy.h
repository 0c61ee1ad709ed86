#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A TCP relay between an HTTP client and a server on loopback that hands the
// server's answers on at a fixed rate, each byte no sooner than a delay after
// it came, and counts the body bytes it relayed. A connection whose server
// cannot be reached is closed at once; one whose server goes away is closed
// after what had come.
class PacingProxy {
public:
    PacingProxy(const std::string &host, const std::string &upstreamHost, int upstreamPort, size_t bytesPerSecond,
                int delayMs);
    ~PacingProxy();

    std::string url(const std::string &path) const;
    // Body bytes of every answer relayed so far.
    uint64_t bodyBytes() const { return bodyBytes_.load(); }
    // Request heads, in order.
    std::vector<std::string> requests() const;

private:
    void acceptLoop();
    void relay(int client);

    std::string host_, upstreamHost_;
    int port_ = 0, upstreamPort_ = 0;
    size_t rate_;
    int delayMs_;
    int listenFd_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> bodyBytes_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_; // mutex_
    std::vector<std::thread> workers_;  // mutex_
    std::thread acceptor_;
};
