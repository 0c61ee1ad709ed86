#include "PlaylistFormat.h"
#include "ShiftHex.h"

#include <gtest/gtest.h>

using namespace PlaylistFormat;

namespace {

const QByteArray EmptyFile = "87BBB7ACC4B7B4BEBF89877ABBB7ACC4B7B4BEBF89\r\n";
// <playlist><item cas="3:25" url="U" id="42">T</item></playlist>
const QByteArray OneRowLine = "87BBB7ACC4B7B4BEBF8987B4BFB0B86BAEACBE886D7E857D806D6BC0BDB7886DA06D6BB4AF886D7F7D6D899F"
                              "877AB4BFB0B889877ABBB7ACC4B7B4BEBF89";

PlaylistEntry row(QByteArray title, QByteArray length, QByteArray url, QByteArray id, bool mark = false)
{
    return {std::move(title), std::move(length), std::move(url), std::move(id), mark};
}

QByteArray scrambled(const QByteArray &plain)
{
    return EncodeShiftHex(plain, PlaylistKey);
}

} // namespace

TEST(PlaylistFormat, EmptyPlaylistIsTheFortyFourByteFile)
{
    EXPECT_EQ(plainText({}), "<playlist></playlist>");
    const QByteArray file = fileContent({});
    EXPECT_EQ(file.size(), 44);
    EXPECT_EQ(file, EmptyFile);

    const Parsed parsed = parse(firstLine(file));
    EXPECT_EQ(parsed.outcome, Outcome::Loaded);
    EXPECT_TRUE(parsed.entries.isEmpty());
}

TEST(PlaylistFormat, OneRowKeepsAttributeOrderAndLoadsBackUnmarked)
{
    const QList<PlaylistEntry> rows{row("T", "3:25", "U", "42", true)};
    const QByteArray plain = plainText(rows);
    EXPECT_EQ(plain, "<playlist><item cas=\"3:25\" url=\"U\" id=\"42\">T</item></playlist>");

    const QByteArray file = fileContent(rows);
    EXPECT_EQ(file, OneRowLine + "\r\n");
    EXPECT_EQ(file.size(), 2 * plain.size() + 2);

    const Parsed parsed = parse(firstLine(file));
    ASSERT_EQ(parsed.outcome, Outcome::Loaded);
    EXPECT_EQ(parsed.entries, QList<PlaylistEntry>{row("T", "3:25", "U", "42", false)});
}

TEST(PlaylistFormat, DigitLineVariantsThatStillLoad)
{
    const QList<PlaylistEntry> expected{row("T", "3:25", "U", "42")};
    // An unpaired last digit is ignored.
    EXPECT_EQ(parse(OneRowLine + "7").entries, expected);
    // Lower-case digits read like upper-case ones.
    const Parsed lower = parse(OneRowLine.toLower());
    EXPECT_EQ(lower.outcome, Outcome::Loaded);
    EXPECT_EQ(lower.entries, expected);
    // Only the first line counts, whichever break ends it.
    EXPECT_EQ(firstLine(OneRowLine + "\r\nFFFF"), OneRowLine);
    EXPECT_EQ(firstLine(OneRowLine + "\nZZ"), OneRowLine);
    EXPECT_EQ(firstLine(OneRowLine), OneRowLine);
}

TEST(PlaylistFormat, TextThatIsNoPlaylistIsReported)
{
    // Not hexadecimal at all.
    EXPECT_EQ(parse("Hello, this is a plain text file").outcome, Outcome::NotDecoded);
    // A bad pair late in an otherwise good line.
    EXPECT_EQ(parse(OneRowLine.left(20) + "G0" + OneRowLine.mid(22)).outcome, Outcome::NotDecoded);
    // Good digits, XML the parser rejects.
    EXPECT_EQ(parse(scrambled("<playlist><item cas=\"1\">x</playlist>")).outcome, Outcome::NotDecoded);
    // An unescaped ampersand, as older writers could leave it.
    EXPECT_EQ(parse(scrambled("<playlist><item cas=\"1\">Rock & Roll</item></playlist>")).outcome,
              Outcome::NotDecoded);
}

TEST(PlaylistFormat, RootMustBeExactlyPlaylist)
{
    EXPECT_EQ(parse(scrambled("<Playlist></Playlist>")).outcome, Outcome::WrongRoot);
    EXPECT_EQ(parse(scrambled("<list><item>a</item></list>")).outcome, Outcome::WrongRoot);
    // An empty line parses to a document without any element.
    EXPECT_EQ(parse("").outcome, Outcome::WrongRoot);
    EXPECT_EQ(parse(scrambled("<!-- only a comment -->")).outcome, Outcome::WrongRoot);
}

TEST(PlaylistFormat, ChildrenNeedNeitherTheirNameNorAttributes)
{
    const Parsed parsed = parse(scrambled("<?xml version=\"1.0\"?><playlist><song id=\"9\">A</song><item>B</item>"
                                          "loose<item cas=\"1:00\" url=\"u\" id=\"1\"/></playlist>"));
    ASSERT_EQ(parsed.outcome, Outcome::Loaded);
    EXPECT_EQ(parsed.entries, (QList<PlaylistEntry>{row("A", "", "", "9"), row("B", "", "", ""),
                                                    row("loose", "", "", ""), row("", "1:00", "u", "1")}));
}

TEST(PlaylistFormat, SpecialCharactersRoundTrip)
{
    // Windows-1250 bytes: "Píseň" with í = 0xED, ň = 0xF2; 0xFF is the dot
    // above, which the scrambling alone would turn into 0.
    const QList<PlaylistEntry> rows{
        row("Say \"hi\" <live> & more", "1:0\"0", "http://h/a.mp3?a=1&b=<2>", "id\"<&>"),
        row("P\xEDse\xF2 \xFF", "4:00", "http://h/\xFF.mp3", "\xFF"),
    };
    const QByteArray plain = plainText(rows);
    EXPECT_TRUE(plain.contains("cas=\"1:0&quot;0\""));
    EXPECT_TRUE(plain.contains(">Say &quot;hi&quot; &lt;live&gt; &amp; more</item>"));
    EXPECT_FALSE(plain.contains('\xFF'));

    const Parsed parsed = parse(firstLine(fileContent(rows)));
    ASSERT_EQ(parsed.outcome, Outcome::Loaded);
    EXPECT_EQ(parsed.entries, rows);
}

TEST(PlaylistFormat, FilesWrittenWithoutEscapingLoad)
{
    const Parsed parsed =
        parse(scrambled("<playlist><item cas=\"2:10\" url=\"http://h/x y.mp3\" id=\"a-1\">Kapela - Dlouh\xE1 noc"
                        "</item><item cas=\"\" url=\"\" id=\"\">P\xEDse\xF2</item></playlist>"));
    ASSERT_EQ(parsed.outcome, Outcome::Loaded);
    EXPECT_EQ(parsed.entries, (QList<PlaylistEntry>{row("Kapela - Dlouh\xE1 noc", "2:10", "http://h/x y.mp3", "a-1"),
                                                    row("P\xEDse\xF2", "", "", "")}));
}
