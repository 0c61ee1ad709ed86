#include "ResultsTrackRows.h"

#include "ResultsModel.h"

ResultsTrackRows::ResultsTrackRows(ResultsModel &model, std::function<int()> selectedRow)
    : m_model(model), m_selectedRow(std::move(selectedRow))
{
}

std::optional<QByteArray> ResultsTrackRows::selectedTrackId() const
{
    const int row = m_selectedRow ? m_selectedRow() : -1;
    if (!m_model.hasRow(row))
        return std::nullopt;
    return m_model.row(row).trackId();
}

int ResultsTrackRows::rowCount() const
{
    return m_model.count();
}

QByteArray ResultsTrackRows::trackId(int row) const
{
    return m_model.row(row).trackId();
}

void ResultsTrackRows::setNowPlaying(int row, bool on)
{
    m_model.setNowPlaying(row, on);
}
