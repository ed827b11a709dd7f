// The index marks of a slider: 32-bit values kept in ascending order, compared as unsigned
// numbers (a negative mark sorts after every positive one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zem {

class CMarkArray {
public:
    void Add(uint32_t value);
    // Replaces every mark by a copy of other's; null removes all.
    void Copy(const CMarkArray* other);
    void RemoveAll() { values_.clear(); }
    size_t GetSize() const { return values_.size(); }
    uint32_t GetAt(size_t index) const { return values_.at(index); }
    const std::vector<uint32_t>& Values() const { return values_; }

private:
    std::vector<uint32_t> values_;
};

}  // namespace zem
