#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace Conversions {

// Decimal text (optional sign, surrounding blanks allowed) to a 32-bit signed
// integer; anything else, an empty text or a value out of range raises
// ConversionError "'<text>' is not a valid integer value".
qint32 StrToInt(QByteArrayView text);

} // namespace Conversions
