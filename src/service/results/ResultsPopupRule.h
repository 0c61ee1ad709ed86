#pragma once

class ResultsModel;

// Which items of the results list's pop-up menu are shown when it opens.
// Enabled states are never touched by this rule.
struct ResultsPopupRule
{
    bool play = false;
    bool download = false;
    bool separator = false;
    bool addToPlaylist = false;
    bool rating = false;

    // selectedRow -1 means no row is selected.
    static ResultsPopupRule forSelection(const ResultsModel &model, int selectedRow);
};
