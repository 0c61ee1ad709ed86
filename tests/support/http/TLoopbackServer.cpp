#include "TLoopbackServer.h"

#include <QFile>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

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

// A listening socket on port 80 of the first free address PickAddress gives.
int ListenOnPort80(QByteArray &host)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(80);
        sa.sin_addr.s_addr = htonl(PickAddress());
        if (::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 && ::listen(fd, 128) == 0) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
            host = text;
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

// Copies of their own: the thread that sets a reply may change it while a
// connection thread sends it.
QByteArray Own(const QByteArray &bytes)
{
    return QByteArray(bytes.constData(), bytes.size());
}

TLoopbackReply Own(const TLoopbackReply &reply)
{
    TLoopbackReply copy = reply;
    copy.Bytes = Own(reply.Bytes);
    for (QByteArray &h : copy.Headers)
        h = Own(h);
    for (QByteArray &m : copy.IcyMeta)
        m = Own(m);
    copy.File = QString(reply.File.constData(), reply.File.size());
    return copy;
}

QByteArray Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    default: return "Error";
    }
}

bool StartsWith(const QByteArray &line, const char *prefix)
{
    return line.left(qsizetype(std::strlen(prefix))).compare(prefix, Qt::CaseInsensitive) == 0;
}

// "bytes=a-" or "bytes=a-b"; false for anything else.
bool ParseRange(const QByteArray &value, qint64 &first, qint64 &last)
{
    if (!value.startsWith("bytes="))
        return false;
    const QList<QByteArray> ends = value.mid(6).split('-');
    bool ok = ends.size() == 2 && !ends[0].isEmpty();
    first = ok ? ends[0].toLongLong(&ok) : 0;
    last = std::numeric_limits<qint64>::max();
    if (ok && !ends[1].isEmpty())
        last = ends[1].toLongLong(&ok);
    return ok && first >= 0 && last >= first;
}

// A file descriptor closed when it goes out of scope.
struct TFileHandle
{
    int Fd = -1;
    ~TFileHandle()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
};

} // namespace

struct TLoopbackServer::TState
{
    QByteArray Host;
    int Listen = -1;
    int Wake = -1; // eventfd: readable once the server stops
    std::thread AcceptThread;

    mutable std::mutex Lock; // guards everything below
    mutable std::condition_variable Changed;
    TLoopbackReply Default;
    THandler Handler;
    std::deque<TLoopbackReply> Queue;
    std::map<QByteArray, TLoopbackReply> Routes;
    std::map<QByteArray, int> Served; // requests so far per routed target
    std::vector<TLoopbackRequest> Requests;
    std::list<std::thread> Connections;      // joined by the accept thread once finished, or by the destructor
    std::vector<std::thread::id> Finished;   // connection threads about to return
    int Accepted = 0;
    int Open = 0;
    int Pauses = 0;
    bool OneAtATime = false;

    void AcceptLoop();
    void Reap();
    void Serve(int socket);
    TLoopbackReply Choose(const TLoopbackRequest &request);
    TLoopbackRequest ReadRequest(int socket);
    bool Answer(int socket, const TLoopbackRequest &request, const TLoopbackReply &reply);
    bool SendAll(int socket, const char *data, qint64 size);
    bool SendFile(int socket, int file, qint64 offset, qint64 size);
    bool Sleep(int ms); // false when stopping
    bool Pause(int ms); // Sleep that counts in Pauses when it ran its length
    bool Stall(int socket, int ms);
    bool WaitFor(int socket, short events, int timeoutMs); // false when stopping or timed out
};

TLoopbackServer::TLoopbackServer()
    : F(std::make_unique<TState>())
{
    F->Wake = ::eventfd(0, EFD_CLOEXEC);
    if (F->Wake < 0)
        throw std::runtime_error("loopback HTTP server: eventfd failed");
    F->Listen = ListenOnPort80(F->Host);
    if (F->Listen < 0) {
        const int error = errno;
        ::close(F->Wake);
        throw std::runtime_error(std::string("loopback HTTP server: cannot bind port 80: ") + std::strerror(error));
    }
    F->AcceptThread = std::thread([this] { F->AcceptLoop(); });
}

