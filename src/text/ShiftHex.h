#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The byte scrambling of the stored client ID and of playlist files: each byte
// is shifted by a one-byte key (wrapping by 255, not 256) and written as two
// upper-case hexadecimal digits. Each use keeps its own key.
namespace ShiftHex {

// The client ID's key in the per-user key store. Playlists use another one.
inline constexpr unsigned char ClientIdKey = 0x5A;

} // namespace ShiftHex

QByteArray EncodeShiftHex(QByteArrayView text, unsigned char key);
// Reads complete pairs of either letter case; a trailing single character is
// ignored; a pair that is not hexadecimal raises ConversionError.
QByteArray DecodeShiftHex(QByteArrayView text, unsigned char key);
