#pragma once

#include "PlayerControl.h"

#include <QStringList>

// An engine whose state the test sets; records what the panel sent.
struct FakePlayer final : PlayerControl
{
    TPlayerMode Mode = plmStandby;
    std::uint32_t Length = 0;
    std::uint32_t Pos = 0;
    bool Net = false;
    std::uint32_t Downloaded = 0;
    std::uint32_t Size = 0;
    std::int32_t BitRate = 0;
    bool Waiting = false;
    bool Reconnecting = false;
    bool StoppedAtFault = false;
    QStringList calls;

    TPlayerMode mode() const override { return Mode; }
    std::uint32_t playLength() const override { return Length; }
    std::uint32_t position() const override { return Pos; }
    void setPosition(std::uint32_t ms) override
    {
        calls << QStringLiteral("seek %1").arg(ms);
        if (ms <= Length) // like the engine: a target past the end is ignored
            Pos = ms;
    }
    bool netStream() const override { return Net; }
    std::uint32_t downloadedBytes() const override { return Downloaded; }
    std::uint32_t streamSize() const override { return Size; }
    std::int32_t bitRate() const override { return BitRate; }
    bool waitingForData() const override { return Waiting; }
    bool reconnecting() const override { return Reconnecting; }
    bool stoppedAtFault() const override { return StoppedAtFault; }
    void play() override { calls << "play"; }
    void pause() override { calls << "pause"; }
    void stop() override { calls << "stop"; }
    void setVolume(std::uint32_t v) override { calls << QStringLiteral("volume %1").arg(v); }
};
