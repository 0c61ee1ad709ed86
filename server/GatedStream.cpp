#include "GatedStream.h"

#include "Connection.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

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
    if (!flush() || !sendAll(ptr, size))
        return -1;
    return ssize_t(size);
}

bool GatedStream::flush()
{
    if (held_.empty())
        return !broken_;
    const bool ok = sendAll(held_.data(), held_.size());
    held_.clear();
    return ok;
}

bool GatedStream::sendAll(const char *ptr, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::send(connection_.fd(), ptr + done, size - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += size_t(n);
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
