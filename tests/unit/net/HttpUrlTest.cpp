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

TEST(HttpUrl, RequestTargetEncodesOnlyWhatCannotStandOnARequestLine)
{
    EXPECT_EQ(HttpUrl::EncodeRequestTarget("/a b\tc"), "/a%20b%09c");
    EXPECT_EQ(HttpUrl::EncodeRequestTarget(QByteArray("/\x00\x7F\x80\xFF", 5)), "/%00%7F%80%FF");
    // Reserved and already-encoded bytes, dot segments and "#" go as given.
    const QByteArray asIs = "/../x/./y?find=a+b&c=%41#frag~!$'()*,;=:@";
    EXPECT_EQ(HttpUrl::EncodeRequestTarget(asIs), asIs);
}

TEST(HttpUrl, HeaderValueCannotEndItsLine)
{
    EXPECT_EQ(HttpUrl::HeaderValue(QByteArray("Agent\r\nX-Injected: 1\0z", 23)), "AgentX-Injected: 1z");
    EXPECT_EQ(HttpUrl::HeaderValue("text/html, */*"), "text/html, */*");
}
