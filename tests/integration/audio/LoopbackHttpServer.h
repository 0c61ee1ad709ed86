#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A small HTTP/1.0 file server on a loopback address of its own, for what
// the engine needs from a server: files with or without their length, error
// statuses, and an endless ICY radio stream with metadata. One thread per
// connection; the destructor closes everything and joins.
class LoopbackHttpServer
{
public:
    struct Route
    {
        int status = 200;
        QByteArray body;
        bool sendLength = true;
        QList<QByteArray> extraHeaders;
        // Radio: the body repeats until the client leaves, with an ICY
        // metadata block of `meta` every metaInterval bytes when set.
        bool endless = false;
        int metaInterval = 0;
        QByteArray meta;
        // 0: as fast as the socket takes it.
        int bytesPerSecond = 0;
        // Silence before the answer; stopping the server ends it early.
        int holdMs = 0;
        // >= 0: the connection breaks after this many body bytes.
        qint64 dropAfter = -1;
    };

    explicit LoopbackHttpServer(const char *address);
    ~LoopbackHttpServer();

    bool listening() const { return listenFd_ >= 0; }
    void route(const QByteArray &path, Route route);
    QString url(const QByteArray &path) const;
    int requests() const { return requests_.load(); }

private:
    void acceptLoop();
    void serve(int fd);

    QByteArray address_;
    int port_ = 0;
    int listenFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::mutex mutex_;                    // guards routes_, clients_, threads_
    std::map<QByteArray, Route> routes_;
    std::vector<int> clients_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};
