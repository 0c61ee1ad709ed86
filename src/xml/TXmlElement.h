#pragma once

#include "TXmlAttributes.h"
#include "TXmlNode.h"
#include "TXmlNodeList.h"

#include <optional>

// An element: a tag name, attributes and children.
class TXmlElement : public TXmlNode
{
public:
    // The value of the attribute with exactly this name, or def when absent
    // (a present but empty attribute yields the empty text).
    std::string GetAttr(std::string_view name, std::string_view def = {}) const;
    // The attribute read as a decimal 32-bit integer, or def when absent;
    // raises EXmlConvertError when the value is not such a number.
    int GetIntAttr(std::string_view name, int def = 0) const;
    bool HasAttr(std::string_view name) const;
    int AttrCount() const { return attrs_.count(); }
    const std::string &AttrName(int index) const;
    std::string_view AttrValue(int index) const { return attrs_.value(index); }

    IXmlNodeList ChildNodes() const override;
    // Cheap access to the children for walking a tree.
    const TXmlNodeList &children() const { return children_; }

protected:
    void appendText(std::string &out) const override { appendJoined(children_, out); }

private:
    friend class TXmlParser;
    friend class TXmlStore;
    friend class TXmlDocument;
    TXmlElement(int nameId, const TXmlNameTable *names, TXmlNode *parent, TXmlStore *store,
                std::pmr::memory_resource *memory)
        : TXmlNode(ntElement, nameId, names, parent, store), children_(memory)
    {
    }

    std::optional<std::string_view> findAttr(std::string_view name) const;

    TXmlAttributes attrs_;
    TXmlNodeList children_;
};
