#pragma once

#include "TXmlCharacterData.h"

class TXmlComment : public TXmlCharacterData
{
private:
    friend class TXmlStore;
    TXmlComment(std::string_view text, const TXmlNameTable *names, TXmlNode *parent, TXmlStore *store);
};
