#pragma once

#include <QByteArray>

#include <optional>

// What the track actions need of the results list: the selected row's track
// ID and the now-playing mark of every row. Row indexes are display order.
class TrackResultsRows
{
public:
    virtual ~TrackResultsRows() = default;

    // Sub-item 8 of the selected row (Windows-1250 bytes); none when no row is selected.
    virtual std::optional<QByteArray> selectedTrackId() const = 0;
    virtual int rowCount() const = 0;
    virtual QByteArray trackId(int row) const = 0;
    virtual void setNowPlaying(int row, bool on) = 0;
};
