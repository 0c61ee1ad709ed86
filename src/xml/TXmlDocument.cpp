#include "TXmlDocument.h"

#include "TXmlElement.h"
#include "TXmlNameTable.h"
#include "TXmlParser.h"
#include "TXmlProcessingInstruction.h"
#include "TXmlStore.h"

#include <QByteArray>

TXmlDocument::TXmlDocument(std::shared_ptr<TXmlNameTable> names)
    : TXmlNode(ntDocument, TXmlNameTable::idDocument, names.get(), nullptr, nullptr), names_(std::move(names)),
      children_(std::pmr::new_delete_resource())
{
}

TXmlDocument::~TXmlDocument() = default;

TXmlStore &TXmlDocument::renew()
{
    children_.clear();
    tree_ = std::make_shared<TXmlStore>(names_, weak_from_this());
    return *tree_;
}

void TXmlDocument::LoadXML(std::string_view text)
{
    TXmlStore &store = renew();
    TXmlParser(*this, store, *names_, text).parse();
}

void TXmlDocument::LoadXML(const QByteArray &text)
{
    LoadXML(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

IXmlElement TXmlDocument::DocumentElement() const
{
    for (int i = 0, n = children_.Count(); i < n; ++i) {
        if (children_.at(i)->NodeType() == ntElement)
            return children_.at(i)->AsElement();
    }
    return {};
}

IXmlNodeList TXmlDocument::ChildNodes() const
{
    return IXmlNodeList(const_cast<TXmlDocument *>(this)->shared_from_this(),
                        const_cast<TXmlNodeList *>(&children_));
}

void TXmlDocument::addDeclarationAndRoot(std::string_view rootName, std::string_view version,
                                         std::string_view encoding)
{
    TXmlStore &store = renew();
    auto *declaration = store.make<TXmlProcessingInstruction>(TXmlNameTable::idXml, std::string_view(),
                                                              names_.get(), this, &store);
    std::vector<TXmlAttributes::Item> attrs;
    TXmlAttributes::set(attrs, names_->Add("version"), store.copy(version));
    TXmlAttributes::set(attrs, names_->Add("encoding"), store.copy(encoding.empty() ? "windows-1251" : encoding));
    declaration->attrs_.assign(attrs, store.memory);
    children_.append(declaration);
    children_.append(store.make<TXmlElement>(names_->Add(rootName), names_.get(), this, &store, &store.memory));
}
