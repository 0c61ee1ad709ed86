#pragma once

#include "AudioApi.h"
#include "PlayerTypes.h"

#include <QString>

#include <cstdint>

// What the library's table says about an opened stream, as the engine shows
// it: pure reads of the library, nothing kept, so each can be checked
// against any table.
namespace StreamFacts {

// Milliseconds, rounded; 0 for nothing, a negative or an unknown length,
// and 0xFFFFFFFF when it does not fit.
std::uint32_t roundMs(double seconds);
// The channel's whole length; 0 when the library does not know it.
std::uint32_t lengthMs(const AudioApi &api, AUDIO_HANDLE channel);

struct Format
{
    std::int32_t rate = 0;
    std::uint16_t channels = 0;
    bool eightBit = false;
    bool operator==(const Format &) const = default;
};
// False when the library gives no information about the channel.
bool formatOf(const AudioApi &api, AUDIO_HANDLE channel, Format &format);

// A file of a recognised type: its title (OGG comments, else the URL),
// length, size and bit rate into info. True when its download is already
// complete.
bool readFile(const AudioApi &api, AUDIO_HANDLE channel, QByteArrayView name, QByteArrayView extension,
              TStreamInfo &info);
// A station: bit rate from its ICY header, title from its current metadata.
void readStation(const AudioApi &api, AUDIO_HANDLE channel, TStreamInfo &info);
// Once the download is complete: the size, an MPEG file's ID3 tag (version 1
// before version 2) and the exact length.
void readAtDownloadEnd(const AudioApi &api, AUDIO_HANDLE channel, QByteArrayView name, TStreamInfo &info);
// The title a metadata sync carries: StreamTitle, else the OGG comments' title.
QByteArray metaTitle(const AudioApi *api, AUDIO_HANDLE channel, const char *meta);

} // namespace StreamFacts
