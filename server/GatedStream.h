#pragma once

#include <httplib.h>

#include <chrono>
#include <string>

class Connection;

// The HTTP library's view of a connection while a worker serves one
// request: reads come from what the gate has buffered first, then from the
// socket, each waiting at most the read timeout; no more than budget bytes
// are read for the request, so no body, however framed, grows past it.
class GatedStream : public httplib::Stream {
public:
    GatedStream(Connection &connection, std::chrono::milliseconds readTimeout,
                std::chrono::milliseconds writeTimeout, size_t budget);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override;

    // Sends what write() has held back; false when the peer cannot take it.
    bool flush();

    // The request read more than its budget.
    bool overBudget() const { return overBudget_; }
    // A read or write failed or timed out: the connection cannot go on.
    bool broken() const { return broken_; }
    // The request is answered without its body being read: the connection
    // must close after the reply.
    void closeAfterReply() { closeAfterReply_ = true; }
    bool closingAfterReply() const { return closeAfterReply_; }

private:
    bool wait(short events, std::chrono::milliseconds timeout) const;
    // Sends first and then second whole (either may be empty).
    bool sendAll(const char *first, size_t firstSize, const char *second, size_t secondSize);

    Connection &connection_;
    const std::chrono::milliseconds readTimeout_;
    const std::chrono::milliseconds writeTimeout_;
    const size_t budget_;
    size_t read_ = 0;
    bool overBudget_ = false;
    bool broken_ = false;
    bool closeAfterReply_ = false;
    // Small writes (a reply's head, a short body) leave in one segment:
    // fewer system calls, and a peer that dies sees a reply whole or not at all.
    std::string held_;
};
