#include "ServiceConstants.h"
#include "ServiceRequests.h"

#include <gtest/gtest.h>

#include <string>

namespace {

QByteArray url(std::string_view endpoint, const char *query)
{
    return QByteArray(endpoint.data(), qsizetype(endpoint.size())) + query;
}

} // namespace

TEST(ServiceConstants, EndpointsHangOffTheBaseAddress)
{
    const std::string base(ServiceBaseUrl);
    EXPECT_TRUE(base.starts_with("http://") && base.ends_with("/"));
    EXPECT_EQ(FinderUrl, base + "engine/finder.php");
    EXPECT_EQ(GetMp3Url, base + "engine/getmp3.php");
    EXPECT_EQ(RateUrl, base + "engine/hodnot.php");
    EXPECT_EQ(UpdateUrl, base + "engine/update.php");
    EXPECT_EQ(UpDataUrl, base + "engine/up_data.php");
    EXPECT_EQ(ClientVersion, "0.3");
}

TEST(ServiceRequests, SearchTextTravelsAsOneValue)
{
    // An ampersand or space must not end the query item.
    EXPECT_EQ(ServiceRequests::Search("Simon & Garfunkel"), url(FinderUrl, "?find=Simon%20%26%20Garfunkel"));
    // Windows-1250 bytes are encoded as they are: "Dvořák".
    EXPECT_EQ(ServiceRequests::Search("Dvo\xF8\xE1k"), url(FinderUrl, "?find=Dvo%F8%E1k"));
    EXPECT_EQ(ServiceRequests::Search("kbs>192 a+b=c?#/%"),
              url(FinderUrl, "?find=kbs%3E192%20a%2Bb%3Dc%3F%23%2F%25"));
    EXPECT_EQ(ServiceRequests::Search("AZaz09-._~"), url(FinderUrl, "?find=AZaz09-._~"));
}

TEST(ServiceRequests, TrackRequests)
{
    EXPECT_EQ(ServiceRequests::Play("77"), url(GetMp3Url, "?act=play&id=77"));
    EXPECT_EQ(ServiceRequests::Download("77"), url(GetMp3Url, "?act=down&id=77"));
    EXPECT_EQ(ServiceRequests::Add("77"), url(GetMp3Url, "?act=add&id=77"));
    EXPECT_EQ(ServiceRequests::Add("77", 0), url(GetMp3Url, "?act=add&id=77&kam=0"));
    EXPECT_EQ(ServiceRequests::Add("77", 12), url(GetMp3Url, "?act=add&id=77&kam=12"));
    // Track IDs are opaque: whatever they hold stays inside the id value.
    EXPECT_EQ(ServiceRequests::Play("a b&act=down"), url(GetMp3Url, "?act=play&id=a%20b%26act%3Ddown"));
}

TEST(ServiceRequests, Rating)
{
    EXPECT_EQ(ServiceRequests::Rate(3, "77"), url(RateUrl, "?body=3&id=77"));
    EXPECT_EQ(ServiceRequests::Rate(1, "x"), url(RateUrl, "?body=1&id=x"));
    EXPECT_EQ(ServiceRequests::Rate(5, "x"), url(RateUrl, "?body=5&id=x"));
    EXPECT_THROW(ServiceRequests::Rate(0, "77"), std::out_of_range);
    EXPECT_THROW(ServiceRequests::Rate(6, "77"), std::out_of_range);
}

TEST(ServiceRequests, UpdateCheckAndClientIdBody)
{
    EXPECT_EQ(ServiceRequests::Update(-1), url(UpdateUrl, "?verze=0.3&kid=-1"));
    EXPECT_EQ(ServiceRequests::Update(12345), url(UpdateUrl, "?verze=0.3&kid=12345"));
    EXPECT_EQ(ServiceRequests::ClientIdBody(12345), "KID=12345");
    EXPECT_EQ(ServiceRequests::ClientIdBody(-1), "KID=-1");
    EXPECT_EQ(ServiceRequests::ClientIdBody(-2147483647 - 1), "KID=-2147483648");
}
