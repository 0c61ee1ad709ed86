#pragma once

#include "TXmlAttributes.h"
#include "TXmlNode.h"

// A processing instruction. The "xml" declaration holds attributes; any
// other target holds its raw text, which is also its Text.
class TXmlProcessingInstruction : public TXmlNode
{
public:
    std::string GetAttr(std::string_view name, std::string_view def = {}) const;
    int AttrCount() const { return attrs_.count(); }
    std::string_view data() const { return text_; }

protected:
    void appendText(std::string &out) const override { out.append(text_); }

private:
    friend class TXmlParser;
    friend class TXmlStore;
    friend class TXmlDocument;
    TXmlProcessingInstruction(int nameId, std::string_view text, const TXmlNameTable *names, TXmlNode *parent,
                              TXmlStore *store)
        : TXmlNode(ntProcessingInstruction, nameId, names, parent, store), text_(text)
    {
    }

    std::string_view text_;
    TXmlAttributes attrs_;
};
