#include "com/variant.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <strings.h>

namespace zem {

VARIANT VARIANT::I2(int16_t value)
{
    VARIANT v;
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

VARIANT VARIANT::I4(int32_t value)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT VARIANT::Bool(bool value)
{
    VARIANT v;
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT VARIANT::R8(double value)
{
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

VARIANT VARIANT::Bstr(std::string value)
{
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = std::move(value);
    return v;
}

namespace {

// A value on its way between types: a number (exact for every integer type) or text.
struct Number {
    double value = 0;
    HRESULT status = S_OK;
};

Number ParseNumber(const std::string& text)
{
    if (strcasecmp(text.c_str(), "true") == 0)
        return {-1.0, S_OK};
    if (strcasecmp(text.c_str(), "false") == 0)
        return {0.0, S_OK};
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == begin || *end != '\0' || !std::isfinite(value))
        return {0, DISP_E_TYPEMISMATCH};
    return {value, S_OK};
}

Number AsNumber(const VARIANT& src)
{
    switch (src.vt) {
    case VT_EMPTY:
        return {0, S_OK};
    case VT_I2:
        return {double(src.iVal), S_OK};
    case VT_I4:
        return {double(src.lVal), S_OK};
    case VT_BOOL:
        return {src.boolVal ? -1.0 : 0.0, S_OK};
    case VT_R8:
        return {src.dblVal, S_OK};
    case VT_BSTR:
        return ParseNumber(src.bstrVal);
    default:
        return {0, DISP_E_BADVARTYPE};
    }
}

HRESULT ToInteger(const VARIANT& src, double low, double high, int64_t* out)
{
    const Number number = AsNumber(src);
    if (FAILED(number.status))
        return number.status;
    const double rounded = std::nearbyint(number.value);  // default mode: half to even
    if (rounded < low || rounded > high)
        return DISP_E_OVERFLOW;
    *out = static_cast<int64_t>(rounded);
    return S_OK;
}

std::string FormatNumber(double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return std::to_string(static_cast<int64_t>(value));
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dst, const VARIANT& src, VARTYPE vt)
{
    VARIANT out;
    out.vt = vt;
    switch (vt) {
    case VT_EMPTY:
        break;
    case VT_I2: {
        int64_t value = 0;
        if (HRESULT hr = ToInteger(src, -32768, 32767, &value); FAILED(hr))
            return hr;
        out.iVal = static_cast<int16_t>(value);
        break;
    }
    case VT_I4: {
        int64_t value = 0;
        if (HRESULT hr = ToInteger(src, -2147483648.0, 2147483647.0, &value); FAILED(hr))
            return hr;
        out.lVal = static_cast<int32_t>(value);
        break;
    }
    case VT_BOOL: {
        const Number number = AsNumber(src);
        if (FAILED(number.status))
            return number.status;
        out.boolVal = number.value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    }
    case VT_R8: {
        const Number number = AsNumber(src);
        if (FAILED(number.status))
            return number.status;
        out.dblVal = number.value;
        break;
    }
    case VT_BSTR:
        if (src.vt == VT_BSTR) {
            out.bstrVal = src.bstrVal;
        } else if (src.vt != VT_EMPTY) {
            const Number number = AsNumber(src);
            if (FAILED(number.status))
                return number.status;
            out.bstrVal = FormatNumber(number.value);
        }
        break;
    default:
        return DISP_E_BADVARTYPE;
    }
    *dst = std::move(out);
    return S_OK;
}

std::string DescribeVariant(const VARIANT& value)
{
    switch (value.vt) {
    case VT_EMPTY:
        return "EMPTY";
    case VT_I2:
        return "I2 " + std::to_string(value.iVal);
    case VT_I4:
        return "I4 " + std::to_string(value.lVal);
    case VT_BOOL:
        return "BOOL " + std::to_string(value.boolVal);
    case VT_R8:
        return "R8 " + FormatNumber(value.dblVal);
    case VT_BSTR:
        return "BSTR \"" + value.bstrVal + "\"";
    default:
        return "VT " + std::to_string(value.vt);
    }
}

}  // namespace zem
