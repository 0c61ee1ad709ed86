// The service's accent folding carries its own table, so that the service
// needs no toolkit; here it is checked against Qt's Unicode decomposition.
#include "TextFold.h"
#include "Windows1250.h"

#include <QChar>
#include <QString>

#include <gtest/gtest.h>

TEST(TextFold, TheTableIsTheDecompositionsBaseLetter)
{
    for (int b = 0x80; b < 0x100; ++b) {
        const QChar c(Windows1250::toUnicode(static_cast<unsigned char>(b)));
        char expected = ' ';
        if (c.unicode() == 0x0141 || c.unicode() == 0x0142) {
            expected = 'l';
        } else if (c.unicode() == 0x0110 || c.unicode() == 0x0111) {
            expected = 'd';
        } else if (c.unicode() == 0x00DF) {
            expected = 's';
        } else {
            const QString base = QString(c).normalized(QString::NormalizationForm_KD);
            if (!base.isEmpty() && base[0].unicode() < 0x80 && base[0].isLetterOrNumber())
                expected = char(base[0].toLower().unicode());
        }
        EXPECT_EQ(TextFold::fold(std::string(1, char(b))), std::string(1, expected)) << "byte " << b;
    }
    EXPECT_EQ(TextFold::fold(Windows1250::encode(QStringLiteral("Příliš ŽLUŤOUČKÝ")).toStdString()),
              "prilis zlutoucky");
}
