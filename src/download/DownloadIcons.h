#pragma once

#include <QIcon>

// The download window's three icons (downloading, done, failed): 16x16
// pixmaps, and icons sharp at any scale. Needs a running QGuiApplication.
namespace DownloadIcons {

inline constexpr int Count = 3;
inline constexpr int Size = 16;

// Index as in DownloadProgress (0 downloading, 1 done, 2 failed); other
// indexes give a null icon.
QPixmap pixmap(int index);
QIcon icon(int index);

} // namespace DownloadIcons
