#include "SendfileServer.h"

#include "LoopbackListen.h"

#include <QFile>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

SendfileServer::SendfileServer(const QString &file)
{
    FFile = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info{};
    if (FFile >= 0 && ::fstat(FFile, &info) == 0)
        FSize = info.st_size;
    const unsigned block = (unsigned(::getpid()) % 250u) << 8;
    std::string host;
    FListen = ListenOnPort80([block](unsigned n) { return 0x7F4D0000u | block | (n + 1); }, 199, 16, host);
    FHost = QByteArray::fromStdString(host);
    if (Ok())
        FAccept = std::thread([this] { AcceptLoop(); });
}

SendfileServer::~SendfileServer()
{
    FStop = true;
    if (FAccept.joinable())
        FAccept.join();
    for (std::thread &t : FConnections)
        t.join();
    if (FListen >= 0)
        ::close(FListen);
    if (FFile >= 0)
        ::close(FFile);
}

void SendfileServer::AcceptLoop()
{
    while (!FStop) {
        pollfd p{FListen, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int c = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0)
            continue;
        std::lock_guard lock(FLock);
        FConnections.emplace_back([this, c] { Serve(c); });
    }
}

void SendfileServer::Serve(int socket)
{
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0) {
            ::close(socket);
            return;
        }
        request.append(buffer, size_t(n));
    }
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: "
        + std::to_string(FSize) + "\r\n\r\n";
    if (::send(socket, head.data(), head.size(), MSG_NOSIGNAL) == ssize_t(head.size())) {
        off_t offset = 0;
        while (!FStop && offset < FSize) {
            // A client that leaves ends the loop through the error.
            if (::sendfile(socket, FFile, &offset, size_t(FSize - offset)) <= 0)
                break;
        }
    }
    ::shutdown(socket, SHUT_WR);
    ::close(socket);
}
