// IDispatch with its parameter block, and the compiled-in member table that a dispatch
// interface is made of: names, numbers and types come from this one table, whether a caller
// asks by name, by number or through the type information.
#pragma once

#include "com/unknown.h"
#include "com/variant.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

// Arguments last to first, as Windows passes them; a property put names its value
// DISPID_PROPERTYPUT.
struct DISPPARAMS {
    VARIANT* rgvarg = nullptr;
    DISPID* rgdispidNamedArgs = nullptr;
    uint32_t cArgs = 0;
    uint32_t cNamedArgs = 0;
};

struct EXCEPINFO {
    std::string source;
    std::string description;
};

enum class MemberKind { Method, Property };

struct DispatchParam {
    const char* name = nullptr;
    VARTYPE type = VT_EMPTY;
};

// One member. type is a property's type or a method's result (VT_EMPTY: none).
struct DispatchMember {
    DISPID id = 0;
    const char* name = nullptr;
    MemberKind kind = MemberKind::Method;
    VARTYPE type = VT_EMPTY;
    DispatchParam params[3] = {};

    size_t ParamCount() const;
};

struct DispatchInterface {
    const char* name = nullptr;
    IID iid{};
    std::span<const DispatchMember> members;
};

// By number; by name without regard to case. nullptr when there is none.
const DispatchMember* FindMember(const DispatchInterface& table, DISPID id);
const DispatchMember* FindMember(const DispatchInterface& table, std::string_view name);

// Type information of one dispatch interface, served from its table.
struct ITypeInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_ITypeInfo;
    virtual const DispatchInterface& Table() = 0;
    virtual HRESULT GetIDsOfNames(const std::string* names, uint32_t count, DISPID* ids) = 0;
    // The member's name followed by its parameters' names.
    virtual HRESULT GetNames(DISPID id, std::vector<std::string>* names) = 0;
};

struct IDispatch : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IDispatch;
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, LCID lcid, ITypeInfo** info) = 0;
    // names[0] is the member; further names are its parameters. The locale is ignored.
    virtual HRESULT GetIDsOfNames(REFIID riid, const std::string* names, uint32_t count,
                                  LCID lcid, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, uint32_t* argError) = 0;
};

// Creates the type information of a table (the table must outlive it).
HRESULT CreateTypeInfo(const DispatchInterface& table, ITypeInfo** info);

// What an object's dispatch implementation is handed once the call has been checked
// against the table: the member, whether it is a put, and its arguments in declared order,
// already converted to the declared types.
struct MemberCall {
    const DispatchMember& member;
    bool put = false;
    std::vector<VARIANT>& args;
};

// An IDispatch whose names, numbers, argument counts and types come from its table. The
// object only implements Call; a result it gives is converted to the declared type.
class DispatchObject : public ComObject<IDispatch> {
public:
    DispatchObject(const DispatchInterface& table, ModuleUsage* usage)
        : ComObject<IDispatch>(usage), table_(table)
    {
    }

    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetTypeInfo(uint32_t index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, const std::string* names, uint32_t count, LCID lcid,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, uint32_t* argError) override;

protected:
    virtual HRESULT Call(const MemberCall& call, VARIANT* result) = 0;
    void* Extra(REFIID iid) override;

private:
    const DispatchInterface& table_;
};

// Checks and converts a call against a table; the part of Invoke that does not depend on
// the object. On success args holds the arguments in declared order.
HRESULT CheckCall(const DispatchMember& member, WORD flags, const DISPPARAMS& params,
                  std::vector<VARIANT>& args, uint32_t* argError);

}  // namespace zem
