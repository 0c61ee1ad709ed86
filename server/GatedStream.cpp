#include "GatedStream.h"

#include "Connection.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

GatedStream::GatedStream(Connection &connection, std::chrono::milliseconds readTimeout,
                         std::chrono::milliseconds writeTimeout, size_t budget)
    : connection_(connection), readTimeout_(readTimeout), writeTimeout_(writeTimeout), budget_(budget)
{
}

bool GatedStream::wait(short events, std::chrono::milliseconds timeout) const
{
    pollfd p{connection_.fd(), events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, int(timeout.count()));
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

bool GatedStream::is_readable() const
{
    return connection_.pending() > 0 || wait(POLLIN, readTimeout_);
}

bool GatedStream::is_writable() const
{
    return wait(POLLOUT, writeTimeout_);
}

ssize_t GatedStream::read(char *ptr, size_t size)
{
    if (read_ >= budget_) {
        overBudget_ = true;
        return -1;
    }
    size = std::min(size, budget_ - read_);
    if (connection_.pending() > 0) {
        const size_t n = connection_.take(ptr, size);
        read_ += n;
        return ssize_t(n);
    }
    for (;;) {
        const ssize_t n = ::recv(connection_.fd(), ptr, size, 0);
        if (n > 0) {
            read_ += size_t(n);
            return n;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait(POLLIN, readTimeout_))
            continue;
        broken_ = true;
        return -1;
    }
}

ssize_t GatedStream::write(const char *ptr, size_t size)
{
    constexpr size_t kHold = 16 * 1024;
    if (held_.size() + size <= kHold) {
        held_.append(ptr, size);
        return ssize_t(size);
    }
    // What is held (a reply's head) leaves with the first part of a large
    // body in one call: one segment the peer wakes for, not two.
    const bool ok = sendAll(held_.data(), held_.size(), ptr, size);
    held_.clear();
    return ok ? ssize_t(size) : -1;
}

bool GatedStream::flush()
{
    if (held_.empty())
        return !broken_;
    const bool ok = sendAll(held_.data(), held_.size(), nullptr, 0);
    held_.clear();
    return ok;
}

bool GatedStream::sendAll(const char *first, size_t firstSize, const char *second, size_t secondSize)
{
    iovec parts[2] = {{const_cast<char *>(first), firstSize}, {const_cast<char *>(second), secondSize}};
    iovec *part = parts;
    size_t count = 2;
    while (count > 0) {
        if (part->iov_len == 0) {
            ++part;
            --count;
            continue;
        }
        msghdr message{};
        message.msg_iov = part;
        message.msg_iovlen = count;
        const ssize_t n = ::sendmsg(connection_.fd(), &message, MSG_NOSIGNAL);
        if (n > 0) {
            // Past what was sent: whole parts dropped, the rest of one kept.
            for (size_t sent = size_t(n); sent > 0;) {
                const size_t step = std::min(sent, part->iov_len);
                part->iov_base = static_cast<char *>(part->iov_base) + step;
                part->iov_len -= step;
                sent -= step;
                if (part->iov_len == 0) {
                    ++part;
                    --count;
                }
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait(POLLOUT, writeTimeout_))
            continue;
        broken_ = true;
        return false;
    }
    return true;
}

void GatedStream::get_remote_ip_and_port(std::string &ip, int &port) const
{
    ip = connection_.peer();
    port = connection_.peerPort();
}

void GatedStream::get_local_ip_and_port(std::string &ip, int &port) const
{
    Connection::socketAddress(connection_.fd(), false, ip, port);
}

socket_t GatedStream::socket() const
{
    return connection_.fd();
}
