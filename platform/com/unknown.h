// IUnknown, reference-counted objects that answer QueryInterface from their interface list,
// a smart pointer for them, and the per-module count of live objects and locks that
// DllCanUnloadNow reports.
#pragma once

#include "com/comtypes.h"

#include <atomic>
#include <utility>

namespace zem {

struct IUnknown {
    static constexpr IID kIid = IID_IUnknown;
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Live objects and server locks of one module. Each module owns one; it lives in the module
// so that it ends with it.
class ModuleUsage {
public:
    void ObjectCreated() { ++objects_; }
    void ObjectDestroyed() { --objects_; }
    void Lock(bool lock) { lock ? ++locks_ : --locks_; }
    bool CanUnload() const { return objects_ == 0 && locks_ == 0; }

private:
    std::atomic<long> objects_{0};
    std::atomic<long> locks_{0};
};

// Whether interface I answers iid: its own IID or that of an interface it extends.
template <typename I>
bool Answers(REFIID iid)
{
    if (iid == I::kIid)
        return true;
    if constexpr (requires { typename I::Base; })
        return Answers<typename I::Base>(iid);
    else
        return false;
}

// An object implementing Interfaces...; starts with one reference, which the creator owns,
// and deletes itself when the last is released. QueryInterface answers IUnknown, each
// interface and the interfaces they extend, and what Extra answers.
template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    explicit ComObject(ModuleUsage* usage = nullptr) : usage_(usage)
    {
        if (usage_)
            usage_->ObjectCreated();
    }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown)
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            ((!*object && Answers<Interfaces>(iid) ? (*object = static_cast<Interfaces*>(this))
                                                   : nullptr),
             ...);
        if (!*object)
            *object = Extra(iid);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~ComObject()
    {
        if (usage_)
            usage_->ObjectDestroyed();
    }
    // More interfaces, e.g. a dispatch interface's own IID; without a reference added.
    virtual void* Extra(REFIID) { return nullptr; }

private:
    template <typename F, typename...>
    struct FirstOf {
        using type = F;
    };
    using First = typename FirstOf<Interfaces...>::type;

    std::atomic<ULONG> refs_{1};
    ModuleUsage* usage_;
};

// Owns one reference to a COM object.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Holds a reference of its own to object.
    static ComPtr Share(T* object)
    {
        if (object)
            object->AddRef();
        return Adopt(object);
    }
    // Takes over a reference the caller owns.
    static ComPtr Adopt(T* object)
    {
        ComPtr p;
        p.object_ = object;
        return p;
    }
    ComPtr(const ComPtr& other) : object_(other.object_)
    {
        if (object_)
            object_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset()
    {
        if (T* object = std::exchange(object_, nullptr))
            object->Release();
    }
    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // For out-parameters: releases what is held and gives the slot.
    T** Out()
    {
        Reset();
        return &object_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    template <typename U>
    ComPtr<U> As() const
    {
        ComPtr<U> other;
        if (object_)
            object_->QueryInterface(U::kIid, other.OutVoid());
        return other;
    }

private:
    T* object_ = nullptr;
};

}  // namespace zem
