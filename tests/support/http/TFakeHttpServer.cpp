#include "TFakeHttpServer.h"

#include "LoopbackListen.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

std::atomic<unsigned> instanceCounter{0};

// Addresses in 127.64.0.0/10: the process id picks a block, the counter an
// address inside it. Last octets 0 and 255 are skipped.
quint32 PickAddress()
{
    for (;;) {
        const unsigned n = instanceCounter.fetch_add(1);
        const quint32 address = 0x7F400000u | ((quint32(::getpid()) % 4096u) << 10) | (n % 1024u);
        const quint32 last = address & 0xFFu;
        if (last != 0 && last != 255)
            return address;
    }
}

QByteArray HeadOf(const QByteArray &raw, qsizetype &headEnd)
{
    headEnd = raw.indexOf("\r\n\r\n");
    return headEnd < 0 ? QByteArray() : raw.left(headEnd);
}

} // namespace

QByteArray TFakeHttpRequest::Header(const QByteArray &name) const
{
    for (const auto &[key, value] : Headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

TFakeHttpServer::TFakeHttpServer()
{
    FWake = ::eventfd(0, EFD_CLOEXEC);
    if (FWake < 0)
        throw std::runtime_error("fake HTTP server: eventfd failed");
    std::string host;
    FListen = ListenOnPort80([](unsigned) { return PickAddress(); }, 64, 64, host);
    FHost = QByteArray::fromStdString(host);
    if (FListen < 0) {
        ::close(FWake);
        throw std::runtime_error(std::string("fake HTTP server: cannot bind port 80: ") + std::strerror(errno));
    }
    FAcceptThread = std::thread([this] { AcceptLoop(); });
}

TFakeHttpServer::~TFakeHttpServer()
{
    {
        std::lock_guard lock(FLock);
        FStopping = true;
    }
    const quint64 one = 1;
    [[maybe_unused]] const auto written = ::write(FWake, &one, sizeof one);
    FAcceptThread.join();
    // No thread is added once the accept loop has ended.
    for (std::thread &t : FConnections)
        t.join();
    ::close(FListen);
    ::close(FWake);
}

void TFakeHttpServer::SetReply(const TFakeHttpReply &reply)
{
    std::lock_guard lock(FLock);
    FDefault = reply;
}

void TFakeHttpServer::SetHandler(THandler handler)
{
    std::lock_guard lock(FLock);
    FHandler = std::move(handler);
}

void TFakeHttpServer::QueueReply(const TFakeHttpReply &reply)
{
    std::lock_guard lock(FLock);
    FQueue.push_back(reply);
    // Unshared, since a connection thread will own it.
    FQueue.back().Bytes = QByteArray(reply.Bytes.constData(), reply.Bytes.size());
}

QByteArray TFakeHttpServer::Response(const QByteArray &body, bool withLength, const QByteArray &status)
{
    QByteArray out = "HTTP/1.0 " + status + "\r\n";
    if (withLength)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return out + "\r\n" + body;
}

std::vector<TFakeHttpRequest> TFakeHttpServer::Requests() const
{
    std::lock_guard lock(FLock);
    return FRequests;
}

int TFakeHttpServer::ConnectionCount() const
{
    std::lock_guard lock(FLock);
    return FAccepted;
}

int TFakeHttpServer::OpenConnections() const
{
    std::lock_guard lock(FLock);
    return FOpen;
}

bool TFakeHttpServer::WaitForRequests(int count, int timeoutMs) const
{
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return int(FRequests.size()) >= count; });
}

bool TFakeHttpServer::WaitForConnectionsClosed(int timeoutMs) const
{
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return FOpen == 0; });
}

bool TFakeHttpServer::WaitFor(int socket, short events, int timeoutMs)
{
    pollfd fds[2] = {{socket, events, 0}, {FWake, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || (fds[1].revents & POLLIN))
            return false;
        return true;
    }
}

bool TFakeHttpServer::Sleep(int ms)
{
    if (ms <= 0)
        return true;
    pollfd fd{FWake, POLLIN, 0};
    return ::poll(&fd, 1, ms) == 0;
}

