#include "LedMarquee.h"

#include "Rounding.h"

namespace {

struct Fold {
    char16_t from;
    char16_t to;
};

// Applied in this order; capitals fold to small letters, which the LED
// label draws the same.
constexpr Fold FoldTable[30] = {
    {u'ě', u'e'}, {u'š', u's'}, {u'č', u'c'}, {u'ř', u'r'}, {u'ž', u'z'},
    {u'ý', u'y'}, {u'á', u'a'}, {u'í', u'i'}, {u'é', u'e'}, {u'ň', u'n'},
    {u'ď', u'd'}, {u'ť', u't'}, {u'ů', u'u'}, {u'ú', u'u'}, {u'ó', u'o'},
    {u'Ě', u'e'}, {u'Š', u's'}, {u'Č', u'c'}, {u'Ř', u'r'}, {u'Ž', u'z'},
    {u'Ý', u'y'}, {u'Á', u'a'}, {u'Í', u'i'}, {u'É', u'e'}, {u'Ň', u'n'},
    {u'Ď', u'd'}, {u'Ť', u't'}, {u'Ů', u'u'}, {u'Ú', u'u'}, {u'Ó', u'o'},
};

} // namespace

QString LedMarquee::emptyTitle()
{
    return QStringLiteral("Klient");
}

QString LedMarquee::fold(QStringView text)
{
    QString out = text.toString();
    // Each letter maps to one plain letter, so one pass per character gives
    // the same result as replacing pair after pair.
    for (QChar &c : out) {
        for (const Fold &f : FoldTable) {
            if (c.unicode() == f.from) {
                c = QChar(f.to);
                break;
            }
        }
    }
    return out;
}

QString LedMarquee::step(QString &ledText, int &ledScrollPos)
{
    ledText = fold(ledText);
    if (ledText.isEmpty())
        ledText = emptyTitle();
    const qsizetype n = ledText.size();

    if (n < Width) {
        const int p = roundHalfEven((Width - n) / 2.0);
        const QString margin(p, u' ');
        return margin + ledText + margin;
    }
    if (n == Width)
        return ledText;

    // Offsets run 0 .. n + 5, then 1 .. n + 5 again: offset n + 5 looks like
    // offset 0. An offset outside that range (a title replaced without
    // resetting it) restarts the loop instead of showing nothing.
    if (ledScrollPos >= n + Gap + 1 || ledScrollPos < 0)
        ledScrollPos = 1;
    const QString loop = ledText + QString(Gap, u' ') + ledText;
    const QString shown = loop.mid(ledScrollPos, Width);
    ++ledScrollPos;
    return shown;
}
