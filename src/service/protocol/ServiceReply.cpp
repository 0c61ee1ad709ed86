#include "ServiceReply.h"

#include "Windows1250.h"

#include <charconv>

namespace ServiceReply {

TReplyResult<IXmlElement> Root(QByteArrayView body, std::string_view kind)
{
    IXmlDocument document = CreateXmlDocument();
    try {
        document->LoadXML(std::string_view(body.data(), static_cast<std::size_t>(body.size())));
    } catch (const EXmlError &error) {
        return TReplyError{TReplyErrorKind::rekNotXml, std::string("reply is not XML: ") + error.what()};
    }
    IXmlElement root = document->DocumentElement();
    if (!root)
        return TReplyError{TReplyErrorKind::rekNotXml, "reply has no root element"};
    const std::string data = root->GetAttr("data");
    if (data != kind)
        return TReplyError{TReplyErrorKind::rekWrongKind, "reply data is \"" + Windows1250::toUtf8(data)
                                                              + "\", expected \"" + std::string(kind) + "\""};
    return root;
}

TReplyResult<IXmlElement> ChildElement(const IXmlElement &parent, int index, const char *what)
{
    IXmlNodeList children = parent->ChildNodes();
    if (index >= children->Count())
        return Missing(what);
    IXmlElement element = children->Item(index)->AsElement();
    if (!element)
        return TReplyError{TReplyErrorKind::rekMissingPart, std::string(what) + " is not an element"};
    return element;
}

TReplyResult<std::string> ChildText(const IXmlElement &parent, int index, const char *what)
{
    IXmlNodeList children = parent->ChildNodes();
    if (index >= children->Count())
        return Missing(what);
    return children->Item(index)->Text();
}

bool ParseInteger(std::string_view text, long long &value)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

TReplyError Missing(std::string what)
{
    return {TReplyErrorKind::rekMissingPart, "reply lacks " + what};
}

TReplyError NotANumber(std::string what, std::string_view text)
{
    return {TReplyErrorKind::rekNotANumber, what + " is not a decimal integer: \"" + Windows1250::toUtf8(text) + "\""};
}

} // namespace ServiceReply
