#pragma once

#include <QIcon>
#include <QPixmap>

// The image lists' pictures, drawn from the SVG files of the resources.
// The pixmaps are at their list sizes and a ratio of 1; the icons are drawn
// anew for each size and display scale. Needs a running QGuiApplication.
namespace ImageLists {

// ikony, image 0: the application icon, 16x16 (and larger sizes for docks).
QPixmap appIcon(int size = 16);
QIcon appIconSet();

// bt_player, 28x28: 0 play, 1 play highlighted, 2 pause, 3 pause
// highlighted, 4 stop, 5 stop highlighted. Other indexes give an empty pixmap.
inline constexpr int PlayerButtonCount = 6;
QPixmap playerButton(int index);
// sameWhenDisabled: a disabled button shows the picture unchanged.
QIcon playerButtonIcon(int index, bool sameWhenDisabled = false);

// list_stat, 9x9: 0 descending-sort arrow, 1 ascending-sort arrow,
// 2 now-playing mark. Other indexes give an empty pixmap.
inline constexpr int ListStatCount = 3;
inline constexpr int NowPlayingMark = 2;
QPixmap listStat(int index);
QIcon listStatIcon(int index);

} // namespace ImageLists
