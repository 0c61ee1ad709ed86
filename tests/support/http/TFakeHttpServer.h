#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A scriptable HTTP server for tests, on port 80 of a loopback address of its
// own (127.64.0.0/10, different per instance and per process, so tests can
// run side by side).
//
//   TFakeHttpServer server;
//   server.SetReply({TFakeHttpServer::Response("abc")});
//   fetcher.URL = server.Url("/find?x=1");
//   ... server.WaitForRequests(1, 5000); server.Requests()[0].RequestLine ...
//
// Each connection gets its own thread: the server reads one request (head and
// a body of the announced Content-Length), records it, then answers with the
// next queued reply or, when none is queued, the handler's or the default reply. Stopping
// (the destructor) wakes every wait, closes every connection and joins all
// threads.
struct TFakeHttpReply
{
    QByteArray Bytes;          // sent exactly as given: status line, headers, body
    int DelayMs = 0;           // wait after the request before answering
    int ChunkSize = 0;         // > 0: send Bytes in pieces of this many bytes
    int ChunkDelayMs = 0;      // wait between pieces
    qint64 DropAfter = -1;     // >= 0: close the connection after this many bytes
    bool EndlessZeros = false; // after Bytes, send zero bytes until the client leaves
    bool Stall = false;        // after sending, keep the connection open until the client leaves or the server stops
};

struct TFakeHttpRequest
{
    QByteArray Raw;         // every byte received on the connection
    QByteArray RequestLine; // without CRLF
    QList<QPair<QByteArray, QByteArray>> Headers; // in order, names as sent
    QByteArray Body;
    bool Complete = false; // head and announced body fully arrived

    // The first header of that name (case-insensitive); empty when absent.
    QByteArray Header(const QByteArray &name) const;
};

class TFakeHttpServer
{
public:
    // Binds and starts listening; throws std::runtime_error when it cannot.
    TFakeHttpServer();
    ~TFakeHttpServer();
    TFakeHttpServer(const TFakeHttpServer &) = delete;
    TFakeHttpServer &operator=(const TFakeHttpServer &) = delete;

    QByteArray Host() const { return FHost; } // "127.a.b.c"
    QByteArray Url(const QByteArray &path) const { return "http://" + FHost + path; }

    void SetReply(const TFakeHttpReply &reply);   // for connections with nothing queued
    void QueueReply(const TFakeHttpReply &reply); // for the next connection, in order
    // Chooses the reply from the request (e.g. by path) when nothing is
    // queued; runs on a connection thread, so it must be thread-safe.
    using THandler = std::function<TFakeHttpReply(const TFakeHttpRequest &request)>;
    void SetHandler(THandler handler);

    // "HTTP/1.0 <status>\r\n[Content-Length: n\r\n]\r\n<body>".
    static QByteArray Response(const QByteArray &body, bool withLength = true,
                               const QByteArray &status = "200 OK");

    std::vector<TFakeHttpRequest> Requests() const;
    int ConnectionCount() const; // accepted so far
    int OpenConnections() const; // not yet closed by the server
    // Block the calling thread (no event processing) up to timeoutMs.
    bool WaitForRequests(int count, int timeoutMs) const;
    bool WaitForConnectionsClosed(int timeoutMs) const;

private:
    void AcceptLoop();
    void Serve(int socket);
    TFakeHttpRequest ReadRequest(int socket);
    bool SendAll(int socket, const char *data, qint64 size);
    bool Sleep(int ms);         // false when stopping
    bool WaitFor(int socket, short events, int timeoutMs); // false when stopping or timed out

    QByteArray FHost;
    int FListen = -1;
    int FWake = -1; // eventfd: readable once the server stops
    std::thread FAcceptThread;

    mutable std::mutex FLock; // guards everything below
    mutable std::condition_variable FChanged;
    bool FStopping = false;
    TFakeHttpReply FDefault;
    THandler FHandler;
    std::deque<TFakeHttpReply> FQueue;
    std::vector<TFakeHttpRequest> FRequests;
    std::vector<std::thread> FConnections; // joined by the destructor
    int FAccepted = 0;
    int FOpen = 0;
};
