#pragma once

#include "XmlInterfaces.h"

#include <string>
#include <string_view>

class TXmlStore;

// Base of every node kind. Names and texts are Windows-1250 bytes, exactly
// as the parsed text held them (references decoded).
class TXmlNode
{
public:
    TXmlNode(const TXmlNode &) = delete;
    TXmlNode &operator=(const TXmlNode &) = delete;
    virtual ~TXmlNode() = default;

    int NodeType() const { return type_; }
    // The tag or target name, or "#text", "#cdata-section", "#comment", "#document".
    const std::string &NodeName() const;
    // Element and document: the texts of the element, text and CDATA children,
    // empty ones left out, joined with one space. Other kinds: see subclasses.
    std::string Text() const;
    // The children in document order; an empty list for a node without any.
    virtual IXmlNodeList ChildNodes() const;
    // None for the document and for nodes a reload has removed.
    IXmlNode ParentNode() const;

    // This node as an element, or none when it is another kind.
    IXmlElement AsElement() const;
    // A new reference to this node.
    IXmlNode Self() const;

protected:
    TXmlNode(TXmlNodeType type, int nameId, const TXmlNameTable *names, TXmlNode *parent, TXmlStore *store)
        : type_(type), nameId_(nameId), names_(names), parent_(parent), store_(store)
    {
    }

    // Appends what Text() returns.
    virtual void appendText(std::string &out) const = 0;
    static void appendJoined(const TXmlNodeList &children, std::string &out);

    friend class TXmlParser;

    const TXmlNodeType type_;
    const int nameId_;
    const TXmlNameTable *const names_;
    TXmlNode *const parent_;
    // The arena this node lives in; null for the document itself.
    TXmlStore *const store_;
};
