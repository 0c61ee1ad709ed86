#pragma once

#include <QIcon>

// The marks of `list_stat` as the results list uses them: image 0 marks a
// descending sort on a column header, image 1 an ascending sort, image 2 the
// row of the track now playing. The pictures come from the shared image lists.
class StatusMarks
{
public:
    enum Mark { None = -1, SortDescending = 0, SortAscending = 1, NowPlaying = 2 };
    static constexpr int kSize = 9;

    // Drawn once and shared; None gives a null icon.
    static const QIcon &icon(int index);
};