TLoopbackServer::~TLoopbackServer()
{
    const quint64 one = 1;
    [[maybe_unused]] const auto written = ::write(F->Wake, &one, sizeof one);
    F->AcceptThread.join();
    // No thread is added once the accept loop has ended.
    for (std::thread &t : F->Connections)
        t.join();
    ::close(F->Listen);
    ::close(F->Wake);
}

QByteArray TLoopbackServer::Host() const
{
    return F->Host;
}

void TLoopbackServer::SetReply(const TLoopbackReply &reply)
{
    std::lock_guard lock(F->Lock);
    F->Default = Own(reply);
}

void TLoopbackServer::QueueReply(const TLoopbackReply &reply)
{
    std::lock_guard lock(F->Lock);
    F->Queue.push_back(Own(reply));
}

void TLoopbackServer::Route(const QByteArray &target, const TLoopbackReply &reply)
{
    std::lock_guard lock(F->Lock);
    F->Routes[Own(target)] = Own(reply);
}

void TLoopbackServer::SetHandler(THandler handler)
{
    std::lock_guard lock(F->Lock);
    F->Handler = std::move(handler);
}

void TLoopbackServer::ServeOneAtATime(bool yes)
{
    std::lock_guard lock(F->Lock);
    F->OneAtATime = yes;
}

QByteArray TLoopbackServer::Response(const QByteArray &body, bool withLength, const QByteArray &status)
{
    QByteArray out = "HTTP/1.0 " + status + "\r\n";
    if (withLength)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return out + "\r\n" + body;
}

std::vector<TLoopbackRequest> TLoopbackServer::Requests() const
{
    std::lock_guard lock(F->Lock);
    return F->Requests;
}

int TLoopbackServer::RequestCount() const
{
    std::lock_guard lock(F->Lock);
    return int(F->Requests.size());
}

int TLoopbackServer::ConnectionCount() const
{
    std::lock_guard lock(F->Lock);
    return F->Accepted;
}

int TLoopbackServer::OpenConnections() const
{
    std::lock_guard lock(F->Lock);
    return F->Open;
}

int TLoopbackServer::PausesServed() const
{
    std::lock_guard lock(F->Lock);
    return F->Pauses;
}

bool TLoopbackServer::WaitForRequests(int count, int timeoutMs) const
{
    std::unique_lock lock(F->Lock);
    return F->Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return int(F->Requests.size()) >= count; });
}

bool TLoopbackServer::WaitForConnectionsClosed(int timeoutMs) const
{
    std::unique_lock lock(F->Lock);
    return F->Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return F->Open == 0; });
}