void TFakeHttpServer::AcceptLoop()
{
    for (;;) {
        if (!WaitFor(FListen, POLLIN, -1))
            return;
        const int socket = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::lock_guard lock(FLock);
        ++FAccepted;
        ++FOpen;
        FConnections.emplace_back([this, socket] { Serve(socket); });
    }
}

TFakeHttpRequest TFakeHttpServer::ReadRequest(int socket)
{
    TFakeHttpRequest request;
    qsizetype headEnd = -1;
    qint64 bodyLength = 0;
    char buffer[4096];
    for (;;) {
        if (headEnd >= 0 && request.Raw.size() >= headEnd + 4 + bodyLength) {
            request.Complete = true;
            break;
        }
        if (!WaitFor(socket, POLLIN, -1))
            break;
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.Raw.append(buffer, n);
        if (headEnd < 0) {
            const QByteArray head = HeadOf(request.Raw, headEnd);
            if (headEnd < 0)
                continue;
            const QList<QByteArray> lines = head.split('\n');
            request.RequestLine = lines.value(0).chopped(lines.value(0).endsWith('\r') ? 1 : 0);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                QByteArray line = lines[i];
                if (line.endsWith('\r'))
                    line.chop(1);
                const qsizetype colon = line.indexOf(':');
                if (colon < 0)
                    continue;
                request.Headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
            }
            bodyLength = request.Header("Content-Length").toLongLong();
        }
    }
    if (headEnd >= 0)
        request.Body = request.Raw.mid(headEnd + 4, bodyLength);
    return request;
}

bool TFakeHttpServer::SendAll(int socket, const char *data, qint64 size)
{
    while (size > 0) {
        if (!WaitFor(socket, POLLOUT, -1))
            return false;
        const ssize_t n = ::send(socket, data, size_t(size), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

void TFakeHttpServer::Serve(int socket)
{
    TFakeHttpRequest request = ReadRequest(socket);
    const bool gotSomething = !request.Raw.isEmpty();
    const bool complete = request.Complete;
    TFakeHttpReply reply;
    THandler handler;
    {
        std::lock_guard lock(FLock);
        if (!FQueue.empty()) {
            reply = std::move(FQueue.front());
            FQueue.pop_front();
        } else if (FHandler) {
            handler = FHandler;
        } else {
            reply = FDefault;
            // A copy of its own: the test thread may replace the default meanwhile.
            reply.Bytes = QByteArray(FDefault.Bytes.constData(), FDefault.Bytes.size());
        }
    }
    if (handler)
        reply = handler(request);
    if (gotSomething) {
        std::lock_guard lock(FLock);
        FRequests.push_back(std::move(request));
    }
    FChanged.notify_all();

    bool ok = complete && Sleep(reply.DelayMs);
    const qint64 limit = reply.DropAfter >= 0 ? std::min<qint64>(reply.DropAfter, reply.Bytes.size())
                                              : reply.Bytes.size();
    const qint64 chunk = reply.ChunkSize > 0 ? reply.ChunkSize : std::max<qint64>(limit, 1);
    for (qint64 sent = 0; ok && sent < limit; sent += chunk) {
        if (sent > 0)
            ok = Sleep(reply.ChunkDelayMs);
        ok = ok && SendAll(socket, reply.Bytes.constData() + sent, std::min(chunk, limit - sent));
    }
    if (ok && reply.DropAfter < 0 && reply.EndlessZeros) {
        static const QByteArray zeros(64 * 1024, '\0');
        while (SendAll(socket, zeros.constData(), zeros.size())) {
        }
    }
    if (ok && reply.DropAfter < 0 && reply.Stall) {
        // Until the client goes away or the server stops.
        char byte;
        while (WaitFor(socket, POLLIN, -1) && ::recv(socket, &byte, 1, 0) > 0) {
        }
    }
    ::close(socket);
    {
        std::lock_guard lock(FLock);
        --FOpen;
    }
    FChanged.notify_all();
}
