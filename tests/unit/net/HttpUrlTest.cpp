#include "HttpUrl.h"

#include <gtest/gtest.h>

TEST(HttpUrl, SplitsHostAndPathAfterAnyCaseOfThePrefix)
{
    for (const QByteArray url : {"http://example.org/a/b?x=1", "HTTP://example.org/a/b?x=1",
                                 "hTtP://example.org/a/b?x=1", "example.org/a/b?x=1"}) {
        const auto target = HttpUrl::Split(url);
        ASSERT_TRUE(target) << url.constData();
        EXPECT_EQ(target->Host, "example.org");
        EXPECT_EQ(target->Path, "/a/b?x=1");
    }
    // Only the first "/" ends the host; later ones and "://" inside the query stay in the path.
    const auto nested = HttpUrl::Split("http://h/p?u=http://x/y");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->Path, "/p?u=http://x/y");
}

TEST(HttpUrl, APortAfterTheHostIsTakenOnlyWhenItIsOne)
{
    const auto plain = HttpUrl::Split("http://example.org/x");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Port, 80);
    const auto withPort = HttpUrl::Split("http://127.0.0.2:8080/engine/finder.php?find=a:b");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->Host, "127.0.0.2");
    EXPECT_EQ(withPort->Port, 8080);
    EXPECT_EQ(withPort->Path, "/engine/finder.php?find=a:b");
    EXPECT_EQ(HttpUrl::Split("h:65535/")->Port, 65535);
    // Not a port: the colon stays in the host, which is then refused.
    for (const QByteArray url : {"http://h:0/", "http://h:65536/", "http://h:/", "http://h:8o/", "http://h:+80/",
                                 "http://h:123456/", "http://u@h:80x/"}) {
        const auto t = HttpUrl::Split(url);
        ASSERT_TRUE(t) << url.constData();
        EXPECT_EQ(t->Port, 80) << url.constData();
        EXPECT_FALSE(HttpUrl::IsPlainHost(t->Host)) << url.constData();
    }
}

TEST(HttpUrl, UrlWithoutPathOrHostHasNoTarget)
{
    EXPECT_FALSE(HttpUrl::Split("http://example.org"));
    EXPECT_FALSE(HttpUrl::Split("http:///path"));
    EXPECT_FALSE(HttpUrl::Split(""));
    // Another scheme is not stripped, so its "host" is "https:" and is refused later.
    const auto https = HttpUrl::Split("https://example.org/");
    ASSERT_TRUE(https);
    EXPECT_FALSE(HttpUrl::IsPlainHost(https->Host));
}

TEST(HttpUrl, OnlyPlainHostNamesAreAccepted)
{
    EXPECT_TRUE(HttpUrl::IsPlainHost("127.0.0.1"));
    EXPECT_TRUE(HttpUrl::IsPlainHost("my-host_1.Example.ORG"));
    for (const QByteArray host : {"", "host:8080", "user@host", "a b", "[::1]", "h%41"})
        EXPECT_FALSE(HttpUrl::IsPlainHost(host)) << host.constData();
}

TEST(HttpUrl, HeaderValueCannotEndItsLine)
{
    EXPECT_EQ(HttpUrl::HeaderValue(QByteArray("Agent\r\nX-Injected: 1\0z", 23)), "AgentX-Injected: 1z");
    EXPECT_EQ(HttpUrl::HeaderValue("text/html, */*"), "text/html, */*");
}
