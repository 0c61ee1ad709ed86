#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP/1.0 server on a loopback address of its own, with replies
// that misbehave on purpose: slow, stalled, cut, endless, ICY metadata.
class LoopbackServer {
public:
    static constexpr size_t kNever = size_t(-1);

    struct Reply {
        int status = 200;
        int headerDelayMs = 0;           // silence before the status line
        std::string body;
        bool contentLength = true;
        size_t dropAfter = kNever;       // close the connection after this many body bytes ...
        int dropTimes = -1;              // ... in the first this many requests of the path (-1: all)
        size_t stallAfter = kNever;      // pause once after this many body bytes ...
        int stallMs = 0;                 // ... for this long
        size_t bytesPerSecond = 0;       // 0 = as fast as the socket takes it
        bool endless = false;            // repeat the body until the client goes away
        size_t icyInterval = 0;          // insert ICY metadata every this many audio bytes
        std::vector<std::string> icyTitles;
        std::vector<std::string> headers;
        std::string location;            // redirect target (status 302)
    };

    LoopbackServer();
    ~LoopbackServer();

    void route(const std::string &path, Reply reply);
    std::string url(const std::string &path) const;
    std::string host() const { return host_; }
    int requests() const { return requests_.load(); }
    // Header delays and stalls that ran their full length.
    int pausesServed() const { return pausesServed_.load(); }
    std::string lastRequest() const;
    // Every request head so far, in order of arrival.
    std::vector<std::string> requestHeads() const;

private:
    void acceptLoop();
    void serve(int fd);
    bool sendAll(int fd, const char *data, size_t size);
    // False when the server stops meanwhile.
    bool pause(int ms);

    std::string host_;
    int port_ = 0;
    int listenFd_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::atomic<int> pausesServed_{0};
    mutable std::mutex mutex_;
    std::map<std::string, Reply> routes_; // guarded by mutex_
    std::map<std::string, int> served_;   // guarded by mutex_: requests per path
    std::string lastRequest_;             // guarded by mutex_
    std::vector<std::string> heads_;      // guarded by mutex_
    std::vector<std::thread> workers_;    // guarded by mutex_
    std::thread acceptor_;
};
