#include "Connection.h"
#include "GatedStream.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A connection on one end of a socket pair with a small send buffer, so
// large writes are taken in parts; the test reads the other end.
struct Pair {
    Pair()
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
            throw std::runtime_error("socketpair");
        const int small = 4096;
        ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
        connection = std::make_unique<Connection>(fds[0], "local", 0, nullptr);
        peer = fds[1];
    }
    ~Pair()
    {
        if (peer >= 0)
            ::close(peer);
    }
    std::string readAll()
    {
        std::string got;
        char buffer[1000];  // small reads: the writer waits for room again and again
        for (ssize_t n; (n = ::recv(peer, buffer, sizeof buffer, 0)) > 0;)
            got.append(buffer, size_t(n));
        return got;
    }

    std::unique_ptr<Connection> connection;
    int peer = -1;
};

std::string pattern(size_t size, char seed)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = char(seed + char(i % 251));
    return s;
}

} // namespace

TEST(GatedStream, HeldBytesAndALargeBodyArriveWholeAndInOrder)
{
    Pair pair;
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n";
    const std::string body = pattern(300000, 'a');
    const std::string tail = pattern(70, 'x');
    std::string got;
    std::thread reader([&] { got = pair.readAll(); });
    {
        GatedStream stream(*pair.connection, 2000ms, 2000ms, 1024);
        EXPECT_EQ(stream.write(head.data(), head.size()), ssize_t(head.size()));
        EXPECT_EQ(stream.write(body.data(), body.size()), ssize_t(body.size()));
        EXPECT_EQ(stream.write(tail.data(), tail.size()), ssize_t(tail.size()));
        EXPECT_TRUE(stream.flush());
        EXPECT_FALSE(stream.broken());
    }
    pair.connection.reset();  // the peer sees the end
    reader.join();
    EXPECT_EQ(got.size(), head.size() + body.size() + tail.size());
    EXPECT_TRUE(got == head + body + tail);
}

TEST(GatedStream, APeerThatLeavesBreaksTheStreamOnce)
{
    Pair pair;
    ::close(pair.peer);
    pair.peer = -1;
    GatedStream stream(*pair.connection, 500ms, 500ms, 1024);
    const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
    const std::string body = pattern(100000, 'a');
    EXPECT_EQ(stream.write(head.data(), head.size()), ssize_t(head.size()));  // only held
    EXPECT_EQ(stream.write(body.data(), body.size()), -1);
    EXPECT_TRUE(stream.broken());
    // Nothing held is sent again into the broken connection.
    EXPECT_FALSE(stream.flush());
}
