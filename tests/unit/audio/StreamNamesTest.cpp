#include "StreamNames.h"

#include <gtest/gtest.h>

using namespace StreamNames;

TEST(StreamNames, InternetNamesNeedLowerCaseScheme)
{
    EXPECT_TRUE(isInternetName("http://127.0.0.1/a.mp3"));
    EXPECT_TRUE(isInternetName("ftp://host/a.mp3"));
    EXPECT_TRUE(isInternetName("mms://host/live"));
    EXPECT_FALSE(isInternetName("HTTP://127.0.0.1/a.mp3"));
    EXPECT_FALSE(isInternetName("https://127.0.0.1/a.mp3"));
    EXPECT_FALSE(isInternetName("/home/user/a.mp3"));
    EXPECT_FALSE(isInternetName("http:/"));
}

TEST(StreamNames, ExtensionStartsAfterLastBackslashOrColonButNotSlash)
{
    EXPECT_EQ(extensionOf("http://127.0.0.1/music/song.mp3"), ".mp3");
    EXPECT_EQ(extensionOf("http://127.0.0.1:8080/song.MP3"), ".MP3");
    EXPECT_EQ(extensionOf("http://radio.example.cz/live"), ".cz/live");
    EXPECT_EQ(extensionOf("http://127.0.0.1/radio.php?id=5"), ".php?id=5");
    EXPECT_EQ(extensionOf("C:\\music.d\\song"), "");
    EXPECT_EQ(extensionOf("http://localhost/stream"), "");
    EXPECT_EQ(extensionOf("plain"), "");
    EXPECT_EQ(extensionOf(""), "");
}

TEST(StreamNames, TitleIsLastSegmentWithoutExtension)
{
    EXPECT_EQ(titleFromUrl("http://127.0.0.1/music/song.mp3"), "song");
    EXPECT_EQ(titleFromUrl("http://a.b/song.mp3"), "song");
    EXPECT_EQ(titleFromUrl("http://127.0.0.1/Pisen%20one.mp3"), "Pisen%20one");
    // Shorter than 12 characters: nothing to take.
    EXPECT_EQ(titleFromUrl("http://a/bc"), "");
    // The scheme's slashes count when the path has none.
    EXPECT_EQ(titleFromUrl("http://host.mp3"), "host");
    EXPECT_EQ(titleFromUrl("http://host.cz/dir/x.mp3"), "x");
    EXPECT_EQ(titleFromUrl("http://host.cz/dir/.mp3"), "");
    EXPECT_EQ(titleFromUrl("http://host.cz/a/b"), "host.cz");
    // Names are the service's Windows-1250 bytes: one byte per letter, shown decoded.
    EXPECT_EQ(titleFromUrl("http://h.cz/P\xed" "se\xf2.mp3"), QStringLiteral("Píseň"));
    EXPECT_EQ(extensionOf("http://h.cz/\xc8.\xc8sk"), "." "\xc8" "sk");
}

TEST(StreamNames, RecognisedTypesAreSubstringsOfTheFileList)
{
    EXPECT_TRUE(isRecognisedNetType(".mp3"));
    EXPECT_TRUE(isRecognisedNetType(".MP3"));
    EXPECT_TRUE(isRecognisedNetType(".Ogg"));
    EXPECT_TRUE(isRecognisedNetType(".aiff"));
    EXPECT_TRUE(isRecognisedNetType(".mid"));
    EXPECT_FALSE(isRecognisedNetType(".php?id=5"));
    EXPECT_FALSE(isRecognisedNetType(".cz/live"));
    EXPECT_FALSE(isRecognisedNetType(".wma"));
    EXPECT_FALSE(isRecognisedNetType(""));
}

TEST(StreamNames, DecoderNameNativeOnlyForLibraryFormats)
{
    EXPECT_EQ(decoderNameFor(".MP3", false, false, false), "Native");
    EXPECT_EQ(decoderNameFor(".xm", false, false, false), "Native");
    EXPECT_EQ(decoderNameFor(".wma", false, false, false), "");
    EXPECT_EQ(decoderNameFor(".wma", false, true, false), "Native");
    EXPECT_EQ(decoderNameFor(".mid", false, false, false), "");
    EXPECT_EQ(decoderNameFor(".mid", false, false, true), "Native");
    EXPECT_EQ(decoderNameFor(".php?id=5", true, true, true), "");
    EXPECT_EQ(decoderNameFor("", true, true, true), "");
}

TEST(StreamNames, TagListsEndWithAnEmptyText)
{
    const char tags[] = "icy-name:Radio\0icy-br:128\0\0ignored\0";
    const QList<QByteArray> list = splitTagList(tags);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0], "icy-name:Radio");
    EXPECT_EQ(list[1], "icy-br:128");
    EXPECT_TRUE(splitTagList(nullptr).isEmpty());
    EXPECT_TRUE(splitTagList("").isEmpty());
}

TEST(StreamNames, IcyBitRateFromFirstHeaderThatHasIt)
{
    EXPECT_EQ(icyBitRate({"ICY 200 OK", "icy-name:X", "icy-br:128", "icy-br:64"}), 128);
    EXPECT_EQ(icyBitRate({"icy-br: 96"}), 96);
    EXPECT_EQ(icyBitRate({"icy-br:56,56"}), 56);
    EXPECT_EQ(icyBitRate({"icy-br:fast"}), 0);
    EXPECT_EQ(icyBitRate({"ICY-BR:128"}), 0);
    EXPECT_EQ(icyBitRate({}), 0);
    EXPECT_EQ(icyBitRate({"icy-br:99999999999999999999"}), 999999999);
}

TEST(StreamNames, StreamTitleWithoutQuotes)
{
    EXPECT_EQ(streamTitle("StreamTitle='Artist - Song';StreamUrl='';"), "Artist - Song");
    EXPECT_EQ(streamTitle("StreamTitle='';"), "");
    EXPECT_EQ(streamTitle("StreamTitle='No end'"), "No end");
    EXPECT_EQ(streamTitle("StreamUrl='x';StreamTitle='Later';"), "Later");
    EXPECT_EQ(streamTitle("StreamTitle='Rock; Roll';"), "Rock; Roll");
    EXPECT_EQ(streamTitle("StreamTitle=bare;"), "bare");
    EXPECT_EQ(streamTitle("StreamTitle='"), "");
    EXPECT_EQ(streamTitle("nothing"), "");
    EXPECT_TRUE(hasStreamTitle("StreamTitle='';"));
    EXPECT_FALSE(hasStreamTitle("streamtitle='x';"));
}

TEST(StreamNames, OggTitleFromFirstTitleComment)
{
    const QList<QByteArray> comments{"ARTIST=A", "title=lower", "TITLE=Upper", "TITLE=Second"};
    EXPECT_EQ(oggTitle(comments, true), "Upper");
    EXPECT_EQ(oggTitle(comments, false), "lower");
    EXPECT_EQ(oggTitle({"SUBTITLE=x"}, false), "");
    EXPECT_EQ(oggTitle({}, true), "");
}
