#pragma once

#include <QByteArrayView>
#include <QColor>
#include <QString>

class QTextDocument;

// The help markup: a "help" root whose "text" children are runs of
// formatted text. Attributes of a run: font (face), col (six hexadecimal
// digits, blue in the high byte), vel (size in points), b/i/u ("ano" turns
// the style on), pos ("l", "r", "c": alignment of the paragraph the run
// starts in). In a run's text "/n" is a line break and "/p" a "<".
class HelpMarkup
{
public:
    // Replaces the document's content with the rendered runs, in order.
    // Raises EXmlError for text that does not parse (the document keeps what
    // it showed) and ConversionError for a vel or col that is not a number
    // (the runs before the faulty one stay).
    // A missing attribute leaves that property as the run before had it.
    static void render(QTextDocument &document, QByteArrayView markup);

    // "/n" becomes a line break, then "/p" becomes "<".
    static QString unescape(QString text);
    // Six hexadecimal digits read as blue-green-red; raises ConversionError
    // for anything else.
    static QColor colour(QByteArrayView digits);
};
