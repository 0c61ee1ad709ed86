#include "Connection.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

Connection::Connection(int fd, std::string peer, int peerPort, std::function<void(const std::string &)> onClose)
    : fd_(fd), peer_(std::move(peer)), peerPort_(peerPort), onClose_(std::move(onClose))
{
}

Connection::~Connection()
{
    ::close(fd_);
    if (onClose_)
        onClose_(peer_);
}

size_t Connection::take(char *out, size_t size)
{
    const size_t n = std::min(size, pending());
    std::memcpy(out, buffer_.data() + pos_, n);
    pos_ += n;
    return n;
}

void Connection::compact()
{
    buffer_.erase(0, pos_);
    pos_ = 0;
}

bool Connection::socketAddress(int fd, bool peer, std::string &address, int &port)
{
    sockaddr_storage sa{};
    socklen_t len = sizeof sa;
    auto *any = reinterpret_cast<sockaddr *>(&sa);
    if ((peer ? ::getpeername(fd, any, &len) : ::getsockname(fd, any, &len)) != 0)
        return false;
    char text[INET6_ADDRSTRLEN] = {};
    if (sa.ss_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(&sa);
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (sa.ss_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(&sa);
        ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        port = ntohs(in6->sin6_port);
    } else {
        return false;
    }
    address = text;
    return true;
}
