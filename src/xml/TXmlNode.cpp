#include "EXmlError.h"
#include "TXmlCDATASection.h"
#include "TXmlComment.h"
#include "TXmlDocument.h"
#include "TXmlElement.h"
#include "TXmlNameTable.h"
#include "TXmlNodeList.h"
#include "TXmlStore.h"
#include "TXmlText.h"

const std::string &TXmlNode::NodeName() const
{
    return names_->Name(nameId_);
}

std::string TXmlNode::Text() const
{
    std::string out;
    appendText(out);
    return out;
}

void TXmlNode::appendJoined(const TXmlNodeList &children, std::string &out)
{
    bool any = false;
    for (int i = 0, n = children.Count(); i < n; ++i) {
        const TXmlNode *child = children.at(i);
        if (child->type_ != ntElement && child->type_ != ntText && child->type_ != ntCDATASection)
            continue;
        const std::size_t mark = out.size();
        if (any)
            out.push_back(' ');
        const std::size_t start = out.size();
        child->appendText(out);
        if (out.size() == start)
            out.resize(mark); // an empty text leaves no separator behind
        else
            any = true;
    }
}

IXmlNodeList TXmlNode::ChildNodes() const
{
    return TXmlNodeList::Empty();
}

IXmlNode TXmlNode::Self() const
{
    auto *self = const_cast<TXmlNode *>(this);
    if (!store_)
        return static_cast<TXmlDocument *>(self)->shared_from_this();
    return IXmlNode(store_->shared_from_this(), self);
}

IXmlNode TXmlNode::ParentNode() const
{
    if (!parent_)
        return {};
    if (parent_->type_ != ntDocument)
        return parent_->Self();
    // A top-level node: its document may be gone or may have reloaded since.
    IXmlDocument document = store_->document.lock();
    if (!document || document->tree_.get() != store_)
        return {};
    return document;
}

IXmlElement TXmlNode::AsElement() const
{
    if (type_ != ntElement)
        return {};
    return std::static_pointer_cast<TXmlElement>(Self());
}

IXmlNodeList TXmlNodeList::Empty()
{
    static const IXmlNodeList empty = std::make_shared<TXmlNodeList>(std::pmr::null_memory_resource());
    return empty;
}

IXmlNode TXmlNodeList::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw EXmlError(EXmlError::TKind::ListIndex, EXmlError::NoOffset);
    return nodes_[static_cast<std::size_t>(index)]->Self();
}

void TXmlNodeList::append(TXmlNode *node)
{
    // Grow in small steps while short, by a quarter once long.
    const std::size_t size = nodes_.size();
    if (size == nodes_.capacity())
        nodes_.reserve(size + (size < 9 ? 4 : size < 64 ? 16 : size / 4));
    nodes_.push_back(node);
}

TXmlText::TXmlText(std::string_view text, const TXmlNameTable *names, TXmlNode *parent, TXmlStore *store)
    : TXmlNode(ntText, TXmlNameTable::idText, names, parent, store), text_(text)
{
}

TXmlCDATASection::TXmlCDATASection(std::string_view text, const TXmlNameTable *names, TXmlNode *parent,
                                   TXmlStore *store)
    : TXmlCharacterData(ntCDATASection, TXmlNameTable::idCDATASection, text, names, parent, store)
{
}

void TXmlCDATASection::appendText(std::string &out) const
{
    std::size_t begin = 0, end = text_.size();
    while (begin < end && static_cast<unsigned char>(text_[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text_[end - 1]) <= 32)
        --end;
    out.append(text_.substr(begin, end - begin));
}

TXmlComment::TXmlComment(std::string_view text, const TXmlNameTable *names, TXmlNode *parent, TXmlStore *store)
    : TXmlCharacterData(ntComment, TXmlNameTable::idComment, text, names, parent, store)
{
}
