#include "ConnectionGate.h"

#include <gtest/gtest.h>

namespace {

ConnectionGate::Limits limits()
{
    ConnectionGate::Limits l;
    l.headMax = 1024;
    l.bodyMax = 100;
    return l;
}

bool whole(const std::string &data)
{
    return ConnectionGate::wholeRequest(data, limits());
}

} // namespace

TEST(ConnectionGate, AHeadIsWholeOnlyWithItsEmptyLine)
{
    EXPECT_FALSE(whole(""));
    EXPECT_FALSE(whole("GET /engine/finder.php?find=a HTTP/1.1\r\nHost: x\r\n"));
    EXPECT_FALSE(whole("GET / HTTP/1.1\r\nHost: x\r\n\r"));
    EXPECT_TRUE(whole("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_TRUE(whole("GET / HTTP/1.0\r\n\r\n"));
    // Longer than a head may be: the worker answers, waiting cannot help.
    EXPECT_TRUE(whole("GET /" + std::string(2000, 'a')));
    EXPECT_TRUE(whole("GET / HTTP/1.1\r\nX: " + std::string(2000, 'a') + "\r\n\r\n"));
}

TEST(ConnectionGate, BodiesAreAwaitedUpToTheCap)
{
    const std::string post = "POST /engine/finder.php?find=a HTTP/1.0\r\nContent-Length: 5\r\n\r\n";
    EXPECT_FALSE(whole(post));
    EXPECT_FALSE(whole(post + "KID="));
    EXPECT_TRUE(whole(post + "KID=1"));
    EXPECT_TRUE(whole("POST / HTTP/1.1\r\ncontent-length:   5  \r\n\r\nKID=1"));
    // Over the cap or unreadable: refused at once, not waited for.
    EXPECT_TRUE(whole("POST / HTTP/1.1\r\nContent-Length: 101\r\n\r\n"));
    EXPECT_TRUE(whole("POST / HTTP/1.1\r\nContent-Length: 5x\r\n\r\n"));
    // A client waiting for "100 Continue" would otherwise wait for nothing.
    EXPECT_TRUE(whole("POST / HTTP/1.1\r\nContent-Length: 50\r\nExpect: 100-continue\r\n\r\n"));

    const std::string chunked = "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    EXPECT_FALSE(whole(chunked));
    EXPECT_FALSE(whole(chunked + "5\r\nKID=1\r\n"));
    EXPECT_TRUE(whole(chunked + "5\r\nKID=1\r\n0\r\n\r\n"));
    // Past twice the cap the worker reads on and refuses it.
    EXPECT_TRUE(whole(chunked + std::string(201, 'a')));
}
