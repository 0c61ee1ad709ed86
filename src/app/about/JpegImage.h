#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// JPEG pictures decoded with libjpeg. Anything that is not a complete,
// sound baseline or progressive JPEG (truncated data, corrupt markers, an
// unsupported colour space, a picture larger than MaxSide on a side) gives
// a null image instead of a partly grey one.
namespace JpegImage {

inline constexpr int MaxSide = 4096;

QImage decode(QByteArrayView data);
// Reads the whole file first; a file that cannot be read gives a null image.
QImage load(const QString &path);

} // namespace JpegImage
