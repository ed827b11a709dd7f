#include "registry/keytree.h"

#include <algorithm>
#include <iterator>

namespace zem::registry {
namespace {

char FoldChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<char>(u - 0x20);
    // Latin-1 lower-case letters, except the division sign and y with diaeresis.
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
        return static_cast<char>(u - 0x20);
    return c;
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return FoldChar(x) == FoldChar(y); });
}

}  // namespace

std::string FoldName(std::string_view name)
{
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldChar);
    return folded;
}

const KeyNode* KeyNode::Find(const KeyPath& path) const
{
    const KeyNode* node = this;
    for (const std::string& part : path) {
        node = node->Child(part);
        if (!node)
            return nullptr;
    }
    return node;
}

KeyNode* KeyNode::Find(const KeyPath& path)
{
    return const_cast<KeyNode*>(static_cast<const KeyNode*>(this)->Find(path));
}

KeyNode& KeyNode::FindOrCreate(const KeyPath& path, bool* created)
{
    KeyNode* node = this;
    bool madeLast = false;
    for (const std::string& part : path) {
        auto [it, inserted] = node->children_.try_emplace(FoldName(part));
        if (inserted)
            it->second = std::make_unique<KeyNode>(part);
        madeLast = inserted;
        node = it->second.get();
    }
    if (created)
        *created = madeLast;
    return *node;
}

KeyNode* KeyNode::Child(std::string_view name) const
{
    auto it = children_.find(FoldName(name));
    return it == children_.end() ? nullptr : it->second.get();
}

const KeyNode* KeyNode::ChildAt(size_t index) const
{
    if (index >= children_.size())
        return nullptr;
    return std::next(children_.begin(), static_cast<std::ptrdiff_t>(index))->second.get();
}

bool KeyNode::RemoveChild(std::string_view name)
{
    return children_.erase(FoldName(name)) > 0;
}

const RegValue* KeyNode::Value(std::string_view name) const
{
    for (const RegValue& value : values_) {
        if (SameName(value.name, name))
            return &value;
    }
    return nullptr;
}

void KeyNode::SetValue(std::string_view name, uint32_t type, std::string data)
{
    for (RegValue& value : values_) {
        if (SameName(value.name, name)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    values_.push_back(RegValue{std::string(name), type, std::move(data)});
}

bool KeyNode::RemoveValue(std::string_view name)
{
    auto it = std::find_if(values_.begin(), values_.end(),
                           [&](const RegValue& value) { return SameName(value.name, name); });
    if (it == values_.end())
        return false;
    values_.erase(it);
    return true;
}

void KeyNode::Clear()
{
    values_.clear();
    children_.clear();
}

}  // namespace zem::registry
