#pragma once

#include <QString>

#include <cstdint>

// Engine state; the numbers are part of the published interface.
enum TPlayerMode : std::uint8_t {
    plmStandby = 0,
    plmReady = 1,
    plmStopped = 2,
    plmPlaying = 3,
    plmPaused = 4,
};

// What kind of channel is open; only ckNone and ckStream occur in this
// build, the others name decoders the program never switches on.
enum class ChannelKind : std::uint8_t {
    ckNone = 0,
    ckStream = 1,
    ckCDTrack = 2,
    ckWMA = 3,
    ckModule = 4,
    ckMIDI = 5,
    ckPlugin = 6,
};

// Facts about the open stream, held by value.
struct TStreamInfo
{
    QByteArray FileName;
    std::uint32_t StreamSize = 0;
    std::int32_t SampleRate = 0;
    std::int32_t BitRate = 0;
    std::uint16_t BitsPerSample = 16;
    std::uint32_t Duration = 0;
    std::uint16_t Channels = 0;
    QString Title;
    QString Artist;
    QString Album;
    QString Year;
    QString Genre;
    std::uint8_t GenreID = 0;
    std::uint8_t Track = 0;
    QString Comment;
};
