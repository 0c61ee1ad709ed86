// The stream facts against a library table whose answers the test sets.
#include "StreamFacts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// What the table answers; one stream at a time.
struct Answers
{
    uint64_t lengthBytes = 0;
    double seconds = 0;
    uint64_t fileEnd = uint64_t(-1);
    uint64_t downloaded = 0;
    const char *id3v1 = nullptr;
    const char *id3v2 = nullptr;
    const char *ogg = nullptr;
    const char *icy = nullptr;
    const char *meta = nullptr;
} answers;

uint64_t length(AUDIO_HANDLE, uint32_t) { return answers.lengthBytes; }
double toSeconds(AUDIO_HANDLE, uint64_t) { return answers.seconds; }
uint64_t filePosition(AUDIO_HANDLE, uint32_t mode)
{
    return mode == AUDIO_FILEPOS_END ? answers.fileEnd : answers.downloaded;
}
const char *tags(AUDIO_HANDLE, uint32_t type)
{
    switch (type) {
    case AUDIO_TAG_ID3: return answers.id3v1;
    case AUDIO_TAG_ID3V2: return answers.id3v2;
    case AUDIO_TAG_OGG: return answers.ogg;
    case AUDIO_TAG_ICY: return answers.icy;
    case AUDIO_TAG_META: return answers.meta;
    default: return nullptr;
    }
}

class StreamFactsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        answers = Answers();
        api.ChannelGetLength = &length;
        api.ChannelBytes2Seconds = &toSeconds;
        api.StreamGetFilePosition = &filePosition;
        api.ChannelGetTags = &tags;
    }
    AudioApi api;
    TStreamInfo info;
};

} // namespace

TEST_F(StreamFactsTest, AFileHasItsLengthSizeAndBitRate)
{
    answers.lengthBytes = 1000;
    answers.seconds = 2.0004;
    answers.fileEnd = 32000;
    answers.downloaded = 100;
    EXPECT_FALSE(StreamFacts::readFile(api, 1, "http://h/a/Pisen%20jedna.mp3", ".mp3", info));
    EXPECT_EQ(info.Duration, 2000u);
    EXPECT_EQ(info.StreamSize, 32000u);
    EXPECT_EQ(info.BitRate, 128);
    EXPECT_FALSE(info.Title.isEmpty());
    answers.downloaded = 32000;
    EXPECT_TRUE(StreamFacts::readFile(api, 1, "http://h/a.mp3", ".mp3", info));
}

TEST_F(StreamFactsTest, UnknownLengthsAndSizesGiveNothingRatherThanNonsense)
{
    answers.lengthBytes = uint64_t(-1);
    answers.seconds = 99;
    EXPECT_FALSE(StreamFacts::readFile(api, 1, "http://h/a.mp3", ".mp3", info));
    EXPECT_EQ(info.Duration, 0u);
    EXPECT_EQ(info.BitRate, 0);
    EXPECT_EQ(StreamFacts::lengthMs(api, 1), 0u);
    EXPECT_EQ(StreamFacts::roundMs(-1), 0u);
    EXPECT_EQ(StreamFacts::roundMs(0.0 / 0.0), 0u);
    EXPECT_EQ(StreamFacts::roundMs(1e12), 0xFFFFFFFFu);
    EXPECT_EQ(StreamFacts::roundMs(0.0015), 2u);
}

TEST_F(StreamFactsTest, AnOggFileIsTitledFromItsComments)
{
    const char comments[] = "ARTIST=Someone\0TITLE=Vecer\0";
    answers.ogg = comments;
    StreamFacts::readFile(api, 1, "http://h/x.ogg", ".ogg", info);
    EXPECT_EQ(info.Title, QStringLiteral("Vecer"));
}

TEST_F(StreamFactsTest, AtTheDownloadsEndVersionOneTagsWinAndOnlyMpegFilesHaveThem)
{
    char v1[128] = {};
    std::memcpy(v1, "TAGJedna", 8);
    // An ID3v2.3 block: header, one TIT2 frame "Dva".
    const unsigned char v2[] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 14, 'T', 'I', 'T', '2', 0, 0, 0, 4, 0, 0, 0, 'D', 'v', 'a'};
    answers.id3v2 = reinterpret_cast<const char *>(v2);
    answers.fileEnd = 5000;
    answers.lengthBytes = 10;
    answers.seconds = 3.0;
    StreamFacts::readAtDownloadEnd(api, 1, "http://h/a.mp3", info);
    EXPECT_EQ(info.Title, QStringLiteral("Dva"));
    EXPECT_EQ(info.StreamSize, 5000u);
    EXPECT_EQ(info.Duration, 3000u);
    answers.id3v1 = v1;
    StreamFacts::readAtDownloadEnd(api, 1, "http://h/a.MP3", info);
    EXPECT_EQ(info.Title, QStringLiteral("Jedna"));
    TStreamInfo ogg;
    StreamFacts::readAtDownloadEnd(api, 1, "http://h/a.ogg", ogg);
    EXPECT_TRUE(ogg.Title.isEmpty());
}

TEST_F(StreamFactsTest, AStationTakesItsBitRateAndItsTitleFromMetadata)
{
    const char icy[] = "icy-name:Radio\0icy-br:96\0";
    answers.icy = icy;
    answers.meta = "StreamTitle='Song';StreamUrl='';";
    StreamFacts::readStation(api, 1, info);
    EXPECT_EQ(info.BitRate, 96);
    EXPECT_EQ(info.Title, QStringLiteral("Song"));
    EXPECT_EQ(StreamFacts::metaTitle(&api, 1, "StreamTitle='Other';"), QByteArray("Other"));
    const char comments[] = "title=Mala\0";
    answers.ogg = comments;
    EXPECT_EQ(StreamFacts::metaTitle(&api, 1, ""), QByteArray("Mala"));
    EXPECT_EQ(StreamFacts::metaTitle(nullptr, 1, ""), QByteArray());
}
