// One registry key in memory: its values in the order they were first written and its
// sub-keys sorted by name without regard to case. Names keep the case of their first writer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zem::registry {

// Upper-cases ASCII and Latin-1 letters: the form names are compared and sorted in.
std::string FoldName(std::string_view name);

struct RegValue {
    std::string name;  // "" is the default value
    uint32_t type = 0;
    std::string data;  // raw bytes
};

using KeyPath = std::vector<std::string>;

class KeyNode {
public:
    explicit KeyNode(std::string name = {}) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }

    const KeyNode* Find(const KeyPath& path) const;
    KeyNode* Find(const KeyPath& path);
    // Creates what is missing; created (optional) tells whether the last key was new.
    KeyNode& FindOrCreate(const KeyPath& path, bool* created = nullptr);

    KeyNode* Child(std::string_view name) const;
    // nullptr past the end.
    const KeyNode* ChildAt(size_t index) const;
    size_t ChildCount() const { return children_.size(); }
    bool RemoveChild(std::string_view name);

    const std::vector<RegValue>& Values() const { return values_; }
    const RegValue* Value(std::string_view name) const;
    // Replaces the data of an existing value in place, keeping its name and position.
    void SetValue(std::string_view name, uint32_t type, std::string data);
    bool RemoveValue(std::string_view name);

    // Removes every value and sub-key.
    void Clear();

private:
    std::string name_;
    std::vector<RegValue> values_;
    std::map<std::string, std::unique_ptr<KeyNode>> children_;  // by folded name
};

}  // namespace zem::registry
