#include "com/classfactory.h"

#include <exception>

namespace zem {

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    try {
        return create_(usage_, iid, object);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_FAIL;
    }
}

HRESULT ClassFactory::LockServer(bool lock)
{
    if (usage_)
        usage_->Lock(lock);
    return S_OK;
}

HRESULT HandOver(IUnknown* fresh, REFIID iid, void** object)
{
    const HRESULT hr = fresh->QueryInterface(iid, object);
    fresh->Release();
    return hr;
}

}  // namespace zem
