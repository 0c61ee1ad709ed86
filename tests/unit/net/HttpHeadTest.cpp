#include "HttpHead.h"

#include <gtest/gtest.h>

namespace {

HttpHead::TState read(std::initializer_list<QByteArray> lines)
{
    HttpHead::TState state;
    for (const QByteArray &line : lines)
        HttpHead::TakeLine(state, line);
    return state;
}

} // namespace

TEST(HttpHead, InterimHeadIsNotTheEndAndTheFinalHeadStartsAfresh)
{
    const auto interim = read({"HTTP/1.1 100 Continue\r\n", "Content-Length: 9\r\n", "\r\n"});
    EXPECT_FALSE(interim.Done);
    const auto final = read({"HTTP/1.1 100 Continue\r\n", "Content-Length: 9\r\n", "\r\n",
                             "HTTP/1.1 200 OK\r\n", "content-LENGTH :  42 \r\n", "\r\n"});
    EXPECT_TRUE(final.Done);
    EXPECT_TRUE(final.HasContentLength);
    EXPECT_FALSE(final.BadContentLength);
    EXPECT_EQ(final.ContentLength, 42);
    // A second response head (after a redirect) forgets the first one's length.
    const auto second = read({"HTTP/1.0 302 Found\r\n", "Content-Length: 5\r\n", "\r\n", "HTTP/1.0 200 OK\r\n", "\r\n"});
    EXPECT_TRUE(second.Done);
    EXPECT_FALSE(second.HasContentLength);
    EXPECT_EQ(second.ContentLength, 0);
}

TEST(HttpHead, LengthThatIsNoDecimalWithin32BitsIsBadAndCountsAsZero)
{
    for (const QByteArray value : {"12a", "-1", "+5", "", "2147483648", "99999999999", "0x10", "1 2"}) {
        const auto state = read({"HTTP/1.0 200 OK\r\n", "Content-Length: " + value + "\r\n", "\r\n"});
        EXPECT_TRUE(state.HasContentLength) << value.constData();
        EXPECT_TRUE(state.BadContentLength) << value.constData();
        EXPECT_EQ(state.ContentLength, 0) << value.constData();
    }
    int value = -1;
    EXPECT_TRUE(HttpHead::ParseContentLength("2147483647", value));
    EXPECT_EQ(value, 2147483647);
    EXPECT_TRUE(HttpHead::ParseContentLength(" 0000000007\t", value));
    EXPECT_EQ(value, 7);
    // A later valid line replaces an unreadable one, as the last line wins.
    const auto fixed = read({"HTTP/1.0 200 OK\r\n", "Content-Length: x\r\n", "Content-Length: 3\r\n"});
    EXPECT_FALSE(fixed.BadContentLength);
    EXPECT_EQ(fixed.ContentLength, 3);
}

TEST(HttpHead, FinalHeadKeepsStatusAndTheResumeHeaders)
{
    HttpHead::TState state;
    for (const QByteArray line : {"HTTP/1.1 100 Continue\r\n", "ETag: \"old\"\r\n", "\r\n", "HTTP/1.1 206 Partial Content\r\n",
                                  "ETag:  \"abc\" \r\n", "Last-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\n",
                                  "Content-Type: Audio/MPEG\r\n", "content-range: bytes 100-199/200\r\n",
                                  "Content-Length: 100\r\n", "\r\n"})
        HttpHead::TakeLine(state, line);
    EXPECT_TRUE(state.Done);
    EXPECT_EQ(state.Status, 206);
    EXPECT_EQ(state.ETag, "\"abc\"");
    EXPECT_EQ(state.LastModified, "Tue, 08 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(state.ContentType, "audio/mpeg");
    EXPECT_EQ(state.ContentRange, "bytes 100-199/200");
    EXPECT_EQ(state.ContentLength, 100);
    // A new head forgets the old one's headers.
    HttpHead::TakeLine(state, "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(state.Status, 200);
    EXPECT_TRUE(state.ETag.isEmpty());
    EXPECT_FALSE(state.HasContentLength);
}
