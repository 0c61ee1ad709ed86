#pragma once

#include "TLoopbackReply.h"
#include "TLoopbackRequest.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <vector>

// A scriptable HTTP server for tests and benchmarks, on port 80 (the only
// port the client's fetcher uses) of a loopback address of its own in
// 127.64.0.0/10, different per instance and per process, so tests can run
// side by side.
//
//   TLoopbackServer server;
//   server.SetReply({TLoopbackServer::Response("abc")});
//   fetcher.URL = server.Url("/find?x=1");
//   ... server.WaitForRequests(1, 5000); server.Requests()[0].RequestLine ...
//
// Each connection gets its own thread: the server reads one request (head and
// a body of the announced Content-Length), records it, answers and closes.
// The answer is the next queued reply; else the route of the request's target;
// else the handler's; else the default reply. A server with routes answers an
// unknown target with 404. Stopping (the destructor) wakes every wait, closes
// every connection and joins all threads.
class TLoopbackServer
{
public:
    // Binds and starts listening; throws std::runtime_error when it cannot.
    TLoopbackServer();
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer &) = delete;
    TLoopbackServer &operator=(const TLoopbackServer &) = delete;

    QByteArray Host() const; // "127.a.b.c"
    QByteArray Url(const QByteArray &path) const { return "http://" + Host() + path; }

    void SetReply(const TLoopbackReply &reply);   // for connections with nothing else to answer
    void QueueReply(const TLoopbackReply &reply); // for the next connection, in order
    void Route(const QByteArray &target, const TLoopbackReply &reply); // path and query, exactly
    // Chooses the reply from the request (e.g. by path); runs on a
    // connection thread, so it must be thread-safe.
    using THandler = std::function<TLoopbackReply(const TLoopbackRequest &request)>;
    void SetHandler(THandler handler);
    // Connections one after the other on the accepting thread, instead of a
    // thread each: for benchmarks, where the server's own cost must stay small.
    void ServeOneAtATime(bool yes);

    // "HTTP/1.0 <status>\r\n[Content-Length: n\r\n]\r\n<body>".
    static QByteArray Response(const QByteArray &body, bool withLength = true,
                               const QByteArray &status = "200 OK");

    std::vector<TLoopbackRequest> Requests() const;
    int RequestCount() const;
    int ConnectionCount() const; // accepted so far
    int OpenConnections() const; // not yet closed by the server
    int PausesServed() const;    // delays and timed stalls that ran their full length
    // Block the calling thread (no event processing) up to timeoutMs.
    bool WaitForRequests(int count, int timeoutMs) const;
    bool WaitForConnectionsClosed(int timeoutMs) const;

private:
    struct TState;
    std::unique_ptr<TState> F;
};
