#include "com/dispatch.h"

#include <strings.h>

namespace zem {

size_t DispatchMember::ParamCount() const
{
    size_t count = 0;
    while (count < std::size(params) && params[count].name)
        ++count;
    return count;
}

const DispatchMember* FindMember(const DispatchInterface& table, DISPID id)
{
    for (const DispatchMember& member : table.members) {
        if (member.id == id)
            return &member;
    }
    return nullptr;
}

const DispatchMember* FindMember(const DispatchInterface& table, std::string_view name)
{
    for (const DispatchMember& member : table.members) {
        const std::string_view own = member.name;
        if (own.size() == name.size() && strncasecmp(own.data(), name.data(), own.size()) == 0)
            return &member;
    }
    return nullptr;
}

namespace {

// Names to numbers as GetIDsOfNames gives them: the member, then its parameters by name;
// every name that is not found gets DISPID_UNKNOWN and the result DISP_E_UNKNOWNNAME.
HRESULT IdsOfNames(const DispatchInterface& table, const std::string* names, uint32_t count,
                   DISPID* ids)
{
    if (count == 0)
        return S_OK;
    if (!names || !ids)
        return E_POINTER;
    const DispatchMember* member = FindMember(table, names[0]);
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    bool allFound = member != nullptr;
    for (uint32_t i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (!member)
            continue;
        for (size_t p = 0; p < member->ParamCount(); ++p) {
            if (strcasecmp(member->params[p].name, names[i].c_str()) == 0)
                ids[i] = static_cast<DISPID>(p);
        }
        allFound &= ids[i] != DISPID_UNKNOWN;
    }
    return allFound ? S_OK : DISP_E_UNKNOWNNAME;
}

class TableTypeInfo : public ComObject<ITypeInfo> {
public:
    explicit TableTypeInfo(const DispatchInterface& table) : table_(table) {}

    const DispatchInterface& Table() override { return table_; }
    HRESULT GetIDsOfNames(const std::string* names, uint32_t count, DISPID* ids) override
    {
        return IdsOfNames(table_, names, count, ids);
    }
    HRESULT GetNames(DISPID id, std::vector<std::string>* names) override
    {
        const DispatchMember* member = FindMember(table_, id);
        if (!member)
            return DISP_E_MEMBERNOTFOUND;
        names->assign(1, member->name);
        for (size_t p = 0; p < member->ParamCount(); ++p)
            names->push_back(member->params[p].name);
        return S_OK;
    }

private:
    const DispatchInterface& table_;
};

}  // namespace

HRESULT CreateTypeInfo(const DispatchInterface& table, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = new TableTypeInfo(table);
    return S_OK;
}

HRESULT CheckCall(const DispatchMember& member, WORD flags, const DISPPARAMS& params,
                  std::vector<VARIANT>& args, uint32_t* argError)
{
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    size_t expected = member.ParamCount();
    if (member.kind == MemberKind::Property) {
        if (put) {
            if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTFOUND;
            expected = 1;
        } else if (!(flags & DISPATCH_PROPERTYGET)) {
            return DISP_E_MEMBERNOTFOUND;
        }
    } else {
        if (put || !(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (params.cNamedArgs != 0)
            return DISP_E_PARAMNOTFOUND;
    }
    if (params.cArgs != expected)
        return DISP_E_BADPARAMCOUNT;

    args.assign(expected, VARIANT{});
    for (size_t i = 0; i < expected; ++i) {
        // Windows passes the last argument first.
        const uint32_t slot = static_cast<uint32_t>(expected - 1 - i);
        const VARTYPE type = member.kind == MemberKind::Property ? member.type
                                                                  : member.params[i].type;
        if (HRESULT hr = VariantChangeType(&args[i], params.rgvarg[slot], type); FAILED(hr)) {
            if (argError)
                *argError = slot;
            return hr == DISP_E_BADVARTYPE ? DISP_E_TYPEMISMATCH : hr;
        }
    }
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfoCount(uint32_t* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(uint32_t index, LCID, ITypeInfo** info)
{
    if (index != 0)
        return E_INVALIDARG;
    return CreateTypeInfo(table_, info);
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, const std::string* names, uint32_t count, LCID,
                                      DISPID* ids)
{
    return IdsOfNames(table_, names, count, ids);
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, uint32_t* argError)
{
    const DispatchMember* member = FindMember(table_, id);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    const DISPPARAMS noParams;
    std::vector<VARIANT> args;
    if (HRESULT hr = CheckCall(*member, flags, params ? *params : noParams, args, argError);
        FAILED(hr))
        return hr;
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    VARIANT value;
    HRESULT hr = S_OK;
    try {
        hr = Call(MemberCall{*member, put, args}, &value);
    } catch (const std::exception& e) {
        if (exception)
            *exception = EXCEPINFO{table_.name, e.what()};
        return DISP_E_EXCEPTION;
    }
    if (FAILED(hr) || put || member->type == VT_EMPTY)
        return hr;
    if (HRESULT converted = VariantChangeType(&value, value, member->type); FAILED(converted))
        return converted;
    if (result)
        *result = std::move(value);
    return hr;
}

void* DispatchObject::Extra(REFIID iid)
{
    return iid == table_.iid ? static_cast<IDispatch*>(this) : nullptr;
}

}  // namespace zem
