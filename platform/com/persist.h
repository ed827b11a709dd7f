// Persistence of an object's properties as named values: the property bag a host fills from
// its page (an <object>'s <param> tags) or keeps a saved object in, the object's side that
// loads and saves through it, and the exchange that lets one function of the object serve
// loading, saving and resetting alike.
#pragma once

#include "com/unknown.h"
#include "com/variant.h"

#include <map>
#include <string>
#include <strings.h>

namespace zem {

inline constexpr IID IID_IPersist = GuidOf("{0000010C-0000-0000-C000-000000000046}");
inline constexpr IID IID_IPersistPropertyBag = GuidOf("{37D84F60-42CB-11CE-8135-00AA004BB851}");
inline constexpr IID IID_IPropertyBag = GuidOf("{55272A00-42CB-11CE-8135-00AA004BB851}");

struct IPropertyBag : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IPropertyBag;
    // value->vt names the type wanted (VT_EMPTY: as stored). E_INVALIDARG when the bag has no
    // such name, the conversion's failure when it does not convert.
    virtual HRESULT Read(const std::string& name, VARIANT* value) = 0;
    virtual HRESULT Write(const std::string& name, const VARIANT& value) = 0;
};

struct IPersist : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IPersist;
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistPropertyBag : IPersist {
    using Base = IPersist;
    static constexpr IID kIid = IID_IPersistPropertyBag;
    // A fresh object: every property at its default.
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag* bag) = 0;
    virtual HRESULT Save(IPropertyBag* bag, bool clearDirty, bool saveAllProperties) = 0;
};

// A bag of named values, names without regard to case, in memory.
class PropertyBag : public ComObject<IPropertyBag> {
public:
    HRESULT Read(const std::string& name, VARIANT* value) override;
    HRESULT Write(const std::string& name, const VARIANT& value) override;

    size_t Count() const { return values_.size(); }

private:
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const
        {
            return strcasecmp(a.c_str(), b.c_str()) < 0;
        }
    };
    std::map<std::string, VARIANT, NoCase> values_;
};

// One pass over an object's properties: saving writes each into the bag; loading reads each
// and takes the default where the bag lacks it or it does not convert. Without a bag,
// loading gives every default (a reset).
class PropExchange {
public:
    PropExchange(IPropertyBag* bag, bool loading) : bag_(bag), loading_(loading) {}

    bool IsLoading() const { return loading_; }

    void Long(const char* name, int32_t& value, int32_t fallback);
    void ULong(const char* name, uint32_t& value, uint32_t fallback);

    // The version of the object's property set, under "_Version". Loading a different
    // version succeeds only with convert; versionLoaded tells which it was.
    bool Version(uint32_t version, bool convert);
    uint32_t VersionLoaded() const { return versionLoaded_; }

private:
    IPropertyBag* bag_;
    bool loading_;
    uint32_t versionLoaded_ = 0;
};

}  // namespace zem
