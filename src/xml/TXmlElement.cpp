#include "TXmlElement.h"

#include "EXmlConvertError.h"
#include "TXmlNameTable.h"
#include "TXmlProcessingInstruction.h"
#include "TXmlStore.h"
#include "Windows1250.h"

#include <charconv>

void TXmlAttributes::set(int nameId, std::string_view value)
{
    for (Item &item : items_) {
        if (item.nameId == nameId) {
            item.value = value;
            return;
        }
    }
    const std::size_t size = items_.size();
    if (size == items_.capacity())
        items_.reserve(size + (size < 9 ? 4 : size < 64 ? 16 : size / 4));
    items_.push_back({nameId, value});
}

const std::string_view *TXmlAttributes::find(int nameId) const
{
    for (const Item &item : items_) {
        if (item.nameId == nameId)
            return &item.value;
    }
    return nullptr;
}

const std::string_view *TXmlElement::findAttr(std::string_view name) const
{
    const int id = names_->Find(name);
    return id < 0 ? nullptr : attrs_.find(id);
}

std::string TXmlElement::GetAttr(std::string_view name, std::string_view def) const
{
    const std::string_view *value = findAttr(name);
    return std::string(value ? *value : def);
}

bool TXmlElement::HasAttr(std::string_view name) const
{
    return findAttr(name) != nullptr;
}

int TXmlElement::GetIntAttr(std::string_view name, int def) const
{
    const std::string_view *value = findAttr(name);
    if (!value)
        return def;
    std::string_view digits = *value;
    const bool plus = !digits.empty() && digits.front() == '+';
    if (plus)
        digits.remove_prefix(1); // from_chars takes '-' but not '+'
    int result = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    const bool signTwice = plus && !digits.empty() && digits.front() == '-';
    if (digits.empty() || signTwice || error != std::errc() || end != digits.data() + digits.size())
        throw EXmlConvertError("\"" + Windows1250::toUtf8(*value) + "\" is not a decimal integer");
    return result;
}

const std::string &TXmlElement::AttrName(int index) const
{
    return names_->Name(attrs_.nameId(index));
}

IXmlNodeList TXmlElement::ChildNodes() const
{
    return IXmlNodeList(store_->shared_from_this(), const_cast<TXmlNodeList *>(&children_));
}

std::string TXmlProcessingInstruction::GetAttr(std::string_view name, std::string_view def) const
{
    const int id = names_->Find(name);
    const std::string_view *value = id < 0 ? nullptr : attrs_.find(id);
    return std::string(value ? *value : def);
}
