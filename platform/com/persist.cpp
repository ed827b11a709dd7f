#include "com/persist.h"

namespace zem {

HRESULT PropertyBag::Read(const std::string& name, VARIANT* value)
{
    if (!value)
        return E_POINTER;
    const auto found = values_.find(name);
    if (found == values_.end())
        return E_INVALIDARG;
    if (value->vt == VT_EMPTY) {
        *value = found->second;
        return S_OK;
    }
    return VariantChangeType(value, found->second, value->vt);
}

HRESULT PropertyBag::Write(const std::string& name, const VARIANT& value)
{
    values_[name] = value;
    return S_OK;
}

void PropExchange::Long(const char* name, int32_t& value, int32_t fallback)
{
    if (!loading_) {
        if (bag_)
            bag_->Write(name, VARIANT::I4(value));
        return;
    }
    VARIANT read;
    read.vt = VT_I4;
    value = bag_ && SUCCEEDED(bag_->Read(name, &read)) ? read.lVal : fallback;
}

void PropExchange::ULong(const char* name, uint32_t& value, uint32_t fallback)
{
    int32_t bits = static_cast<int32_t>(value);
    Long(name, bits, static_cast<int32_t>(fallback));
    value = static_cast<uint32_t>(bits);
}

bool PropExchange::Version(uint32_t version, bool convert)
{
    versionLoaded_ = version;
    ULong("_Version", versionLoaded_, version);
    return !loading_ || convert || versionLoaded_ == version;
}

}  // namespace zem
