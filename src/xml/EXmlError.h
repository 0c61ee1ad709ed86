#pragma once

#include <stdexcept>
#include <string>

// Raised by the parser and by an out-of-range TXmlNodeList::Item. The message
// is UTF-8; characters quoted from the document are converted from
// Windows-1250 so the whole text is readable.
class EXmlError : public std::runtime_error
{
public:
    explicit EXmlError(const std::string &message) : std::runtime_error(message) {}
};
