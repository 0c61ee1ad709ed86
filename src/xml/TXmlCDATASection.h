#pragma once

#include "TXmlCharacterData.h"

// A CDATA section. Its Text drops blanks (codes 0 to 32) at both ends;
// data() keeps them.
class TXmlCDATASection : public TXmlCharacterData
{
protected:
    void appendText(std::string &out) const override;

private:
    friend class TXmlStore;
    TXmlCDATASection(std::string_view text, const TXmlNameTable *names, TXmlNode *parent, TXmlStore *store);
};
