#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised by the parser and by an out-of-range TXmlNodeList::Item. The message
// is UTF-8; characters quoted from the document are converted from
// Windows-1250 so the whole text is readable.
class EXmlError : public std::runtime_error
{
public:
    enum class TKind {
        NameStart,           // a name begins with something other than a letter or "_"
        UnfinishedElement,   // the text ends inside a start tag's name
        NameCharacter,       // a start tag's name runs into a character names cannot hold
        TooDeep,             // more open elements than TXmlDocument::MaxDepth
        AttributeValue,      // the text ends where an attribute's value belongs
        QuotedValue,         // an attribute's value is not quoted
        LessThanInAttribute, // "<" inside an attribute's value
        ReferenceStart,      // "&" followed by neither "#" nor a name
        HexNumber,           // "&#x" without hexadecimal digits
        Number,              // "&#" without decimal digits
        UnknownReference,    // "&name;" with a name that is not predefined
        Expected,            // a given text had to follow (Detail says which)
        ListIndex,           // TXmlNodeList::Item outside 0..Count()-1
    };
    // Where the document's text has no place in the fault.
    static constexpr std::size_t NoOffset = std::string::npos;

    // detail: the expected text (Windows-1250) for Expected, otherwise unused.
    EXmlError(TKind kind, std::size_t offset, std::string_view detail = {});

    TKind Kind() const { return kind_; }
    // Byte offset into the parsed text where the fault was found: the
    // character that does not fit, the end of the text when it ends too early,
    // the name of an unknown reference.
    std::size_t Offset() const { return offset_; }

private:
    static std::string messageOf(TKind kind, std::string_view detail);

    TKind kind_;
    std::size_t offset_;
};
