#include "KelFrame/markarray.h"

#include <algorithm>

namespace zem {

void CMarkArray::Add(uint32_t value)
{
    values_.insert(std::upper_bound(values_.begin(), values_.end(), value), value);
}

void CMarkArray::Copy(const CMarkArray* other)
{
    values_ = other ? other->values_ : std::vector<uint32_t>();
}

}  // namespace zem
