#pragma once

#include <QString>

// The rule that sets the "MP3" menu each time it opens and before any of its
// shortcuts acts: its items follow whichever list has the keyboard focus.
namespace Mp3MenuState {

struct Inputs
{
    bool resultsFocused = false;
    bool resultSelected = false;
    // The selected result's "hodmuzu" column; rating is offered only for
    // exactly "true".
    QString selectedRatingPermission;
    bool playlistFocused = false;
    bool playlistEntrySelected = false;
};

struct Item
{
    bool visible = false;
    bool enabled = false;
    bool operator==(const Item &) const = default;
};

struct States
{
    Item Pehrt2, Sthnout2, Pehrt4, Sthnout4, Pidatdoplaylistu2, Odebratzplaylist1, Hodnocen2;
    bool operator==(const States &) const = default;
};

States compute(const Inputs &in);

} // namespace Mp3MenuState
