// The COM vocabulary: result codes, GUIDs and the small integer types the interfaces use,
// with the values Windows gives them.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zem {

using HRESULT = int32_t;
using ULONG = uint32_t;
using LCID = uint32_t;
using DISPID = int32_t;
using WORD = uint16_t;

constexpr HRESULT MakeHresult(uint32_t bits) { return static_cast<HRESULT>(bits); }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHresult(0x80004003);
inline constexpr HRESULT E_FAIL = MakeHresult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = MakeHresult(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresult(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = MakeHresult(0x800401F0);
inline constexpr HRESULT CO_E_CLASSSTRING = MakeHresult(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = MakeHresult(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeHresult(0x800401F9);
inline constexpr HRESULT SELFREG_E_TYPELIB = MakeHresult(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHresult(0x80040201);
inline constexpr HRESULT OLEOBJ_E_INVALIDVERB = MakeHresult(0x80040181);

inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresult(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHresult(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresult(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresult(0x80020006);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeHresult(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeHresult(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeHresult(0x8002000A);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHresult(0x8002000E);
inline constexpr HRESULT TYPE_E_REGISTRYACCESS = MakeHresult(0x8002801C);

// The name Windows gives a result code ("DISP_E_UNKNOWNNAME"), or its hex form.
std::string ResultName(HRESULT hr);

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};
using CLSID = GUID;
using IID = GUID;
using REFGUID = const GUID&;
using REFCLSID = const GUID&;
using REFIID = const GUID&;

namespace detail {

constexpr int HexDigit(char c)
{
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

}  // namespace detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces required, any case).
constexpr std::optional<GUID> ParseGuid(std::string_view text)
{
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != '-' : detail::HexDigit(text[i]) < 0)
            return std::nullopt;
    }
    auto hex = [&](size_t at, size_t digits) {
        uint32_t value = 0;
        for (size_t i = at; i < at + digits; ++i)
            value = value * 16 + uint32_t(detail::HexDigit(text[i]));
        return value;
    };
    GUID guid;
    guid.Data1 = hex(1, 8);
    guid.Data2 = uint16_t(hex(10, 4));
    guid.Data3 = uint16_t(hex(15, 4));
    guid.Data4[0] = uint8_t(hex(20, 2));
    guid.Data4[1] = uint8_t(hex(22, 2));
    for (size_t i = 0; i < 6; ++i)
        guid.Data4[2 + i] = uint8_t(hex(25 + 2 * i, 2));
    return guid;
}

// The same at compile time, for tables of identifiers; a malformed literal does not compile.
consteval GUID GuidOf(std::string_view text)
{
    const std::optional<GUID> guid = ParseGuid(text);
    if (!guid)
        throw "not a GUID";
    return *guid;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the registry holds it.
std::string GuidText(REFGUID guid);

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_IUnknown = GuidOf("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IClassFactory = GuidOf("{00000001-0000-0000-C000-000000000046}");
inline constexpr IID IID_IDispatch = GuidOf("{00020400-0000-0000-C000-000000000046}");
inline constexpr IID IID_ITypeInfo = GuidOf("{00020401-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleObject = GuidOf("{00000112-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleInPlaceObject = GuidOf("{00000113-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleInPlaceActiveObject = GuidOf("{00000117-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleClientSite = GuidOf("{00000118-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleInPlaceSite = GuidOf("{00000119-0000-0000-C000-000000000046}");
// The automation marshaller that dispatch interfaces name as their proxy-stub class.
inline constexpr CLSID CLSID_PSDispatch = GuidOf("{00020420-0000-0000-C000-000000000046}");

}  // namespace zem
