#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// The one 8-bit code page of everything that crosses the wire or a file:
// service replies, request queries, playlists and help texts stay bytes until
// they are shown, and become Unicode only here.
namespace Windows1250 {

char16_t toUnicode(unsigned char byte);
// The byte for a code point, or -1 when the code page has none.
int fromUnicode(char32_t codePoint);

QString decode(QByteArrayView bytes);
// Characters the code page cannot hold become '?'.
QByteArray encode(QStringView text);

std::string fromUtf8(std::string_view utf8);
std::string toUtf8(std::string_view bytes);

} // namespace Windows1250
