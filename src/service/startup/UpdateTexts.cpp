#include "UpdateTexts.h"

namespace UpdateTexts {

QString sizeText(qint64 bytes, QChar decimalPoint)
{
    constexpr qint64 kMebibyte = 1048576;
    const bool negative = bytes < 0;
    // Tenths of a mebibyte, half away from zero, split so no size overflows.
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(bytes) : static_cast<quint64>(bytes);
    const quint64 tenths = magnitude / kMebibyte * 10 + ((magnitude % kMebibyte) * 10 + kMebibyte / 2) / kMebibyte;
    QString text = QString::number(tenths / 10);
    if (tenths % 10 != 0)
        text += decimalPoint + QString::number(tenths % 10);
    if (negative && tenths != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString offerQuestion(const QString &version, const QString &sizeText)
{
    return QStringLiteral("Nová verze (") + version
         + QStringLiteral(") programu Sonaro Klient je k dispozici. Aktualizovat? (Velikost: ") + sizeText
         + QStringLiteral(" MB)");
}

QString databaseCountText(const QString &count)
{
    return QStringLiteral("V naší databázi je: ") + count + QStringLiteral(" MP3");
}

} // namespace UpdateTexts
