#pragma once

#include <QIcon>
#include <QImage>

// The 9x9 marks of the results list (and the playlist view): image 0 marks a
// descending sort on a column header, image 1 an ascending sort, image 2 the
// row of the track now playing.
class StatusMarks
{
public:
    enum Mark { None = -1, SortDescending = 0, SortAscending = 1, NowPlaying = 2 };
    static constexpr int kSize = 9;

    // Drawn once and shared; an out-of-range index gives a null image.
    static const QImage &image(int index);
    static QIcon icon(int index);
};
