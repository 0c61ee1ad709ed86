#include "Mp3MenuState.h"

namespace Mp3MenuState {

States compute(const Inputs &in)
{
    States s; // all hidden and disabled
    s.Pehrt2.visible = true;
    s.Sthnout2.visible = true;

    if (in.resultsFocused && in.resultSelected) {
        s.Pehrt2 = s.Sthnout2 = s.Pidatdoplaylistu2 = {true, true};
        s.Hodnocen2.enabled = true;
        s.Hodnocen2.visible = in.selectedRatingPermission == QStringLiteral("true");
    }
    if (in.playlistFocused && in.playlistEntrySelected) {
        s.Pehrt2.visible = false;
        s.Sthnout2.visible = false;
        s.Pehrt4 = s.Sthnout4 = s.Odebratzplaylist1 = {true, true};
    }
    return s;
}

} // namespace Mp3MenuState
