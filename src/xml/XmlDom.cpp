#include "XmlDom.h"

IXmlDocument CreateXmlDocument(std::string_view rootName, std::string_view version, std::string_view encoding,
                               std::shared_ptr<TXmlNameTable> names)
{
    if (!names)
        names = TXmlNameTable::Shared();
    auto document = std::make_shared<TXmlDocument>(names);
    if (rootName.empty())
        return document;

    document->addDeclarationAndRoot(rootName, version, encoding);
    return document;
}
