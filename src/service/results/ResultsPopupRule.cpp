#include "ResultsPopupRule.h"

#include "ResultsModel.h"

ResultsPopupRule ResultsPopupRule::forSelection(const ResultsModel &model, int selectedRow)
{
    ResultsPopupRule rule;
    if (!model.hasRow(selectedRow))
        return rule;
    rule.play = rule.download = rule.separator = rule.addToPlaylist = true;
    rule.rating = model.row(selectedRow).mayRate();
    return rule;
}
