#include "ConnectionGate.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <charconv>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

ConnectionGate::ConnectionGate(const Limits &limits, Ready ready) : limits_(limits), ready_(std::move(ready))
{
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epoll_ < 0 || wakeFd_ < 0) {
        const int error = errno;
        if (epoll_ >= 0)
            ::close(epoll_);
        if (wakeFd_ >= 0)
            ::close(wakeFd_);
        throw std::system_error(error, std::generic_category(), "connection gate");
    }
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = wakeFd_;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeFd_, &ev);
    thread_ = std::thread([this] { run(); });
}

ConnectionGate::~ConnectionGate()
{
    stop();
    ::close(epoll_);
    ::close(wakeFd_);
}

void ConnectionGate::stop()
{
    running_ = false;
    wake();
    if (thread_.joinable())
        thread_.join();
    std::vector<std::shared_ptr<Connection>> left;  // closed outside the lock they release into
    std::lock_guard lock(mutex_);
    left.swap(incoming_);
}

void ConnectionGate::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
}

void ConnectionGate::admit(int fd)
{
    std::string peer;
    int port = 0;
    if (!running_ || !Connection::socketAddress(fd, true, peer, port)) {
        ::close(fd);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        size_t &fromPeer = perPeer_[peer];
        if (total_ >= limits_.maxConnections || (limits_.perAddress != 0 && fromPeer >= limits_.perAddress)) {
            if (fromPeer == 0)
                perPeer_.erase(peer);
            ::close(fd);
            return;
        }
        ++fromPeer;
        ++total_;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    auto connection = std::make_shared<Connection>(fd, peer, port, [this](const std::string &p) { release(p); });
    connection->deadline = Connection::Clock::now() + limits_.requestTimeout;
    {
        std::lock_guard lock(mutex_);
        incoming_.push_back(std::move(connection));
    }
    wake();
}

void ConnectionGate::giveBack(std::shared_ptr<Connection> connection)
{
    connection->compact();
    connection->deadline = Connection::Clock::now() + limits_.idleTimeout;
    {
        std::lock_guard lock(mutex_);
        if (!running_)
            return;  // closed here, outside the gate
        incoming_.push_back(std::move(connection));
    }
    wake();
}

void ConnectionGate::release(const std::string &peer)
{
    std::lock_guard lock(mutex_);
    const auto it = perPeer_.find(peer);
    if (it != perPeer_.end() && --it->second == 0)
        perPeer_.erase(it);
    --total_;
}

size_t ConnectionGate::connectionsFrom(const std::string &peer) const
{
    std::lock_guard lock(mutex_);
    const auto it = perPeer_.find(peer);
    return it == perPeer_.end() ? 0 : it->second;
}

bool ConnectionGate::wholeRequest(std::string_view data, const Limits &limits)
{
    const size_t headEnd = data.find("\r\n\r\n");
    if (headEnd == std::string_view::npos)
        return data.size() > limits.headMax;
    if (headEnd > limits.headMax)
        return true;
    const std::string_view body = data.substr(headEnd + 4);
    std::string_view head = data.substr(0, headEnd + 2);
    head.remove_prefix(std::min(head.size(), head.find("\r\n") + 2));  // the request line
    bool chunked = false;
    std::optional<std::uint64_t> length;
    while (!head.empty()) {
        const size_t eol = head.find("\r\n");
        const std::string_view line = head.substr(0, eol);
        head.remove_prefix(std::min(head.size(), eol + 2));
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = trim(line.substr(0, colon));
        const std::string_view value = trim(line.substr(colon + 1));
        if (equalsIgnoringCase(name, "Expect"))
            return true;
        if (equalsIgnoringCase(name, "Transfer-Encoding"))
            chunked = true;
        if (equalsIgnoringCase(name, "Content-Length")) {
            std::uint64_t n = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (ec != std::errc() || end != value.data() + value.size())
                return true;  // the worker refuses it
            length = n;
        }
    }
    if (chunked) {
        // The last chunk and the empty trailer; a chunk's data could end the
        // same way, but then the worker merely waits for the rest itself.
        return body.ends_with("0\r\n\r\n") || body.size() > 2 * limits.bodyMax;
    }
    if (length)
        return *length > limits.bodyMax || body.size() >= *length;
    return true;
}

bool ConnectionGate::receive(Connection &c, const Limits &limits)
{
    const size_t cap = limits.readBudget();
    std::string &buffer = c.buffer();
    char chunk[16 * 1024];
    for (;;) {
        if (buffer.size() >= cap)
            return true;
        const ssize_t n = ::recv(c.fd(), chunk, std::min(sizeof chunk, cap - buffer.size()), 0);
        if (n > 0) {
            buffer.append(chunk, size_t(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        // The peer is done sending: what it sent may still be a request.
        return n == 0 && wholeRequest(std::string_view(buffer).substr(c.pos()), limits);
    }
}

void ConnectionGate::take(std::shared_ptr<Connection> connection)
{
    if (wholeRequest(std::string_view(connection->buffer()).substr(connection->pos()), limits_)) {
        ready_(std::move(connection));
        return;
    }
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP;
    ev.data.fd = connection->fd();
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, connection->fd(), &ev) != 0)
        return;  // dropped
    waiting_[connection->fd()] = std::move(connection);
}

void ConnectionGate::run()
{
    constexpr int kMaxEvents = 256;
    epoll_event events[kMaxEvents];
    auto nextSweep = Connection::Clock::now();
    while (running_) {
        const int n = ::epoll_wait(epoll_, events, kMaxEvents, 100);
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == wakeFd_) {
                std::uint64_t count = 0;
                [[maybe_unused]] const auto r = ::read(wakeFd_, &count, sizeof count);
                std::vector<std::shared_ptr<Connection>> batch;
                {
                    std::lock_guard lock(mutex_);
                    batch.swap(incoming_);
                }
                for (auto &c : batch)
                    take(std::move(c));
                continue;
            }
            const auto it = waiting_.find(fd);
            if (it == waiting_.end())
                continue;
            Connection &c = *it->second;
            const bool alive = receive(c, limits_);
            const bool whole = wholeRequest(std::string_view(c.buffer()).substr(c.pos()), limits_);
            if (!alive && !whole) {
                ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
                waiting_.erase(it);
            } else if (whole) {
                ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
                auto connection = std::move(it->second);
                waiting_.erase(it);
                ready_(std::move(connection));
            }
        }
        const auto now = Connection::Clock::now();
        if (now < nextSweep)
            continue;
        nextSweep = now + std::chrono::milliseconds(100);
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            if (it->second->deadline > now) {
                ++it;
                continue;
            }
            if (it->second->pending() > 0) {
                static constexpr std::string_view kTimeout =
                    "HTTP/1.1 408 Request Timeout\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
                [[maybe_unused]] const auto sent =
                    ::send(it->first, kTimeout.data(), kTimeout.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            }
            ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->first, nullptr);
            it = waiting_.erase(it);
        }
    }
    waiting_.clear();
}
