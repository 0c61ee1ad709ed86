#include "PanelText.h"

namespace PanelText {

namespace {

void appendTwoDigits(QString &out, unsigned value)
{
    out += QChar(u'0' + value / 10);
    out += QChar(u'0' + value % 10);
}

} // namespace

QString timeText(std::uint32_t ms)
{
    const std::uint32_t seconds = ms / 1000;
    QString out;
    out.reserve(5);
    appendTwoDigits(out, seconds / 60 % 60);
    out += u':';
    appendTwoDigits(out, seconds % 60);
    return out;
}

QString bitrateText(std::int64_t bitRate)
{
    QString out = QString::number(bitRate);
    const qsizetype pad = 11 - out.size();
    out += QStringLiteral(" kb/s");
    if (pad > 0)
        out += QString(pad, u' ');
    return out;
}

QString numbers(const QString &bitrateText, std::uint32_t positionMs, const QString &totalTimeText)
{
    QString out;
    out.reserve(bitrateText.size() + 6 + totalTimeText.size());
    out += bitrateText;
    out += timeText(positionMs);
    out += u'/';
    out += totalTimeText;
    return out;
}

} // namespace PanelText
