#pragma once

#include <memory>

// References to the document model. A node lives as long as one of these, or
// its parent's child list, refers to it; holding any node of a parsed tree
// keeps that whole tree's storage alive.
class TXmlNameTable;
class TXmlNodeList;
class TXmlNode;
class TXmlElement;
class TXmlDocument;

using IXmlNode = std::shared_ptr<TXmlNode>;
using IXmlElement = std::shared_ptr<TXmlElement>;
using IXmlDocument = std::shared_ptr<TXmlDocument>;
using IXmlNodeList = std::shared_ptr<TXmlNodeList>;

// NodeType codes; the numbers are the conventional DOM ones.
enum TXmlNodeType : int {
    ntElement = 1,
    ntText = 3,
    ntCDATASection = 4,
    ntProcessingInstruction = 7,
    ntComment = 8,
    ntDocument = 9,
};
