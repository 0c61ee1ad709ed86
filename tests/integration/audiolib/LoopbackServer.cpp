#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace {

std::atomic<int> serverCounter{0};

} // namespace

LoopbackServer::LoopbackServer()
{
    // Each server its own address in 127.0.0.0/8, so tests can run side by side.
    const int n = serverCounter.fetch_add(1);
    host_ = "127.83." + std::to_string(getpid() % 250 + 1) + "." + std::to_string(n % 250 + 1);
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    inet_pton(AF_INET, host_.c_str(), &addr.sin_addr);
    addr.sin_port = 0;
    if (bind(listenFd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(listenFd_, 16) != 0)
        throw std::runtime_error("cannot bind " + host_);
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr *>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer()
{
    stop_.store(true);
    shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    close(listenFd_);
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto &t : workers)
        t.join();
}

void LoopbackServer::route(const std::string &path, Reply reply)
{
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(reply);
}

std::string LoopbackServer::url(const std::string &path) const
{
    return "http://" + host_ + ":" + std::to_string(port_) + path;
}

std::string LoopbackServer::lastRequest() const
{
    std::lock_guard lock(mutex_);
    return lastRequest_;
}

std::vector<std::string> LoopbackServer::requestHeads() const
{
    std::lock_guard lock(mutex_);
    return heads_;
}

void LoopbackServer::acceptLoop()
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
            serve(fd);
            close(fd);
        });
    }
}

bool LoopbackServer::sendAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        if (stop_.load())
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool LoopbackServer::pause(int ms)
{
    for (int waited = 0; waited < ms; waited += 10) {
        if (stop_.load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pausesServed_.fetch_add(1);
    return true;
}

void LoopbackServer::serve(int fd)
{
    std::string request;
    char buf[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd p{fd, POLLIN, 0};
        if (stop_.load() || poll(&p, 1, 2000) <= 0)
            return;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        request.append(buf, size_t(n));
    }
    requests_.fetch_add(1);
    const size_t sp1 = request.find(' ');
    const size_t sp2 = request.find(' ', sp1 + 1);
    const std::string path = request.substr(sp1 + 1, sp2 - sp1 - 1);
    Reply reply;
    {
        std::lock_guard lock(mutex_);
        lastRequest_ = request;
        heads_.push_back(request);
        const int nth = served_[path]++;
        const auto it = routes_.find(path);
        if (it == routes_.end()) {
            reply.status = 404;
            reply.body = "<html><body>Not found</body></html>";
        } else {
            reply = it->second;
            if (reply.dropTimes >= 0 && nth >= reply.dropTimes)
                reply.dropAfter = kNever;
        }
    }
    if (reply.headerDelayMs > 0 && !pause(reply.headerDelayMs))
        return;
    std::string head = "HTTP/1.0 " + std::to_string(reply.status)
                     + (reply.status == 200 ? " OK" : reply.status == 302 ? " Found" : " Error") + "\r\n";
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    if (reply.contentLength && !reply.endless && reply.icyInterval == 0)
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    if (reply.icyInterval > 0)
        head += "icy-metaint: " + std::to_string(reply.icyInterval) + "\r\n";
    for (const auto &h : reply.headers)
        head += h + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (!sendAll(fd, head.data(), head.size()))
        return;

    const auto start = std::chrono::steady_clock::now();
    size_t sent = 0;          // body bytes (audio only) sent
    size_t sinceMeta = 0;
    size_t titleIndex = 0;
    bool stalled = false;
    const std::string &body = reply.body;
    if (body.empty())
        return;
    for (;;) {
        if (stop_.load())
            return;
        if (!reply.endless && sent >= body.size())
            return;
        if (sent >= reply.dropAfter)
            return;
        if (!stalled && sent >= reply.stallAfter) {
            stalled = true;
            if (reply.stallMs > 0 && !pause(reply.stallMs))
                return;
        }
        size_t chunk = 4096;
        if (reply.bytesPerSecond > 0) {
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double allowed = elapsed * double(reply.bytesPerSecond);
            if (double(sent) >= allowed) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            chunk = std::min(chunk, size_t(allowed - double(sent)) + 1);
        }
        chunk = std::min(chunk, reply.dropAfter - sent);
        if (reply.stallAfter != kNever && !stalled)
            chunk = std::min(chunk, reply.stallAfter - sent);
        if (reply.icyInterval > 0)
            chunk = std::min(chunk, reply.icyInterval - sinceMeta);
        const size_t at = sent % body.size();
        if (!reply.endless)
            chunk = std::min(chunk, body.size() - sent);
        chunk = std::min(chunk, body.size() - at);
        if (!sendAll(fd, body.data() + at, chunk))
            return;
        sent += chunk;
        sinceMeta += chunk;
        if (reply.icyInterval > 0 && sinceMeta == reply.icyInterval) {
            sinceMeta = 0;
            std::string meta;
            if (!reply.icyTitles.empty()) {
                meta = "StreamTitle='" + reply.icyTitles[titleIndex % reply.icyTitles.size()] + "';";
                ++titleIndex;
            }
            const size_t blocks = (meta.size() + 15) / 16;
            std::string block(1 + blocks * 16, '\0');
            block[0] = char(blocks);
            std::memcpy(block.data() + 1, meta.data(), meta.size());
            if (!sendAll(fd, block.data(), block.size()))
                return;
        }
    }
}
