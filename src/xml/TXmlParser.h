#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "EXmlError.h"
#include "TXmlAttributes.h"

class TXmlDocument;
class TXmlElement;
class TXmlNameTable;
class TXmlNode;
class TXmlNodeList;
class TXmlStore;

// Reads a text into a document's arena. It walks the nesting with an explicit
// stack of open elements, so deep input costs heap, never call stack.
class TXmlParser
{
public:
    TXmlParser(TXmlDocument &document, TXmlStore &store, TXmlNameTable &names, std::string_view text);
    // Appends the text's top-level nodes to the document; raises EXmlError.
    void parse();

private:
    struct Open {
        TXmlElement *element;
        const std::string *name;
    };

    void readTextRun(TXmlNode *parent, TXmlNodeList &list);
    void readElement(TXmlNode *parent, TXmlNodeList &list);
    void readProcessingInstruction(TXmlNode *parent, TXmlNodeList &list);
    // After "<!"; false when the text ends there.
    bool readMarkup(TXmlNode *parent, TXmlNodeList &list);
    void readAttributes(TXmlAttributes &attrs);
    void readAttributeList();
    std::string_view readQuoted();
    char readReference();
    std::string_view readName();
    void skipBlanks();
    void expectChar(char c);
    void expectText(std::string_view text);
    std::string_view collectUntil(std::string_view terminator);

    // Both raise EXmlError at the current position.
    [[noreturn]] void fail(EXmlError::TKind kind) const;
    [[noreturn]] void failExpected(std::string_view what) const;

    TXmlDocument &document_;
    TXmlStore &store_;
    TXmlNameTable &names_;
    const char *const begin_;
    const char *p_;
    const char *const end_;
    std::vector<Open> open_;
    std::uint32_t nameHash_ = 0; // TXmlNameTable::Hash of the name readName returned last
    std::string scratch_; // text with references, before it moves to the arena
    std::vector<TXmlAttributes::Item> attrs_; // the attributes of the tag being read
};
