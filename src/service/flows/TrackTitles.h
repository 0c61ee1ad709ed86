#pragma once

#include <QByteArray>
#include <QString>

// The texts the track actions compose from a track reply. Titles are built on
// the reply's Windows-1250 bytes; the separators are plain ASCII.
namespace TrackTitles {

// The LED title of a played track: "interpret - " only with an artist, then
// jmeno, a space and the album (the space also without an album).
QByteArray playTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album);
// A playlist entry's title: each separator only with its part.
QByteArray playlistTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album);
// DownloadTitle: jmeno + " - " + interpret, the separator always.
QByteArray downloadTitle(const QByteArray &artist, const QByteArray &name);
// DownloadFullTitle: DownloadTitle + " " + album.
QByteArray downloadFullTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album);

// The chosen file name with its extension replaced by ".mp3", or ".mp3"
// added when the name has none. Only the last path component is looked at,
// and a name's leading dot does not start an extension.
QString mp3Target(const QString &chosen);

} // namespace TrackTitles
