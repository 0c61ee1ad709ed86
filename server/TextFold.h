#pragma once

#include <string>
#include <string_view>

// Search matching ignores case and accents: "Příliš" and "prilis" are the
// same word. Works on Windows-1250 bytes, the encoding of search texts.
namespace TextFold {

// Lower-case ASCII for letters; other bytes below 0x80 lower-cased; bytes
// without a base letter (punctuation of the upper half) become a space.
std::string fold(std::string_view windows1250);

} // namespace TextFold