bool TLoopbackServer::TState::WaitFor(int socket, short events, int timeoutMs)
{
    pollfd fds[2] = {{socket, events, 0}, {Wake, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 && !(fds[1].revents & POLLIN);
    }
}

bool TLoopbackServer::TState::Sleep(int ms)
{
    if (ms <= 0)
        return true;
    pollfd fd{Wake, POLLIN, 0};
    return ::poll(&fd, 1, ms) == 0;
}

bool TLoopbackServer::TState::Pause(int ms)
{
    if (ms <= 0)
        return true;
    if (!Sleep(ms))
        return false;
    std::lock_guard lock(Lock);
    ++Pauses;
    return true;
}

bool TLoopbackServer::TState::Stall(int socket, int ms)
{
    if (ms >= 0)
        return Pause(ms);
    // Until the client goes away or the server stops.
    char byte;
    while (WaitFor(socket, POLLIN, -1)) {
        const ssize_t n = ::recv(socket, &byte, 1, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            break;
    }
    return false;
}

void TLoopbackServer::TState::AcceptLoop()
{
    for (;;) {
        if (!WaitFor(Listen, POLLIN, -1))
            return;
        Reap();
        const int socket = ::accept4(Listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (socket < 0)
            continue;
        std::unique_lock lock(Lock);
        ++Accepted;
        ++Open;
        if (OneAtATime) {
            lock.unlock();
            Serve(socket);
        } else {
            Connections.emplace_back([this, socket] { Serve(socket); });
        }
    }
}

void TLoopbackServer::TState::Reap()
{
    std::list<std::thread> done;
    {
        std::lock_guard lock(Lock);
        for (const std::thread::id id : Finished) {
            const auto it = std::find_if(Connections.begin(), Connections.end(),
                                         [id](const std::thread &t) { return t.get_id() == id; });
            if (it != Connections.end())
                done.splice(done.end(), Connections, it);
        }
        Finished.clear();
    }
    for (std::thread &t : done)
        t.join();
}

TLoopbackRequest TLoopbackServer::TState::ReadRequest(int socket)
{
    TLoopbackRequest request;
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
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            break;
        request.Raw.append(buffer, n);
        if (headEnd >= 0)
            continue;
        headEnd = request.Raw.indexOf("\r\n\r\n");
        if (headEnd < 0)
            continue;
        const QList<QByteArray> lines = request.Raw.left(headEnd).split('\n');
        request.RequestLine = lines.value(0).chopped(lines.value(0).endsWith('\r') ? 1 : 0);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            if (line.endsWith('\r'))
                line.chop(1);
            const qsizetype colon = line.indexOf(':');
            if (colon >= 0)
                request.Headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
        }
        bodyLength = request.Header("Content-Length").toLongLong();
    }
    if (headEnd >= 0)
        request.Body = request.Raw.mid(headEnd + 4, bodyLength);
    return request;
}

TLoopbackReply TLoopbackServer::TState::Choose(const TLoopbackRequest &request)
{
    THandler handler;
    {
        std::lock_guard lock(Lock);
        if (!Queue.empty()) {
            TLoopbackReply reply = std::move(Queue.front());
            Queue.pop_front();
            return reply;
        }
        const QByteArray target = request.Target();
        if (const auto it = Routes.find(target); it != Routes.end()) {
            TLoopbackReply reply = Own(it->second);
            const int nth = Served[target]++;
            if (reply.DropTimes >= 0 && nth >= reply.DropTimes)
                reply.DropAfter = -1;
            return reply;
        }
        if (!Handler && !Routes.empty()) {
            TLoopbackReply missing;
            missing.Status = 404;
            missing.Bytes = "<html><body>Not found</body></html>";
            return missing;
        }
        if (!Handler)
            return Own(Default);
        handler = Handler;
    }
    return handler(request);
}

void TLoopbackServer::TState::Serve(int socket)
{
    TLoopbackRequest request = ReadRequest(socket);
    const bool complete = request.Complete;
    const TLoopbackReply reply = Choose(request);
    if (!request.Raw.isEmpty()) {
        std::lock_guard lock(Lock);
        Requests.push_back(request);
    }
    Changed.notify_all();

    if (complete && Pause(reply.DelayMs))
        Answer(socket, request, reply);
    ::close(socket);
    {
        std::lock_guard lock(Lock);
        --Open;
        Finished.push_back(std::this_thread::get_id());
    }
    Changed.notify_all();
}

bool TLoopbackServer::TState::Answer(int socket, const TLoopbackRequest &request, const TLoopbackReply &reply)
{
    TFileHandle file;
    qint64 total = reply.Bytes.size();
    if (!reply.File.isEmpty()) {
        file.Fd = ::open(QFile::encodeName(reply.File).constData(), O_RDONLY | O_CLOEXEC);
        struct stat info{};
        if (file.Fd < 0 || ::fstat(file.Fd, &info) != 0)
            return false;
        total = info.st_size;
    }
    qint64 from = 0;
    qint64 length = total;

    if (reply.Status > 0) {
        int status = reply.Status;
        QByteArray contentRange;
        qint64 first = 0;
        qint64 last = 0;
        if (reply.Ranges && status == 200 && ParseRange(request.Header("Range"), first, last)) {
            if (first >= total) {
                status = 416;
                length = 0;
                contentRange = "Content-Range: bytes */" + QByteArray::number(total) + "\r\n";
            } else {
                status = 206;
                last = std::min(last, total - 1);
                from = first;
                length = last - first + 1;
                contentRange = "Content-Range: bytes " + QByteArray::number(first) + '-' + QByteArray::number(last)
                             + '/' + QByteArray::number(total) + "\r\n";
            }
        }
        QByteArray head = "HTTP/1.0 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n";
        if (reply.ContentLength && !reply.Endless && reply.IcyInterval == 0)
            head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        head += contentRange;
        if (reply.IcyInterval > 0
            && std::none_of(reply.Headers.begin(), reply.Headers.end(),
                            [](const QByteArray &h) { return StartsWith(h, "icy-metaint:"); }))
            head += "icy-metaint: " + QByteArray::number(reply.IcyInterval) + "\r\n";
        for (const QByteArray &h : reply.Headers)
            head += h + "\r\n";
        head += "\r\n";
        if (!SendAll(socket, head.constData(), head.size()))
            return false;
    }

    const bool endless = reply.Endless && length > 0;
    const qint64 end = endless ? std::numeric_limits<qint64>::max() : length;
    const qint64 limit = reply.DropAfter >= 0 ? std::min(reply.DropAfter, end) : end;
    const auto started = std::chrono::steady_clock::now();
    bool stallPending = reply.StallAfter >= 0;
    qint64 sent = 0;
    qint64 sinceMeta = 0;
    qsizetype metaIndex = 0;
    while (sent < limit) {
        if (stallPending && sent >= reply.StallAfter) {
            stallPending = false;
            if (!Stall(socket, reply.StallMs))
                return false;
        }
        qint64 piece = limit - sent;
        if (reply.ChunkSize > 0) {
            if (sent > 0 && sent % reply.ChunkSize == 0 && !Sleep(reply.ChunkDelayMs))
                return false;
            piece = std::min<qint64>(piece, reply.ChunkSize - sent % reply.ChunkSize);
        }
        if (stallPending)
            piece = std::min(piece, reply.StallAfter - sent);
        if (reply.IcyInterval > 0)
            piece = std::min<qint64>(piece, reply.IcyInterval - sinceMeta);
        if (reply.BytesPerSecond > 0)
            piece = std::min<qint64>(piece, 4096);
        const qint64 at = sent % length;
        piece = std::min(piece, length - at);
        const bool ok = file.Fd >= 0 ? SendFile(socket, file.Fd, from + at, piece)
                                     : SendAll(socket, reply.Bytes.constData() + from + at, piece);
        if (!ok)
            return false;
        sent += piece;
        sinceMeta += piece;
        if (reply.IcyInterval > 0 && sinceMeta == reply.IcyInterval) {
            sinceMeta = 0;
            const QByteArray meta = reply.IcyMeta.isEmpty() ? QByteArray()
                                                            : reply.IcyMeta[metaIndex++ % reply.IcyMeta.size()];
            const qsizetype blocks = (meta.size() + 15) / 16;
            QByteArray block(1 + blocks * 16, '\0');
            block[0] = char(blocks);
            std::memcpy(block.data() + 1, meta.constData(), size_t(meta.size()));
            if (!SendAll(socket, block.constData(), block.size()))
                return false;
        }
        if (reply.BytesPerSecond > 0) {
            const auto due = started + std::chrono::microseconds(sent * 1000000 / reply.BytesPerSecond);
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            if (!Sleep(int(wait.count())))
                return false;
        }
    }
    if (stallPending && sent >= reply.StallAfter && reply.DropAfter < 0)
        return Stall(socket, reply.StallMs);
    return true;
}

bool TLoopbackServer::TState::SendAll(int socket, const char *data, qint64 size)
{
    while (size > 0) {
        if (!WaitFor(socket, POLLOUT, -1))
            return false;
        const ssize_t n = ::send(socket, data, size_t(size), MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool TLoopbackServer::TState::SendFile(int socket, int file, qint64 offset, qint64 size)
{
    off_t at = off_t(offset);
    const off_t end = off_t(offset + size);
    while (at < end) {
        if (!WaitFor(socket, POLLOUT, -1))
            return false;
        // Straight from the page cache, so the clients, not the server, set a benchmark's pace.
        const ssize_t n = ::sendfile(socket, file, &at, size_t(end - at));
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            return false;
    }
    return true;
}
