#pragma once

#include "TReplyResult.h"
#include "XmlDom.h"

#include <QByteArrayView>

#include <string_view>

// What every reply reader starts with.
namespace ServiceReply {

// Parses body and returns its root element when the root's `data` is exactly kind.
TReplyResult<IXmlElement> Root(QByteArrayView body, std::string_view kind);

// The element that is child index of parent, or a rekMissingPart error naming what.
TReplyResult<IXmlElement> ChildElement(const IXmlElement &parent, int index, const char *what);

// The Text of child index of parent, or a rekMissingPart error naming what.
TReplyResult<std::string> ChildText(const IXmlElement &parent, int index, const char *what);

// A strict decimal integer: optional sign and digits, nothing else.
bool ParseInteger(std::string_view text, long long &value);

TReplyError Missing(std::string what);
TReplyError NotANumber(std::string what, std::string_view text);

} // namespace ServiceReply
