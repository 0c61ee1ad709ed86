#include "LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

bool sendAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(const char *address)
    : address_(address)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ::inet_pton(AF_INET, address, &addr.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listenFd_ = fd;
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    stopping_ = true;
    if (listenFd_ >= 0)
        ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptor_.joinable())
        acceptor_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int fd : clients_)
            ::shutdown(fd, SHUT_RDWR);
        threads.swap(threads_);
    }
    for (auto &t : threads)
        t.join();
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

void LoopbackHttpServer::route(const QByteArray &path, Route route)
{
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = std::move(route);
}

QString LoopbackHttpServer::url(const QByteArray &path) const
{
    return QStringLiteral("http://%1:%2%3").arg(QString::fromLatin1(address_)).arg(port_).arg(QString::fromLatin1(path));
}

void LoopbackHttpServer::acceptLoop()
{
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> lock(mutex_);
        clients_.push_back(fd);
        threads_.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackHttpServer::serve(int fd)
{
    QByteArray request;
    char buffer[2048];
    while (!request.contains("\r\n\r\n") && request.size() < 65536) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, n);
    }
    ++requests_;
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray path = words.size() >= 2 ? words[1] : QByteArray();
    Route route;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (auto it = routes_.find(path); it != routes_.end()) {
            route = it->second;
            found = true;
        }
    }
    if (!found)
        route.status = 404;

    const auto holdUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(route.holdMs);
    while (!stopping_ && std::chrono::steady_clock::now() < holdUntil)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const QByteArray reason = route.status == 200 ? "OK" : route.status == 404 ? "Not Found" : "Error";
    QByteArray head = "HTTP/1.0 " + QByteArray::number(route.status) + ' ' + reason + "\r\n";
    head += "Content-Type: audio/mpeg\r\n";
    if (route.status == 200 && route.sendLength && !route.endless)
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    if (route.endless && route.metaInterval > 0)
        head += "icy-metaint:" + QByteArray::number(route.metaInterval) + "\r\n";
    for (const QByteArray &h : route.extraHeaders)
        head += h + "\r\n";
    head += "\r\n";
    bool alive = sendAll(fd, head.constData(), std::size_t(head.size()));

    if (alive && route.status == 200 && !route.body.isEmpty()) {
        const auto started = std::chrono::steady_clock::now();
        qint64 sent = 0;
        qint64 sinceMeta = 0;
        qint64 offset = 0;
        QByteArray metaBlock;
        if (route.metaInterval > 0) {
            QByteArray text = route.meta;
            const int blocks = int((text.size() + 15) / 16);
            text.resize(blocks * 16, '\0');
            metaBlock = char(blocks) + text;
        }
        while (alive && !stopping_) {
            if (!route.endless && offset >= route.body.size())
                break;
            if (route.dropAfter >= 0 && sent >= route.dropAfter)
                break;
            if (offset >= route.body.size())
                offset = 0;
            qint64 piece = std::min<qint64>(4096, route.body.size() - offset);
            if (route.dropAfter >= 0)
                piece = std::min<qint64>(piece, route.dropAfter - sent);
            if (route.metaInterval > 0)
                piece = std::min<qint64>(piece, route.metaInterval - sinceMeta);
            alive = sendAll(fd, route.body.constData() + offset, std::size_t(piece));
            offset += piece;
            sent += piece;
            sinceMeta += piece;
            if (alive && route.metaInterval > 0 && sinceMeta == route.metaInterval) {
                alive = sendAll(fd, metaBlock.constData(), std::size_t(metaBlock.size()));
                sinceMeta = 0;
            }
            if (route.bytesPerSecond > 0) {
                const auto due = started + std::chrono::microseconds(sent * 1000000 / route.bytesPerSecond);
                std::this_thread::sleep_until(due);
            }
        }
    }
    ::shutdown(fd, SHUT_WR);
    // Let the client read to the end before the socket goes away.
    while (::recv(fd, buffer, sizeof buffer, 0) > 0 && !stopping_) {
    }
    std::lock_guard<std::mutex> lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), fd), clients_.end());
    ::close(fd);
}
