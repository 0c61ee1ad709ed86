#include "LedMarquee.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Runs `steps` marquee steps from a freshly started title.
QStringList run(QString title, int steps, int *finalPos = nullptr)
{
    int pos = 0;
    QStringList shown;
    for (int i = 0; i < steps; ++i)
        shown << LedMarquee::step(title, pos);
    if (finalPos)
        *finalPos = pos;
    return shown;
}

} // namespace

TEST(LedMarquee, EmptyTitleShowsKlientCentred)
{
    QString text;
    int pos = 0;
    EXPECT_EQ(LedMarquee::step(text, pos), "      Klient      ");
    EXPECT_EQ(text, "Klient");
    EXPECT_EQ(pos, 0);
}

TEST(LedMarquee, ShortTitlesGetMarginsHalvesToEven)
{
    const int expected[17] = {0, 8, 8, 7, 6, 6, 6, 5, 4, 4, 4, 3, 2, 2, 2, 1, 0};
    for (int n = 1; n <= 16; ++n) {
        QString title(n, u'x');
        int pos = 0;
        const QString shown = LedMarquee::step(title, pos);
        const QString margin(expected[n], u' ');
        EXPECT_EQ(shown, margin + title + margin) << n;
        EXPECT_EQ(pos, 0) << n;
    }
    // 14 characters: 2 spaces each side, 18 in all.
    EXPECT_EQ(run("Hudba a ticho 1", 1).at(0).size(), 17);
    EXPECT_EQ(run("Hudba a ticho.", 1).at(0), "  Hudba a ticho.  ");
    // 16 characters: no margins.
    EXPECT_EQ(run("Sixteen chars!!!", 1).at(0), "Sixteen chars!!!");
}

TEST(LedMarquee, SeventeenCharactersStandStill)
{
    int pos = 0;
    const QStringList shown = run("Exactly 17 chars.", 5, &pos);
    for (const QString &s : shown)
        EXPECT_EQ(s, "Exactly 17 chars.");
    EXPECT_EQ(pos, 0);
}

TEST(LedMarquee, EighteenCharactersLoopWithAFiveSpaceGap)
{
    const QString title = "ABCDEFGHIJKLMNOPQR";
    const QStringList shown = run(title, 24 + 23 * 2);
    // Offsets 0 .. 23 on the first pass.
    EXPECT_EQ(shown[0], "ABCDEFGHIJKLMNOPQ");
    EXPECT_EQ(shown[1], "BCDEFGHIJKLMNOPQR");
    EXPECT_EQ(shown[2], "CDEFGHIJKLMNOPQR ");  // ends with the first gap space
    EXPECT_EQ(shown[17], "R     ABCDEFGHIJK");
    EXPECT_EQ(shown[18], "     ABCDEFGHIJKL"); // 18 .. 22 begin in the gap
    EXPECT_EQ(shown[20], "   ABCDEFGHIJKLMN");
    EXPECT_EQ(shown[22], " ABCDEFGHIJKLMNOP");
    EXPECT_EQ(shown[23], shown[0]);            // second copy: same as offset 0
    // Then back to offset 1, never 0 again: period n + 5 = 23.
    EXPECT_EQ(shown[24], shown[1]);
    for (int i = 24; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i], shown[i - 23]) << i;
        EXPECT_EQ(shown[i].size(), 17) << i;
    }
    int pos = 0;
    run(title, 24, &pos);
    EXPECT_EQ(pos, 24);
    run(title, 25, &pos);
    EXPECT_EQ(pos, 2); // reset to 1, shown, advanced
}

TEST(LedMarquee, LongTitleWindowsStayWholeAndRotate)
{
    const QString title = QStringLiteral("Kabát - Pohoda Banditi"); // 22 characters
    const QStringList shown = run(title, 28 + 27);
    const QString folded = LedMarquee::fold(title);
    EXPECT_EQ(shown[0], folded.left(17));
    EXPECT_EQ(shown[27], shown[0]);
    EXPECT_EQ(shown[28], shown[1]);
    for (const QString &s : shown)
        EXPECT_EQ(s.size(), 17);
}

TEST(LedMarquee, OffsetOutsideTheLoopRestarts)
{
    // A title swapped for a shorter one without a reset of the offset
    // would otherwise show an empty window for ever.
    QString text = "ABCDEFGHIJKLMNOPQR";
    int pos = 400;
    EXPECT_EQ(LedMarquee::step(text, pos), "BCDEFGHIJKLMNOPQR");
    EXPECT_EQ(pos, 2);
    pos = -3;
    EXPECT_EQ(LedMarquee::step(text, pos), "BCDEFGHIJKLMNOPQR");
}

TEST(LedMarquee, FoldsCzechLettersAndKeepsOthers)
{
    QString text = QStringLiteral("Řeka šumí");
    int pos = 0;
    const QString shown = LedMarquee::step(text, pos);
    EXPECT_EQ(text, "reka sumi");
    EXPECT_EQ(shown, "    reka sumi    ");
    EXPECT_EQ(LedMarquee::fold(QStringLiteral("ěščřžýáíéňďťůúó")), "escrzyaiendtuuo");
    EXPECT_EQ(LedMarquee::fold(QStringLiteral("ĚŠČŘŽÝÁÍÉŇĎŤŮÚÓ")), "escrzyaiendtuuo");
    EXPECT_EQ(LedMarquee::fold(QStringLiteral("öÖüßłĽ")), QStringLiteral("öÖüßłĽ"));
}
