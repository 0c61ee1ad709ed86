#include "HelpMarkup.h"

#include "ConversionError.h"
#include "Conversions.h"
#include "Windows1250.h"
#include "XmlDom.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <cctype>
#include <optional>

namespace {

bool isOn(const std::string &value)
{
    return value == "ano";
}

// A property is applied only when its attribute is there.
std::optional<std::string> attribute(const TXmlElement &element, std::string_view name)
{
    if (!element.HasAttr(name))
        return std::nullopt;
    return element.GetAttr(name);
}

} // namespace

QString HelpMarkup::unescape(QString text)
{
    // A paragraph break, as the rich-text view stores a CR LF pair.
    text.replace(QLatin1String("/n"), QString(QChar::ParagraphSeparator));
    text.replace(QLatin1String("/p"), QLatin1String("<"));
    return text;
}

QColor HelpMarkup::colour(QByteArrayView digits)
{
    bool ok = digits.size() <= 6;
    for (const char c : digits)
        ok = ok && std::isxdigit(static_cast<unsigned char>(c));
    if (!ok)
        throw ConversionError("'" + Windows1250::toUtf8(std::string_view(digits.data(), digits.size()))
                              + "' is not a valid colour value");
    const unsigned value = digits.isEmpty() ? 0u : QByteArray(digits.data(), digits.size()).toUInt(nullptr, 16);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void HelpMarkup::render(QTextDocument &document, QByteArrayView markup)
{
    const IXmlDocument xml = CreateXmlDocument();
    xml->LoadXML(std::string_view(markup.data(), markup.size()));
    const IXmlElement root = xml->DocumentElement();
    document.clear();
    if (!root)
        return;

    QTextCursor cursor(&document);
    QTextCharFormat format;
    const TXmlNodeList &runs = root->children();
    for (int i = 0; i < runs.Count(); ++i) {
        const IXmlElement run = runs.Item(i)->AsElement();
        if (!run)
            continue; // whitespace or comments between runs
        if (const auto face = attribute(*run, "font"))
            format.setFontFamilies({Windows1250::decode(QByteArrayView(*face))});
        if (const auto col = attribute(*run, "col"))
            format.setForeground(colour(QByteArrayView(*col)));
        if (const auto vel = attribute(*run, "vel")) {
            const int points = Conversions::StrToInt(QByteArrayView(*vel));
            // Qt refuses sizes below one point; such a run keeps the size before.
            if (points > 0)
                format.setFontPointSize(points);
        }
        if (const auto pos = attribute(*run, "pos")) {
            QTextBlockFormat block;
            if (*pos == "l")
                block.setAlignment(Qt::AlignLeft);
            else if (*pos == "r")
                block.setAlignment(Qt::AlignRight);
            else if (*pos == "c")
                block.setAlignment(Qt::AlignHCenter);
            if (block.hasProperty(QTextFormat::BlockAlignment))
                cursor.mergeBlockFormat(block);
        }
        format.setFontWeight(isOn(run->GetAttr("b")) ? QFont::Bold : QFont::Normal);
        format.setFontItalic(isOn(run->GetAttr("i")));
        format.setFontUnderline(isOn(run->GetAttr("u")));
        cursor.insertText(unescape(Windows1250::decode(QByteArrayView(run->Text()))), format);
    }
}
