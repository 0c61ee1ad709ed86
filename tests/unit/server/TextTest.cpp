#include "DisplayText.h"
#include "QueryString.h"

#include <gtest/gtest.h>

TEST(DisplayText, LengthSizeRatingAndNumber)
{
    EXPECT_EQ(DisplayText::length(0), "0:00");
    EXPECT_EQ(DisplayText::length(65999), "1:05");
    EXPECT_EQ(DisplayText::length(3665000), "61:05");
    EXPECT_EQ(DisplayText::length(-5), "0:00");

    EXPECT_EQ(DisplayText::size(812), "812 B");
    EXPECT_EQ(DisplayText::size(1024), "1 kB");
    EXPECT_EQ(DisplayText::size(1536), "1,5 kB");
    EXPECT_EQ(DisplayText::size(1048575), "1 MB");  // would be "1024 kB" when rounded in kB
    EXPECT_EQ(DisplayText::size(3670016), "3,5 MB");
    EXPECT_EQ(DisplayText::size(5LL * 1024 * 1024 * 1024), "5 GB");

    EXPECT_EQ(DisplayText::rating(0, 0), "");
    EXPECT_EQ(DisplayText::rating(21, 5), "4,2");
    EXPECT_EQ(DisplayText::rating(8, 2), "4");
    EXPECT_EQ(DisplayText::rating(14, 3), "4,7");  // 4.666 rounds up

    EXPECT_EQ(DisplayText::trackNumber(0), "");
    EXPECT_EQ(DisplayText::trackNumber(7), "7");
}

TEST(QueryString, DecodesEscapesToRawBytes)
{
    const QueryString q("act=add&id=12&&kam=&x");
    EXPECT_EQ(q.value("act"), "add");
    EXPECT_EQ(q.value("id"), "12");
    EXPECT_EQ(q.value("kam"), "");
    EXPECT_EQ(q.value("x"), "");
    EXPECT_FALSE(q.value("y").has_value());
}

TEST(QueryString, SearchTextKeepsUnescapedAmpersands)
{
    EXPECT_EQ(QueryString::searchText("find=rock & roll"), "rock & roll");
    EXPECT_EQ(QueryString::searchText("find=a%26b&c"), "a&b&c");
    EXPECT_EQ(QueryString::searchText("x=1&find=jaro"), "jaro");
    EXPECT_EQ(QueryString::searchText("find="), "");
    EXPECT_FALSE(QueryString::searchText("finder=x").has_value());
    EXPECT_FALSE(QueryString::searchText("").has_value());
}
