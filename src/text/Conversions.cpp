#include "Conversions.h"

#include "ConversionError.h"

#include <QByteArray>

namespace Conversions {

qint32 StrToInt(QByteArrayView text)
{
    const QByteArray trimmed = text.toByteArray().trimmed();
    bool ok = false;
    // QByteArray::toInt also takes "0x" prefixes only with base 0; base 10 is strict.
    const int value = trimmed.toInt(&ok, 10);
    if (!ok || trimmed.isEmpty())
        throw ConversionError("'" + text.toByteArray().toStdString() + "' is not a valid integer value");
    return value;
}

} // namespace Conversions
