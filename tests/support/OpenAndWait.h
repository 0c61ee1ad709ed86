#pragma once

#include "TStreamPlayer.h"
#include "WaitUntil.h"

#include <memory>
#include <optional>

// The engine's Open, waited for as a test needs it: the outcome, or false when
// none came in time.
inline bool OpenAndWait(TStreamPlayer &player, const QByteArray &name, int timeoutMs = 20000)
{
    auto outcome = std::make_shared<std::optional<bool>>();
    player.Open(name, [outcome](bool opened) { *outcome = opened; });
    return WaitUntil([&] { return outcome->has_value(); }, timeoutMs) && **outcome;
}
