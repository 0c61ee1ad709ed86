#include "TXmlElement.h"

#include "EXmlConvertError.h"
#include "TXmlNameTable.h"
#include "TXmlProcessingInstruction.h"
#include "TXmlStore.h"
#include "Windows1250.h"

#include <algorithm>
#include <charconv>

void TXmlAttributes::set(std::vector<Item> &building, int nameId, std::string_view value)
{
    for (Item &item : building) {
        if (item.nameId == nameId) {
            item.size = static_cast<std::uint32_t>(value.size());
            item.data = value.data();
            return;
        }
    }
    building.push_back({nameId, static_cast<std::uint32_t>(value.size()), value.data()});
}

void TXmlAttributes::assign(const std::vector<Item> &built, std::pmr::memory_resource &memory)
{
    if (built.empty())
        return;
    auto *items = static_cast<Item *>(memory.allocate(built.size() * sizeof(Item), alignof(Item)));
    std::copy(built.begin(), built.end(), items);
    items_ = items;
    count_ = static_cast<std::uint32_t>(built.size());
}

const TXmlAttributes::Item *TXmlAttributes::find(int nameId) const
{
    for (std::uint32_t i = 0; i < count_; ++i) {
        if (items_[i].nameId == nameId)
            return &items_[i];
    }
    return nullptr;
}

std::optional<std::string_view> TXmlElement::findAttr(std::string_view name) const
{
    const int id = names_->Find(name);
    const TXmlAttributes::Item *item = id < 0 ? nullptr : attrs_.find(id);
    return item ? std::optional(item->value()) : std::nullopt;
}

std::string TXmlElement::GetAttr(std::string_view name, std::string_view def) const
{
    const std::optional<std::string_view> value = findAttr(name);
    return std::string(value ? *value : def);
}

bool TXmlElement::HasAttr(std::string_view name) const
{
    return findAttr(name).has_value();
}

int TXmlElement::GetIntAttr(std::string_view name, int def) const
{
    const std::optional<std::string_view> value = findAttr(name);
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
    const TXmlAttributes::Item *item = id < 0 ? nullptr : attrs_.find(id);
    return std::string(item ? item->value() : def);
}
