#include "StatusMarks.h"

#include "ImageLists.h"

#include <array>

const QIcon &StatusMarks::icon(int index)
{
    static const std::array<QIcon, 3> icons{QIcon(ImageLists::listStat(SortDescending)),
                                            QIcon(ImageLists::listStat(SortAscending)),
                                            QIcon(ImageLists::listStat(NowPlaying))};
    static const QIcon none;
    if (index < 0 || index >= static_cast<int>(icons.size()))
        return none;
    return icons[static_cast<size_t>(index)];
}
