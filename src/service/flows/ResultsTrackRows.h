#pragma once

#include "TrackResultsRows.h"

#include <functional>

class ResultsModel;

// The results list as the track actions see it: the rows of the model and
// the view's selection.
class ResultsTrackRows final : public TrackResultsRows
{
public:
    // selectedRow gives the selected row's index, -1 when none.
    ResultsTrackRows(ResultsModel &model, std::function<int()> selectedRow);

    std::optional<QByteArray> selectedTrackId() const override;
    int rowCount() const override;
    QByteArray trackId(int row) const override;
    void setNowPlaying(int row, bool on) override;

private:
    ResultsModel &m_model;
    std::function<int()> m_selectedRow;
};
