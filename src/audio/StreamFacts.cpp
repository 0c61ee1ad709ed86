#include "StreamFacts.h"

#include "Id3Reader.h"
#include "Id3v2Size.h"
#include "StreamNames.h"
#include "Windows1250.h"

#include <cmath>

namespace StreamFacts {

namespace {
constexpr std::uint64_t kNone64 = static_cast<std::uint64_t>(-1);
}

std::uint32_t roundMs(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return 0;
    const double ms = std::round(1000.0 * seconds);
    return ms >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(ms);
}

std::uint32_t lengthMs(const AudioApi &api, AUDIO_HANDLE channel)
{
    const std::uint64_t length = api.ChannelGetLength(channel, AUDIO_POS_BYTE);
    if (length == kNone64)
        return 0;
    return roundMs(api.ChannelBytes2Seconds(channel, length));
}

bool formatOf(const AudioApi &api, AUDIO_HANDLE channel, Format &format)
{
    AUDIO_CHANNELINFO info{};
    if (!api.ChannelGetInfo(channel, &info))
        return false;
    format.rate = static_cast<std::int32_t>(info.freq);
    format.channels = static_cast<std::uint16_t>(info.chans);
    format.eightBit = (info.flags & AUDIO_SAMPLE_8BITS) != 0;
    return true;
}

bool readFile(const AudioApi &api, AUDIO_HANDLE channel, QByteArrayView name, QByteArrayView extension,
              TStreamInfo &info)
{
    if (extension.toByteArray().toUpper() == ".OGG") {
        const char *comments = api.ChannelGetTags(channel, AUDIO_TAG_OGG);
        info.Title = Windows1250::decode(StreamNames::oggTitle(StreamNames::splitTagList(comments), true));
    } else {
        info.Title = StreamNames::titleFromUrl(name);
    }
    const std::uint64_t length = api.ChannelGetLength(channel, AUDIO_POS_BYTE);
    const double seconds = length == kNone64 ? 0.0 : api.ChannelBytes2Seconds(channel, length);
    info.Duration = roundMs(seconds);
    const std::uint64_t size = api.StreamGetFilePosition(channel, AUDIO_FILEPOS_END);
    if (size == kNone64)
        return false;
    info.StreamSize = static_cast<std::uint32_t>(size);
    info.BitRate = seconds > 0 ? static_cast<std::int32_t>(std::lround(double(info.StreamSize) / (seconds * 125.0))) : 0;
    return api.StreamGetFilePosition(channel, AUDIO_FILEPOS_DOWNLOAD) == size;
}

void readStation(const AudioApi &api, AUDIO_HANDLE channel, TStreamInfo &info)
{
    const char *icy = api.ChannelGetTags(channel, AUDIO_TAG_ICY);
    info.BitRate = StreamNames::icyBitRate(StreamNames::splitTagList(icy));
    const char *meta = api.ChannelGetTags(channel, AUDIO_TAG_META);
    if (meta && StreamNames::hasStreamTitle(meta))
        info.Title = Windows1250::decode(StreamNames::streamTitle(meta));
}

void readAtDownloadEnd(const AudioApi &api, AUDIO_HANDLE channel, QByteArrayView name, TStreamInfo &info)
{
    const QByteArray extension = StreamNames::extensionOf(name).toUpper();
    QByteArray id3v1;
    QByteArray id3v2;
    if (extension == ".MP3" || extension == ".MP2" || extension == ".MP1") {
        if (const char *block = api.ChannelGetTags(channel, AUDIO_TAG_ID3))
            id3v1 = QByteArray(block, 128);
        else if (const char *block2 = api.ChannelGetTags(channel, AUDIO_TAG_ID3V2))
            id3v2 = QByteArray(block2, qsizetype(id3v2BlockLength(reinterpret_cast<const unsigned char *>(block2))));
    }
    const std::uint64_t size = api.StreamGetFilePosition(channel, AUDIO_FILEPOS_END);
    if (size != kNone64)
        info.StreamSize = static_cast<std::uint32_t>(size);
    if (!id3v1.isEmpty())
        Id3Reader::readV1(id3v1, info);
    else if (!id3v2.isEmpty())
        Id3Reader::readV2(id3v2, info);
    info.Duration = lengthMs(api, channel);
}

QByteArray metaTitle(const AudioApi *api, AUDIO_HANDLE channel, const char *meta)
{
    const QByteArray text(meta);
    if (StreamNames::hasStreamTitle(text))
        return StreamNames::streamTitle(text);
    if (!api)
        return {};
    const char *comments = api->ChannelGetTags(channel, AUDIO_TAG_OGG);
    return StreamNames::oggTitle(StreamNames::splitTagList(comments), false);
}

} // namespace StreamFacts
