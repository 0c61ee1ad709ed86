#include "TrackTitles.h"

namespace TrackTitles {

QByteArray playTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album)
{
    QByteArray title;
    if (!artist.isEmpty())
        title += artist + " - ";
    return title + name + ' ' + album;
}

QByteArray playlistTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album)
{
    QByteArray title;
    if (!artist.isEmpty())
        title += artist + " - ";
    title += name;
    if (!album.isEmpty())
        title += ' ' + album;
    return title;
}

QByteArray downloadTitle(const QByteArray &artist, const QByteArray &name)
{
    return name + " - " + artist;
}

QByteArray downloadFullTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album)
{
    return downloadTitle(artist, name) + ' ' + album;
}

QString mp3Target(const QString &chosen)
{
    const qsizetype nameStart = chosen.lastIndexOf(u'/') + 1;
    const qsizetype dot = chosen.lastIndexOf(u'.');
    // A dot in a folder name, or the leading dot of a hidden file's name, is no extension.
    const bool hasExtension = dot > nameStart;
    return (hasExtension ? chosen.left(dot) : chosen) + QStringLiteral(".mp3");
}

} // namespace TrackTitles
