#include "Id3Reader.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray id3v1(const QByteArray &title, const QByteArray &comment, char trackOrZero, unsigned char genre)
{
    QByteArray b("TAG");
    auto field = [&b](QByteArray text, int size) {
        text.resize(size, '\0');
        b += text;
    };
    field(title, 30);
    field("Artist", 30);
    field("Album", 30);
    field("1999", 4);
    QByteArray c = comment;
    c.resize(30, '\0');
    if (trackOrZero) {
        c[28] = 0;
        c[29] = trackOrZero;
    }
    b += c;
    b += char(genre);
    return b;
}

QByteArray syncsafe(quint32 v)
{
    QByteArray b(4, '\0');
    b[0] = char((v >> 21) & 0x7F);
    b[1] = char((v >> 14) & 0x7F);
    b[2] = char((v >> 7) & 0x7F);
    b[3] = char(v & 0x7F);
    return b;
}

QByteArray frame23(const char *id, const QByteArray &body)
{
    QByteArray f(id);
    QByteArray size(4, '\0');
    qToBigEndian<quint32>(quint32(body.size()), size.data());
    return f + size + QByteArray(2, '\0') + body;
}

QByteArray frame24(const char *id, const QByteArray &body)
{
    return QByteArray(id) + syncsafe(quint32(body.size())) + QByteArray(2, '\0') + body;
}

QByteArray tag(int major, const QByteArray &frames, int padding = 16)
{
    QByteArray body = frames + QByteArray(padding, '\0');
    return QByteArray("ID3") + char(major) + char(0) + char(0) + syncsafe(quint32(body.size())) + body;
}

} // namespace

TEST(Id3Reader, Version1WithAndWithoutTrackNumber)
{
    TStreamInfo info;
    ASSERT_TRUE(Id3Reader::readV1(id3v1("P\xed" "se\xf2", "Nice", 7, 17), info));
    EXPECT_EQ(info.Title, QString::fromUtf8("Píseň"));
    EXPECT_EQ(info.Artist, "Artist");
    EXPECT_EQ(info.Album, "Album");
    EXPECT_EQ(info.Year, "1999");
    EXPECT_EQ(info.Comment, "Nice");
    EXPECT_EQ(info.Track, 7);
    EXPECT_EQ(info.GenreID, 17);
    EXPECT_EQ(info.Genre, "Rock");

    TStreamInfo plain;
    ASSERT_TRUE(Id3Reader::readV1(id3v1("T", "A comment that fills all 30 c", 0, 255), plain));
    EXPECT_EQ(plain.Track, 0);
    EXPECT_EQ(plain.Comment, "A comment that fills all 30 c");
    EXPECT_EQ(plain.Genre, "");

    TStreamInfo untouched;
    EXPECT_FALSE(Id3Reader::readV1(QByteArray(128, 'x'), untouched));
    EXPECT_FALSE(Id3Reader::readV1(QByteArray("TAG"), untouched));
    EXPECT_TRUE(untouched.Title.isEmpty());
}

TEST(Id3Reader, Version23FramesInEachEncoding)
{
    QByteArray utf16Title("\x01\xFF\xFE", 3);
    for (char16_t ch : u"Žluť")
        if (ch)
            utf16Title += QByteArray(reinterpret_cast<const char *>(&ch), 2);
    const QByteArray frames = frame23("TIT2", utf16Title)
        + frame23("TPE1", QByteArray("\x00Kapela", 7))
        + frame23("TALB", QByteArray("\x00\xC8" "esko\x00", 7))
        + frame23("TYER", QByteArray("\x00" "2004", 5))
        + frame23("TCON", QByteArray("\x00(13)", 5))
        + frame23("TRCK", QByteArray("\x00" "3/12", 5))
        + frame23("COMM", QByteArray("\x00" "ces" "short\x00" "Long comment", 22));
    TStreamInfo info;
    ASSERT_TRUE(Id3Reader::readV2(tag(3, frames), info));
    EXPECT_EQ(info.Title, QString::fromUtf8("Žluť"));
    EXPECT_EQ(info.Artist, "Kapela");
    EXPECT_EQ(info.Album, QString::fromUtf8("Česko"));
    EXPECT_EQ(info.Year, "2004");
    EXPECT_EQ(info.Genre, "Pop");
    EXPECT_EQ(info.GenreID, 13);
    EXPECT_EQ(info.Track, 3);
    EXPECT_EQ(info.Comment, "Long comment");
}

TEST(Id3Reader, Version24Utf8AndVersion22ShortFrames)
{
    TStreamInfo info;
    ASSERT_TRUE(Id3Reader::readV2(tag(4, frame24("TIT2", QByteArray("\x03") + QByteArray("Čaj"))
                                           + frame24("TDRC", QByteArray("\x03" "2011-05-01")) 
                                           + frame24("TCON", QByteArray("\x03" "Indie"))), info));
    EXPECT_EQ(info.Title, QString::fromUtf8("Čaj"));
    EXPECT_EQ(info.Year, "2011");
    EXPECT_EQ(info.Genre, "Indie");

    QByteArray v22 = QByteArray("TT2") + QByteArray("\x00\x00\x05", 3) + QByteArray("\x00Old22", 6).left(5);
    TStreamInfo old;
    ASSERT_TRUE(Id3Reader::readV2(tag(2, v22), old));
    EXPECT_EQ(old.Title, "Old2");
}

TEST(Id3Reader, BrokenBlocksNeverReadPastTheirEnd)
{
    // A frame that claims more than the tag holds ends the scan.
    QByteArray frames = frame23("TPE1", QByteArray("\x00Ok", 3));
    QByteArray liar("TIT2");
    liar += QByteArray("\x7F\xFF\xFF\xFF\x00\x00", 6);
    liar += "short";
    TStreamInfo info;
    ASSERT_TRUE(Id3Reader::readV2(tag(3, frames + liar, 0), info));
    EXPECT_EQ(info.Artist, "Ok");
    EXPECT_TRUE(info.Title.isEmpty());

    // A header whose size runs past the block, an empty frame, unknown versions.
    QByteArray cut = tag(3, frame23("TIT2", QByteArray("\x00Cut", 4)));
    cut.chop(20);
    TStreamInfo partial;
    EXPECT_TRUE(Id3Reader::readV2(cut, partial));
    EXPECT_TRUE(Id3Reader::readV2(tag(3, frame23("TIT2", QByteArray())), partial));
    EXPECT_FALSE(Id3Reader::readV2(tag(5, frames), partial));
    EXPECT_FALSE(Id3Reader::readV2(QByteArray("ID3"), partial));
}

TEST(Id3Reader, UnsynchronisedTagIsRestored)
{
    // 0xFF 0x00 in the tag body stands for 0xFF.
    QByteArray frames = frame23("TIT2", QByteArray("\x00\xFF\x00" "A", 4));
    QByteArray whole = tag(3, frames);
    whole[5] = char(0x80);
    TStreamInfo info;
    ASSERT_TRUE(Id3Reader::readV2(whole, info));
    // The frame size counted the stuffing byte, so one padding byte follows
    // the title; what matters is that 0xFF survives as the letter it encodes.
    EXPECT_TRUE(info.Title.startsWith(QString(QChar(0x02D9)))) << info.Title.toStdString();
}
