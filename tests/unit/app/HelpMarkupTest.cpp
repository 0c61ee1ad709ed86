#include "ConversionError.h"
#include "EXmlError.h"
#include "HelpMarkup.h"
#include "HelpTopics.h"
#include "Windows1250.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <gtest/gtest.h>

namespace {

// One run with every attribute given; the text is UTF-8 here and becomes
// Windows-1250 like the supplied topics.
QByteArray run(const char *text, const char *pos = "l", const char *col = "000000", const char *vel = "10",
               const char *b = "ne", const char *i = "ne", const char *u = "ne")
{
    return Windows1250::encode(QString::fromUtf8(
        QByteArray("<text font=\"Trebuchet MS\" col=\"") + col + "\" vel=\"" + vel + "\" b=\"" + b + "\" i=\"" + i
        + "\" u=\"" + u + "\" pos=\"" + pos + "\">" + text + "</text>"));
}

QByteArray help(const QByteArray &runs)
{
    return "<help>" + runs + "</help>";
}

QStringList blocks(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

// The character format at the first occurrence of text.
QTextCharFormat formatOf(QTextDocument &document, const QString &text)
{
    QTextCursor found = document.find(text);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor at(&document);
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

} // namespace

TEST(HelpMarkupTest, EscapesBecomeLineBreaksAndLessThanSigns)
{
    QTextDocument document;
    HelpMarkup::render(document, help(run("A/n/nB")));
    EXPECT_EQ(blocks(document), (QStringList{"A", "", "B"}));

    HelpMarkup::render(document, help(run("kbs/p128 a /pp")));
    EXPECT_EQ(document.toPlainText(), "kbs<128 a <p");

    // "/n" goes first: the "/" of "/p" that follows an "n" is not eaten.
    EXPECT_EQ(HelpMarkup::unescape("x//nn/pn"), QString("x/") + QChar::ParagraphSeparator + "n<n");
}

TEST(HelpMarkupTest, RunsFollowOneAnotherAndReplaceThePreviousContent)
{
    QTextDocument document;
    document.setPlainText("old");
    HelpMarkup::render(document, help(run("Nadpis/n") + run("/nPrvní, ") + run("druhá.")));
    EXPECT_EQ(blocks(document), (QStringList{"Nadpis", "", "První, druhá."}));
}

TEST(HelpMarkupTest, AlignmentBelongsToTheParagraphTheRunStartsIn)
{
    QTextDocument document;
    // A centred run, then a left run in the same paragraph: the whole paragraph goes left.
    HelpMarkup::render(document, help(run("Střed", "c") + run(" vlevo", "l")));
    ASSERT_EQ(document.blockCount(), 1);
    EXPECT_EQ(document.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);

    // A centred heading that ends in "/n": the following run's "l" moves the new paragraph only.
    HelpMarkup::render(document, help(run("Titul/n", "c") + run("/ntext", "l") + run(" konec", "r")));
    const QStringList lines = blocks(document);
    ASSERT_EQ(lines, (QStringList{"Titul", "", "text konec"}));
    EXPECT_EQ(document.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(document.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(document.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    // Any other value leaves the paragraph as it was.
    HelpMarkup::render(document, help(run("a", "r") + run("b", "x") + run("c", "")));
    EXPECT_EQ(document.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST(HelpMarkupTest, ColourIsBlueGreenRedAndSizeAndStylesApplyPerRun)
{
    QTextDocument document;
    HelpMarkup::render(document, help(run("cervena ", "l", "0000FF", "22", "ano") + run("modra ", "l", "FF0000", "15")
                                      + run("seda ", "l", "808080", "10", "ne", "ano", "ano")
                                      + run("tucna ", "l", "00FF00", "10", "ANO", "yes", "1")));
    const QTextCharFormat red = formatOf(document, "cervena");
    EXPECT_EQ(red.foreground().color(), QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(red.fontPointSize(), 22);
    EXPECT_EQ(red.fontWeight(), QFont::Bold);
    EXPECT_FALSE(red.fontItalic());
    EXPECT_EQ(red.fontFamilies().toStringList(), QStringList{"Trebuchet MS"});

    const QTextCharFormat blue = formatOf(document, "modra");
    EXPECT_EQ(blue.foreground().color(), QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(blue.fontPointSize(), 15);
    EXPECT_NE(blue.fontWeight(), QFont::Bold); // bold is per run, not sticky

    const QTextCharFormat grey = formatOf(document, "seda");
    EXPECT_EQ(grey.foreground().color(), QColor(0x80, 0x80, 0x80));
    EXPECT_TRUE(grey.fontItalic());
    EXPECT_TRUE(grey.fontUnderline());

    // A size the toolkit cannot show keeps the size before; a missing
    // attribute keeps what the run before had.
    HelpMarkup::render(document, help(run("velky ", "l", "0000FF", "15") + run("nula ", "l", "000000", "0")
                                      + "<text>holy</text>"));
    EXPECT_DOUBLE_EQ(formatOf(document, "nula").fontPointSize(), 15);
    EXPECT_DOUBLE_EQ(formatOf(document, "holy").fontPointSize(), 15);
    EXPECT_EQ(formatOf(document, "holy").foreground().color(), QColor(0, 0, 0));
    HelpMarkup::render(document, help(run("tucna ", "l", "00FF00", "10", "ANO", "yes", "1")));

    // Only the exact "ano" switches a style on.
    const QTextCharFormat other = formatOf(document, "tucna");
    EXPECT_EQ(other.foreground().color(), QColor(0, 255, 0));
    EXPECT_NE(other.fontWeight(), QFont::Bold);
    EXPECT_FALSE(other.fontItalic());
    EXPECT_FALSE(other.fontUnderline());
}

TEST(HelpMarkupTest, FaultyRunRaisesAndKeepsTheRunsBeforeIt)
{
    QTextDocument document;
    EXPECT_THROW(HelpMarkup::render(document, help(run("jedna ") + run("dva", "l", "000000", "velka") + run("tri"))),
                 ConversionError);
    EXPECT_EQ(document.toPlainText(), "jedna ");

    EXPECT_THROW(HelpMarkup::render(document, help(run("a ") + run("b", "l", "12345G"))), ConversionError);
    EXPECT_EQ(document.toPlainText(), "a ");
    EXPECT_THROW(HelpMarkup::colour("1234567"), ConversionError);

    // Text that does not parse leaves the document as it was.
    EXPECT_THROW(HelpMarkup::render(document, "<help><text>neukončeno</help>"), EXmlError);
    EXPECT_EQ(document.toPlainText(), "a ");
}

TEST(HelpMarkupTest, EverySuppliedTopicRendersWithoutLeftoverEscapes)
{
    const QStringList names = HelpTopics::names();
    ASSERT_EQ(names.size(), 10);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray markup = HelpTopics::text(name);
        ASSERT_FALSE(markup.isEmpty());
        // Stored in Windows-1250: no UTF-8 sequences for the accented letters.
        EXPECT_EQ(Windows1250::encode(Windows1250::decode(markup)), markup);
        EXPECT_FALSE(markup.contains("\xC3")) << "looks like UTF-8";
        QTextDocument document;
        ASSERT_NO_THROW(HelpMarkup::render(document, markup));
        const QString text = document.toPlainText();
        EXPECT_GT(text.size(), 200);
        EXPECT_FALSE(text.contains("/n"));
        EXPECT_FALSE(text.contains("/p"));
    }
    EXPECT_TRUE(HelpTopics::text("Ovládání programu").isEmpty()); // a folder, no topic
    EXPECT_TRUE(HelpTopics::text("stahování").isEmpty());         // keys match exactly

    QTextDocument search;
    HelpMarkup::render(search, HelpTopics::text("Vyhledávání MP3"));
    for (const char *filter : {"kbs:128", "kbs>192", "kbs<128"})
        EXPECT_TRUE(search.toPlainText().contains(filter)) << filter;
}
