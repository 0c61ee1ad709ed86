#include "StatusMarks.h"

#include "ImageLists.h"

#include <array>

const QIcon &StatusMarks::icon(int index)
{
    static const std::array<QIcon, 3> icons{ImageLists::listStatIcon(SortDescending),
                                            ImageLists::listStatIcon(SortAscending),
                                            ImageLists::listStatIcon(NowPlaying)};
    static const QIcon none;
    if (index < 0 || index >= static_cast<int>(icons.size()))
        return none;
    return icons[static_cast<size_t>(index)];
}
