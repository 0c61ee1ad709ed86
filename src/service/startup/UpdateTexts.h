#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>

// Texts of the start-up window's update offer and count line.
namespace UpdateTexts {

// Bytes in mebibytes with at most one decimal place, rounded half away from
// zero, no trailing zero: 3145728 gives "3", 3670016 gives "3,5" with ','.
QString sizeText(qint64 bytes, QChar decimalPoint);

// "Nová verze (0.4) programu Sonaro Klient je k dispozici. Aktualizovat? (Velikost: 1 MB)"
QString offerQuestion(const QString &version, const QString &sizeText);

// "V naší databázi je: " + count + " MP3"
QString databaseCountText(const QString &count);

} // namespace UpdateTexts
