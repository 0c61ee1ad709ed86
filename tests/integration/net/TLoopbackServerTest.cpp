// The faults and features of the loopback server other tests rely on, seen
// byte for byte by a plain socket client.
#include "TLoopbackServer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// Sends one request and reads until the server closes (at most 5 s).
QByteArray Fetch(const TLoopbackServer &server, const QByteArray &target, const QByteArray &headers = {})
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(80);
    ::inet_pton(AF_INET, server.Host().constData(), &sa.sin_addr);
    QByteArray reply;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0) {
        const QByteArray request = "GET " + target + " HTTP/1.0\r\n" + headers + "\r\n";
        if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
            char buffer[4096];
            ssize_t n;
            while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                reply.append(buffer, n);
        }
    }
    ::close(fd);
    return reply;
}

TLoopbackReply Composed(const QByteArray &body)
{
    TLoopbackReply reply;
    reply.Status = 200;
    reply.Bytes = body;
    return reply;
}

} // namespace

TEST(LoopbackServer, RangesAreHonouredOnlyWhenAsked)
{
    TLoopbackServer server;
    TLoopbackReply ranged = Composed("0123456789");
    ranged.Ranges = true;
    server.Route("/r", ranged);
    server.Route("/plain", Composed("0123456789"));

    EXPECT_EQ(Fetch(server, "/r", "Range: bytes=3-\r\n"),
              "HTTP/1.0 206 Partial Content\r\nContent-Length: 7\r\nContent-Range: bytes 3-9/10\r\n\r\n3456789");
    EXPECT_EQ(Fetch(server, "/r", "Range: bytes=2-4\r\n"),
              "HTTP/1.0 206 Partial Content\r\nContent-Length: 3\r\nContent-Range: bytes 2-4/10\r\n\r\n234");
    EXPECT_EQ(Fetch(server, "/r", "Range: bytes=8-99\r\n"),
              "HTTP/1.0 206 Partial Content\r\nContent-Length: 2\r\nContent-Range: bytes 8-9/10\r\n\r\n89");
    EXPECT_EQ(Fetch(server, "/r", "Range: bytes=10-\r\n"),
              "HTTP/1.0 416 Range Not Satisfiable\r\nContent-Length: 0\r\nContent-Range: bytes */10\r\n\r\n");
    // A range the server cannot read, or a server that ignores ranges: all of it.
    EXPECT_EQ(Fetch(server, "/r", "Range: bytes=-3\r\n"), "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
    EXPECT_EQ(Fetch(server, "/plain", "Range: bytes=3-\r\n"), "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
    EXPECT_EQ(Fetch(server, "/elsewhere"),
              "HTTP/1.0 404 Not Found\r\nContent-Length: 35\r\n\r\n<html><body>Not found</body></html>");
}

TEST(LoopbackServer, IcyBlocksInterleaveAnEndlessBodyUntilTheDrop)
{
    TLoopbackServer server;
    TLoopbackReply radio = Composed("abc");
    radio.Endless = true;
    radio.IcyInterval = 4;
    radio.IcyMeta = {"StreamTitle='A';", ""};
    radio.DropAfter = 10;
    radio.Headers = {"icy-name: R"};
    server.Route("/radio", radio);
    const QByteArray first = '\x01' + QByteArray("StreamTitle='A';");
    EXPECT_EQ(Fetch(server, "/radio"), "HTTP/1.0 200 OK\r\nicy-metaint: 4\r\nicy-name: R\r\n\r\n"
                                       "abca" + first + "bcab" + QByteArray(1, '\0') + "ca");
}

TEST(LoopbackServer, RoutesDropOnlyTheirFirstRequestsAndStallsArePaused)
{
    TLoopbackServer server;
    TLoopbackReply once = Composed("abcdef");
    once.DropAfter = 2;
    once.DropTimes = 1;
    once.StallAfter = 1;
    once.StallMs = 30;
    server.Route("/once", once);
    const QByteArray head = "HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\n";
    EXPECT_EQ(Fetch(server, "/once"), head + "ab");
    EXPECT_EQ(Fetch(server, "/once"), head + "abcdef");
    EXPECT_EQ(server.PausesServed(), 2);
    EXPECT_EQ(server.RequestCount(), 2);
    EXPECT_EQ(server.Requests()[1].Target(), "/once");

    // Raw replies go out as given, cut where asked.
    server.QueueReply({"HTTP/1.0 200 OK\r\n\r\nxyz", 0, 1, 1});
    EXPECT_EQ(Fetch(server, "/any"), "HTTP/1.0 200 OK\r\n\r\nxyz");
    server.QueueReply({"HTTP/1.0 200 OK\r\n\r\nxyz", 0, 0, 0, 8});
    EXPECT_EQ(Fetch(server, "/any"), "HTTP/1.0");
    EXPECT_TRUE(server.WaitForConnectionsClosed(5000));
}

TEST(LoopbackServer, FileBodiesComeWholeOrInRanges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("body.bin")));
    QByteArray content;
    for (int i = 0; i < 300000; ++i)
        content += char('a' + i % 26);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content), content.size());
    file.close();

    TLoopbackServer server;
    TLoopbackReply reply;
    reply.Status = 200;
    reply.File = file.fileName();
    reply.Ranges = true;
    server.SetReply(reply);
    EXPECT_EQ(Fetch(server, "/f"), "HTTP/1.0 200 OK\r\nContent-Length: 300000\r\n\r\n" + content);
    EXPECT_EQ(Fetch(server, "/f", "Range: bytes=299990-\r\n"),
              "HTTP/1.0 206 Partial Content\r\nContent-Length: 10\r\nContent-Range: bytes 299990-299999/300000\r\n\r\n"
                  + content.right(10));
}

TEST(LoopbackServer, OneAtATimeServesOnTheAcceptingThread)
{
    TLoopbackServer server;
    server.ServeOneAtATime(true);
    server.SetReply({TLoopbackServer::Response("ok")});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Fetch(server, "/q"), "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(server.ConnectionCount(), 3);
    EXPECT_TRUE(server.WaitForConnectionsClosed(5000));
}
