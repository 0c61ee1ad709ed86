#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// Serves one file to every request, with Content-Length, straight from the
// page cache (sendfile), on port 80 of a loopback address of its own. Fast
// enough that the clients, not the server, set the pace.
class SendfileServer
{
public:
    explicit SendfileServer(const QString &file);
    ~SendfileServer();
    SendfileServer(const SendfileServer &) = delete;
    SendfileServer &operator=(const SendfileServer &) = delete;

    bool Ok() const { return FListen >= 0 && FFile >= 0; }
    QByteArray Url(const QByteArray &path) const { return "http://" + FHost + path; }

private:
    void AcceptLoop();
    void Serve(int socket);

    int FFile = -1;
    qint64 FSize = 0;
    int FListen = -1;
    QByteArray FHost;
    // Written by the destructor, read by the server's threads.
    std::atomic<bool> FStop{false};
    std::thread FAccept;
    // Accept thread adds, destructor joins (after the accept thread ended).
    std::mutex FLock;
    std::vector<std::thread> FConnections;
};
