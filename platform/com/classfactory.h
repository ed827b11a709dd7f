// IClassFactory, and the factory of one class whose objects a create function makes.
#pragma once

#include "com/unknown.h"

namespace zem {

struct IClassFactory : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IClassFactory;
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

// Makes a new object and answers iid from it; the object starts with the one reference the
// caller takes over, so a function returns it through QueryInterface and Release.
using CreateFunction = HRESULT (*)(ModuleUsage* usage, REFIID iid, void** object);

// Refuses aggregation with CLASS_E_NOAGGREGATION, as the controls do not support it.
class ClassFactory : public ComObject<IClassFactory> {
public:
    ClassFactory(CreateFunction create, ModuleUsage* usage)
        : ComObject<IClassFactory>(usage), create_(create), usage_(usage)
    {
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT LockServer(bool lock) override;

private:
    CreateFunction create_;
    ModuleUsage* usage_;
};

// Gives a fresh object's interface to the caller and drops the creator's reference.
HRESULT HandOver(IUnknown* fresh, REFIID iid, void** object);

}  // namespace zem
