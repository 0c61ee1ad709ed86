#pragma once

#include <QPixmap>

// The help tree's image list Ikony, painted at run time: 0 a topic page,
// 1 a closed folder, 2 an open folder. 16x16; other indexes give an empty
// pixmap. Needs a running QGuiApplication.
namespace HelpIcons {

inline constexpr int Page = 0;
inline constexpr int ClosedFolder = 1;
inline constexpr int OpenFolder = 2;
inline constexpr int Count = 3;

QPixmap icon(int index);

} // namespace HelpIcons
