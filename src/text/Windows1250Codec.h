#pragma once

#include <string>
#include <string_view>

// The one 8-bit code page of everything that crosses the wire or a file,
// without any toolkit: the service and the audio side use it as it is, the
// client through the Qt adapter in Windows1250.h.
namespace Windows1250 {

char16_t toUnicode(unsigned char byte);
// The byte for a code point, or -1 when the code page has none.
int fromUnicode(char32_t codePoint);

// Every byte is one UTF-16 unit (the code page holds only the BMP).
std::u16string toUtf16(std::string_view bytes);
std::string toUtf8(std::string_view bytes);
// Characters the code page cannot hold become '?', and so does each byte of
// malformed UTF-8; a leading byte order mark is dropped.
std::string fromUtf8(std::string_view utf8);

} // namespace Windows1250
