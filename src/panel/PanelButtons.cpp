#include "PanelButtons.h"

std::optional<PanelButtons> PanelButtons::forMode(TPlayerMode mode)
{
    switch (mode) {
    case plmStopped:
        return PanelButtons{true, false, false, CheckStop, 0, 2, 5};
    case plmPaused:
        return PanelButtons{true, false, false, CheckPause, 0, 3, 4};
    case plmPlaying:
        return PanelButtons{false, true, true, CheckPlay, 1, 2, 4};
    case plmStandby:
    case plmReady:
        break;
    }
    return std::nullopt;
}
