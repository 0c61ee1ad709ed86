#pragma once

#include <QIcon>
#include <QPixmap>

// The help tree's image list Ikony: 0 a topic page, 1 a closed folder, 2 an
// open folder. The pixmap is 16x16 at a ratio of 1, the icon sharp at any
// scale; other indexes give an empty one. Needs a running QGuiApplication.
namespace HelpIcons {

inline constexpr int Page = 0;
inline constexpr int ClosedFolder = 1;
inline constexpr int OpenFolder = 2;
inline constexpr int Count = 3;

QPixmap icon(int index);
QIcon iconSet(int index);

} // namespace HelpIcons
