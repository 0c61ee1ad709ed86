#pragma once

#include "PlayerTypes.h"

#include <optional>

// What the three buttons and the Play/Pause/Stop menu items show in one
// engine mode.
struct PanelButtons
{
    enum Checked { CheckPlay, CheckPause, CheckStop };

    bool playEnabled = true;
    bool pauseEnabled = true;
    bool stopEnabled = true;
    Checked checked = CheckStop;
    // Indexes into the button picture list.
    int playImage = 0;
    int pauseImage = 2;
    int stopImage = 4;

    // None for standby and ready, which leave the buttons as they are.
    static std::optional<PanelButtons> forMode(TPlayerMode mode);

    bool operator==(const PanelButtons &) const = default;
};
