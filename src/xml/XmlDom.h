#pragma once

// The document model: create a document, LoadXML a text into it, then walk it
// with DocumentElement, ChildNodes, Item, GetAttr and Text.
#include "EXmlConvertError.h"
#include "EXmlError.h"
#include "TXmlCDATASection.h"
#include "TXmlComment.h"
#include "TXmlDocument.h"
#include "TXmlElement.h"
#include "TXmlNameTable.h"
#include "TXmlNodeList.h"
#include "TXmlProcessingInstruction.h"
#include "TXmlText.h"

#include <memory>
#include <string_view>

// An empty document on the given name table, or on this thread's shared one.
// With a root name the document also receives an "xml" declaration carrying
// version and encoding ("windows-1251" when none is given) and an empty root
// element of that name.
IXmlDocument CreateXmlDocument(std::string_view rootName = {}, std::string_view version = "1.0",
                               std::string_view encoding = {}, std::shared_ptr<TXmlNameTable> names = {});
