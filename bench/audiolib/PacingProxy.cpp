#include "PacingProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

int connectTo(const std::string &host, int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    // A small window, so what the server sent is not kept in our kernel long after it died.
    const int window = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

PacingProxy::PacingProxy(const std::string &host, const std::string &upstreamHost, int upstreamPort,
                         size_t bytesPerSecond, int delayMs)
    : host_(host), upstreamHost_(upstreamHost), upstreamPort_(upstreamPort), rate_(bytesPerSecond), delayMs_(delayMs)
{
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    if (bind(listenFd_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(listenFd_, 16) != 0)
        throw std::runtime_error("cannot listen on " + host);
    socklen_t len = sizeof a;
    getsockname(listenFd_, reinterpret_cast<sockaddr *>(&a), &len);
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

PacingProxy::~PacingProxy()
{
    stop_.store(true);
    shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    close(listenFd_);
    std::lock_guard lock(mutex_);
    for (auto &t : workers_)
        t.join();
}

std::string PacingProxy::url(const std::string &path) const
{
    return "http://" + host_ + ":" + std::to_string(port_) + path;
}

std::vector<std::string> PacingProxy::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void PacingProxy::acceptLoop()
{
    while (!stop_.load()) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, fd] {
            relay(fd);
            close(fd);
        });
    }
}

void PacingProxy::relay(int client)
{
    const int server = connectTo(upstreamHost_, upstreamPort_);
    if (server < 0)
        return;
    struct Piece {
        Clock::time_point due;
        std::string bytes;
    };
    std::deque<Piece> queue;
    size_t queued = 0;
    std::string request, head;
    bool inBody = false, serverOpen = true, recorded = false;
    const auto start = Clock::now();
    uint64_t sent = 0;
    char buf[1400];
    while (!stop_.load() && (serverOpen || !queue.empty())) {
        // Reads the server only as far as the delay needs, so a server that dies takes its unsent bytes along.
        const bool room = queued < rate_ * size_t(delayMs_) / 1000 + 4096;
        pollfd p[2] = {{client, POLLIN, 0}, {server, short(serverOpen && room ? POLLIN : 0), 0}};
        poll(p, 2, 5);
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = recv(client, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            send(server, buf, size_t(n), MSG_NOSIGNAL);
            request.append(buf, size_t(n));
            if (!recorded && request.find("\r\n\r\n") != std::string::npos) {
                recorded = true;
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
        }
        if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = recv(server, buf, sizeof buf, 0);
            if (n <= 0) {
                serverOpen = false;
            } else {
                std::string piece(buf, size_t(n));
                if (!inBody) {
                    head += piece;
                    const size_t end = head.find("\r\n\r\n");
                    if (end != std::string::npos) {
                        inBody = true;
                        bodyBytes_.fetch_add(head.size() - end - 4);
                    }
                } else {
                    bodyBytes_.fetch_add(piece.size());
                }
                queued += piece.size();
                queue.push_back({Clock::now() + std::chrono::milliseconds(delayMs_), std::move(piece)});
            }
        }
        // Hand on what is due, no faster than the rate.
        while (!queue.empty() && Clock::now() >= queue.front().due) {
            const double allowed = std::chrono::duration<double>(Clock::now() - start).count() * double(rate_);
            if (double(sent) >= allowed)
                break;
            Piece &front = queue.front();
            const ssize_t n = send(client, front.bytes.data(), front.bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n <= 0)
                break;
            sent += uint64_t(n);
            queued -= size_t(n);
            front.bytes.erase(0, size_t(n));
            if (front.bytes.empty())
                queue.pop_front();
        }
    }
    close(server);
}
