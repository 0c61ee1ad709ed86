#include "PlaylistFormat.h"

#include "ShiftHex.h"
#include "XmlDom.h"

#include <exception>

namespace PlaylistFormat {

namespace {

const char *escapeFor(char c)
{
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\xFF': return "&#255;";
    default: return nullptr;
    }
}

void appendEscaped(QByteArray &out, const QByteArray &value)
{
    // Plain runs go in whole; a playlist is mostly plain text.
    const char *run = value.constData();
    const char *const end = run + value.size();
    for (const char *p = run; p != end; ++p) {
        if (const char *entity = escapeFor(*p)) {
            out.append(run, p - run);
            out.append(entity);
            run = p + 1;
        }
    }
    out.append(run, end - run);
}

QByteArray bytes(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

QByteArray plainText(const QList<PlaylistEntry> &entries)
{
    QByteArray out;
    qsizetype size = 21;
    for (const PlaylistEntry &e : entries)
        size += 40 + e.length.size() + e.url.size() + e.trackId.size() + e.title.size();
    out.reserve(size);
    out.append("<playlist>");
    for (const PlaylistEntry &e : entries) {
        out.append("<item cas=\"");
        appendEscaped(out, e.length);
        out.append("\" url=\"");
        appendEscaped(out, e.url);
        out.append("\" id=\"");
        appendEscaped(out, e.trackId);
        out.append("\">");
        appendEscaped(out, e.title);
        out.append("</item>");
    }
    out.append("</playlist>");
    return out;
}

QByteArray fileContent(const QList<PlaylistEntry> &entries)
{
    QByteArray out = EncodeShiftHex(plainText(entries), PlaylistKey);
    out.append("\r\n");
    return out;
}

QByteArrayView firstLine(QByteArrayView content)
{
    for (qsizetype i = 0; i < content.size(); ++i)
        if (content[i] == '\r' || content[i] == '\n')
            return content.first(i);
    return content;
}

Parsed parse(QByteArrayView line)
{
    Parsed result;
    IXmlDocument document;
    try {
        // A table of its own: names from a stray file must not stay interned
        // for the rest of the run.
        document = CreateXmlDocument({}, "1.0", {}, std::make_shared<TXmlNameTable>());
        const QByteArray plain = DecodeShiftHex(line, PlaylistKey);
        document->LoadXML(std::string_view(plain.constData(), static_cast<std::size_t>(plain.size())));
    } catch (const std::exception &) {
        // Digits or XML that do not make a playlist; the caller keeps its rows.
        result.outcome = Outcome::NotDecoded;
        return result;
    }
    const IXmlElement root = document->DocumentElement();
    if (!root || root->NodeName() != "playlist") {
        result.outcome = Outcome::WrongRoot;
        return result;
    }
    const IXmlNodeList children = root->ChildNodes();
    const int count = children->Count();
    result.entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        const IXmlNode node = children->Item(i);
        PlaylistEntry entry;
        entry.title = bytes(node->Text());
        // A text run between items is a row too, with empty columns.
        if (const IXmlElement item = node->AsElement()) {
            entry.length = bytes(item->GetAttr("cas"));
            entry.url = bytes(item->GetAttr("url"));
            entry.trackId = bytes(item->GetAttr("id"));
        }
        result.entries.append(std::move(entry));
    }
    result.outcome = Outcome::Loaded;
    return result;
}

} // namespace PlaylistFormat
