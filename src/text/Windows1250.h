#pragma once

#include "Windows1250Codec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The client's side of the code page: service replies, request queries,
// playlists and help texts stay bytes until they are shown, and become
// Unicode only here.
namespace Windows1250 {

QString decode(QByteArrayView bytes);
// Characters the code page cannot hold become '?'.
QByteArray encode(QStringView text);

} // namespace Windows1250
