#include "ShiftHex.h"

#include "ConversionError.h"
#include "HexDigits.h"

QByteArray EncodeShiftHex(QByteArrayView text, unsigned char key)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        int s = static_cast<unsigned char>(c) + key;
        if (s > 255)
            s -= 255;
        out.append(HexDigits::kUpper[s >> 4]);
        out.append(HexDigits::kUpper[s & 0x0F]);
    }
    return out;
}

QByteArray DecodeShiftHex(QByteArrayView text, unsigned char key)
{
    QByteArray out;
    out.reserve(text.size() / 2);
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int high = HexDigits::valueOf(text[i]);
        const int low = HexDigits::valueOf(text[i + 1]);
        if (high < 0 || low < 0)
            throw ConversionError("'$" + std::string(text.data() + i, 2) + "' is not a valid integer value");
        int b = (high << 4 | low) - key;
        if (b < 0)
            b += 255;
        out.append(static_cast<char>(b));
    }
    return out;
}
