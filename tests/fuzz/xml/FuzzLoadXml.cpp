// Feeds arbitrary bytes to LoadXML and walks whatever tree results, parsed
// in full or up to a fault, through every read operation.
#include "XmlDom.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void walk(const IXmlNode &node, std::size_t &bytes)
{
    bytes += node->NodeName().size() + static_cast<std::size_t>(node->NodeType());
    if (IXmlElement element = node->AsElement()) {
        for (int i = 0; i < element->AttrCount(); ++i) {
            const std::string &name = element->AttrName(i);
            // Lookup by name must find the value stored under it.
            if (element->GetAttr(name, "\x01") != element->AttrValue(i))
                std::abort();
            try {
                bytes += static_cast<std::size_t>(element->GetIntAttr(name));
            } catch (const EXmlConvertError &) {
            }
        }
    }
    IXmlNodeList children = node->ChildNodes();
    for (int i = 0; i < children->Count(); ++i) {
        IXmlNode child = children->Item(i);
        if (child->ParentNode() != node)
            std::abort();
        walk(child, bytes);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    IXmlDocument document = CreateXmlDocument();
    try {
        document->LoadXML(std::string_view(reinterpret_cast<const char *>(data), size));
    } catch (const EXmlError &) {
    }
    std::size_t bytes = document->Text().size();
    walk(document, bytes);
    if (IXmlElement root = document->DocumentElement())
        bytes += root->Text().size();
    return bytes == 1 ? 0 : 0;
}
