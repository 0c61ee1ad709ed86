#pragma once

#include "TXmlNode.h"

// A run of text between tags, references already decoded, blanks at its ends
// kept.
class TXmlText : public TXmlNode
{
public:
    std::string_view data() const { return text_; }

protected:
    void appendText(std::string &out) const override { out.append(text_); }

private:
    friend class TXmlStore;
    TXmlText(std::string_view text, const TXmlNameTable *names, TXmlNode *parent, TXmlStore *store);

    const std::string_view text_;
};
