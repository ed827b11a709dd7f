// VARIANT: the value that travels through IDispatch, with the types the dispatch tables use
// (I2, I4, BOOL as -1/0, BSTR as 8-bit text, EMPTY) and R8 for script numbers.
#pragma once

#include "com/comtypes.h"

#include <string>

namespace zem {

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_BOOL = 11;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    int16_t iVal = 0;
    int32_t lVal = 0;
    VARIANT_BOOL boolVal = VARIANT_FALSE;
    double dblVal = 0;
    std::string bstrVal;  // the system's 8-bit text

    static VARIANT I2(int16_t value);
    static VARIANT I4(int32_t value);
    static VARIANT Bool(bool value);
    static VARIANT R8(double value);
    static VARIANT Bstr(std::string value);
};

// Converts src to type vt as OLE Automation does: numbers are range-checked
// (DISP_E_OVERFLOW), R8 rounds half to even, text parses as a decimal number or "true"/"false"
// for BOOL (else DISP_E_TYPEMISMATCH), BOOL reads as -1/0, EMPTY as 0 or "". An unknown vt
// gives DISP_E_BADVARTYPE. dst is left unchanged on failure; dst may be &src.
HRESULT VariantChangeType(VARIANT* dst, const VARIANT& src, VARTYPE vt);

// "I4 5", "BSTR \"x\"": for error texts and tests.
std::string DescribeVariant(const VARIANT& value);

}  // namespace zem
