#pragma once

#include "TXmlNode.h"

// Raw character content taken from the text as it stands.
class TXmlCharacterData : public TXmlNode
{
public:
    std::string_view data() const { return text_; }

protected:
    TXmlCharacterData(TXmlNodeType type, int nameId, std::string_view text, const TXmlNameTable *names,
                      TXmlNode *parent, TXmlStore *store)
        : TXmlNode(type, nameId, names, parent, store), text_(text)
    {
    }
    void appendText(std::string &out) const override { out.append(text_); }

    const std::string_view text_;
};
