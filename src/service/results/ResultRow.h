#pragma once

#include <QByteArray>

#include <array>

// One row of the results list: the caption and the ten sub-items, kept as the
// Windows-1250 bytes the finder reply gave them.
struct ResultRow
{
    // Column c of the list is cells[c]; sub-item k of the row is cells[k + 1].
    static constexpr int kColumnCount = 11;

    static constexpr int kSubArtist = 0;
    static constexpr int kSubRating = 4;
    static constexpr int kSubTrackId = 8;
    static constexpr int kSubRatingPermission = 9;

    std::array<QByteArray, kColumnCount> cells;
    bool nowPlaying = false;

    const QByteArray &caption() const { return cells[0]; }
    const QByteArray &subItem(int k) const { return cells[static_cast<size_t>(k) + 1]; }
    QByteArray &subItem(int k) { return cells[static_cast<size_t>(k) + 1]; }
    const QByteArray &trackId() const { return subItem(kSubTrackId); }
    // Only the exact text "true" lets this client rate the track.
    bool mayRate() const { return subItem(kSubRatingPermission) == "true"; }
};
