#include "AboutKeySequence.h"

#include <Qt>

#include <gtest/gtest.h>

namespace {

// Feeds each character as its key code; returns how many times the word completed.
int type(AboutKeySequence &sequence, const char *keys)
{
    int completed = 0;
    for (const char *k = keys; *k; ++k)
        completed += sequence.feed(static_cast<unsigned char>(*k));
    return completed;
}

} // namespace

TEST(AboutKeySequenceTest, WordCompletesOnItsLastLetterAndThenStartsOver)
{
    AboutKeySequence kid("GETKID");
    EXPECT_EQ(type(kid, "GETKI"), 0);
    EXPECT_TRUE(kid.feed('D'));
    EXPECT_EQ(type(kid, "GETKID"), 1);
    EXPECT_EQ(type(kid, "GETKIDGETKID"), 2);
}

TEST(AboutKeySequenceTest, AWrongKeyResetsWithoutCountingAsANewStart)
{
    AboutKeySequence kid("GETKID");
    EXPECT_EQ(type(kid, "GETXGETKID"), 1); // X resets, G starts again
    AboutKeySequence again("GETKID");
    EXPECT_EQ(type(again, "GGETKID"), 0);  // the second G only resets
    EXPECT_EQ(type(again, "GETKID"), 1);   // and the next try works
    AboutKeySequence late("GETKID");
    EXPECT_EQ(type(late, "GETKIGETKID"), 0); // G in place of D resets, E then does not match
}

TEST(AboutKeySequenceTest, ModifierKeysAndSpacesCount)
{
    AboutKeySequence kid("GETKID");
    EXPECT_EQ(type(kid, "GET"), 0);
    EXPECT_FALSE(kid.feed(Qt::Key_Shift));
    EXPECT_EQ(type(kid, "KID"), 0);
    EXPECT_EQ(type(kid, "GETKID"), 1);

    AboutKeySequence phrase("AB CD");
    EXPECT_EQ(type(phrase, "ABCD"), 0);
    EXPECT_EQ(type(phrase, "AB CD"), 1);
    // Qt's key codes of letters and the space are the characters' codes.
    EXPECT_TRUE(phrase.feed(Qt::Key_A) == false && phrase.feed(Qt::Key_B) == false
                && phrase.feed(Qt::Key_Space) == false && phrase.feed(Qt::Key_C) == false
                && phrase.feed(Qt::Key_D) == true);
}

TEST(AboutKeySequenceTest, EmptyWordNeverCompletes)
{
    AboutKeySequence empty{QByteArray()};
    EXPECT_FALSE(empty.feed('A'));
    EXPECT_FALSE(empty.feed(0));
}
