#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// Rules that turn a stream's name and the library's tag texts into the
// engine's facts. Plain functions so they can be checked without a library.
// Names are the bytes the library is given (Windows-1250, one byte per
// character), so positions and case rules match the text a user sees.
namespace StreamNames {

// "http://", "ftp://" or "mms://", compared case-sensitively.
bool isInternetName(QByteArrayView name);

// From the last "." that follows the last "\" or ":"; "/" does not end it,
// so "http://host.cz/stream" gives ".cz/stream". Empty without such a dot.
QByteArray extensionOf(QByteArrayView name);

// The text after the last "/" (the scheme's own slashes count) without the
// name's last four characters; empty for names shorter than 12 characters.
QString titleFromUrl(QByteArrayView name);

// A downloadable file type whose size and progress mean something
// (as opposed to an internet radio station). Takes extensionOf().
bool isRecognisedNetType(QByteArrayView extension);
// MIDI files (".MID", ".MIDI", ".RMI", ".KAR", any case).
bool isMidiType(QByteArrayView extension);
// Types only an add-on plays (MIDI, ASF, WMA), never a URL stream by itself.
bool needsAddOn(QByteArrayView extension);

// "Native" when the library decodes the extension itself, else empty
// (this build carries no decoder add-ons).
QString decoderNameFor(QByteArrayView extension, bool cdAddOn, bool wmaAddOn, bool soundFont);

// Splits a library tag list: zero-terminated texts ending with an empty one.
// A null pointer gives an empty list.
QList<QByteArray> splitTagList(const char *tags);

// The number after "icy-br:" in the first header line that holds it; 0 when
// there is none or it is not a number.
int icyBitRate(const QList<QByteArray> &headerLines);

// Whether radio metadata carries a "StreamTitle=" field at all.
bool hasStreamTitle(const QByteArray &meta);
// The StreamTitle value without its quotes, up to the ";" that closes it.
QByteArray streamTitle(const QByteArray &meta);

// The value of the first comment that starts with "TITLE=" (any letter case
// when caseSensitive is false); empty when none does.
QByteArray oggTitle(const QList<QByteArray> &comments, bool caseSensitive);

} // namespace StreamNames
