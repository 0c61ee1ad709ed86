#include "TextFold.h"

#include "Windows1250.h"

#include <QChar>
#include <QString>

#include <array>

namespace {

std::array<char, 256> buildTable()
{
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80) {
            table[b] = (b >= 'A' && b <= 'Z') ? char(b - 'A' + 'a') : char(b);
            continue;
        }
        const QChar c(Windows1250::toUnicode(static_cast<unsigned char>(b)));
        // Letters without a decomposition of their own.
        switch (c.unicode()) {
        case 0x0141: case 0x0142: table[b] = 'l'; continue;  // Ł ł
        case 0x0110: case 0x0111: table[b] = 'd'; continue;  // Đ đ
        case 0x00DF: table[b] = 's'; continue;               // ß
        default: break;
        }
        const QString base = QString(c).normalized(QString::NormalizationForm_KD);
        char folded = ' ';
        if (!base.isEmpty() && base[0].unicode() < 0x80 && base[0].isLetterOrNumber())
            folded = char(base[0].toLower().unicode());
        table[b] = folded;
    }
    return table;
}

} // namespace

namespace TextFold {

std::string fold(std::string_view windows1250)
{
    static const std::array<char, 256> table = buildTable();
    std::string out(windows1250.size(), ' ');
    for (size_t i = 0; i < windows1250.size(); ++i)
        out[i] = table[static_cast<unsigned char>(windows1250[i])];
    return out;
}

} // namespace TextFold
