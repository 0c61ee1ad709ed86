#include "Mp3MenuState.h"

#include <gtest/gtest.h>

using namespace Mp3MenuState;

namespace {

const Item hidden{false, false};
const Item shownDisabled{true, false};
const Item active{true, true};

Inputs results(bool focused, bool selected, const QString &permission = QString())
{
    Inputs in;
    in.resultsFocused = focused;
    in.resultSelected = selected;
    in.selectedRatingPermission = permission;
    return in;
}

Inputs playlist(bool focused, bool selected)
{
    Inputs in;
    in.playlistFocused = focused;
    in.playlistEntrySelected = selected;
    return in;
}

} // namespace

TEST(Mp3MenuState, NothingFocusedLeavesOnlyTheTwoDisabledResultItems)
{
    const States s = compute({});
    EXPECT_EQ(s.Pehrt2, shownDisabled);
    EXPECT_EQ(s.Sthnout2, shownDisabled);
    for (const Item &i : {s.Pehrt4, s.Sthnout4, s.Pidatdoplaylistu2, s.Odebratzplaylist1, s.Hodnocen2})
        EXPECT_EQ(i, hidden);
    // Selection without focus, or focus without selection, changes nothing.
    EXPECT_EQ(compute(results(false, true, "true")), s);
    EXPECT_EQ(compute(results(true, false, "true")), s);
    EXPECT_EQ(compute(playlist(true, false)), s);
    EXPECT_EQ(compute(playlist(false, true)), s);
}

TEST(Mp3MenuState, FocusedResultOffersRatingOnlyForExactlyTrue)
{
    for (const char *permission : {"true", "false", "", "TRUE", "True", "true "}) {
        const States s = compute(results(true, true, permission));
        EXPECT_EQ(s.Pehrt2, active);
        EXPECT_EQ(s.Sthnout2, active);
        EXPECT_EQ(s.Pidatdoplaylistu2, active);
        EXPECT_EQ(s.Hodnocen2, (Item{QString(permission) == "true", true})) << permission;
        EXPECT_EQ(s.Pehrt4, hidden);
        EXPECT_EQ(s.Sthnout4, hidden);
        EXPECT_EQ(s.Odebratzplaylist1, hidden);
    }
}

TEST(Mp3MenuState, FocusedPlaylistEntrySwapsTheItems)
{
    const States s = compute(playlist(true, true));
    EXPECT_EQ(s.Pehrt2, hidden);
    EXPECT_EQ(s.Sthnout2, hidden);
    EXPECT_EQ(s.Pehrt4, active);
    EXPECT_EQ(s.Sthnout4, active);
    EXPECT_EQ(s.Odebratzplaylist1, active);
    EXPECT_EQ(s.Pidatdoplaylistu2, hidden);
    EXPECT_EQ(s.Hodnocen2, hidden);
}
