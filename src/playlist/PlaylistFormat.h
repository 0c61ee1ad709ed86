#pragma once

#include "PlaylistEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The .kpl format: the playlist as a small XML text, scrambled with
// EncodeShiftHex and stored as one line of digits ended by CR LF. Works on
// bytes only; opening files and showing messages happen one level up.
namespace PlaylistFormat {

// The playlist's own scrambling key; the client ID uses another.
inline constexpr unsigned char PlaylistKey = 0x4B;

// "<playlist><item cas=".." url=".." id="..">title</item>...</playlist>",
// no declaration and no white space between the pieces. The values are
// escaped (&amp; &lt; &gt; &quot;) so that any title reads back, and the byte
// 0xFF is written as a character reference because the scrambling cannot
// carry it (it would come back as 0).
QByteArray plainText(const QList<PlaylistEntry> &entries);
// What a file holds: the scrambled plain text and CR LF.
QByteArray fileContent(const QList<PlaylistEntry> &entries);

// The first line of a file's content: up to the first CR or LF, or all.
QByteArrayView firstLine(QByteArrayView content);

enum class Outcome {
    Loaded,     // entries holds the rows
    NotDecoded, // bad digit pair or text the XML parser rejects
    WrongRoot,  // no root element, or one not named exactly "playlist"
};

struct Parsed
{
    Outcome outcome = Outcome::NotDecoded;
    QList<PlaylistEntry> entries;
};

// Unscrambles a line and reads its rows: each child node of the root gives
// one row (its text, and the attributes cas, url, id, empty when missing),
// none of them marked. Accepts files written with or without escaping.
Parsed parse(QByteArrayView line);

} // namespace PlaylistFormat
