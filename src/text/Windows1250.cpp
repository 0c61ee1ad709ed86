#include "Windows1250.h"

#include <QList>

namespace Windows1250 {

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(toUnicode(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const uint codePoint : text.toUcs4()) {
        const int byte = fromUnicode(codePoint);
        bytes.append(byte < 0 ? '?' : char(byte));
    }
    return bytes;
}

} // namespace Windows1250
