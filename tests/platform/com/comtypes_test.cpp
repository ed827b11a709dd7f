// GUID text and VARIANT conversion: the forms the registry and the scripts hand over.
#include "com/comtypes.h"
#include "com/variant.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;

TEST(Guid, TextRoundTripAndRejects)
{
    const GUID guid = GuidOf("{6a0c35e2-4f0b-4c53-9e47-0b7a3d1c5e01}");
    EXPECT_EQ(GuidText(guid), "{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01}");
    EXPECT_EQ(ParseGuid(GuidText(guid)), guid);
    for (const char* bad : {"", "6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01",
                            "{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E0}", "{6A0C35E2-4F0B-4C53-9E47+0B7A3D1C5E01}",
                            "{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5EG1}"})
        EXPECT_FALSE(ParseGuid(bad)) << bad;
}

struct Conversion {
    VARIANT from;
    VARTYPE to;
    HRESULT hr;
    const char* expected;  // DescribeVariant of the result
};

TEST(Variant, ChangeTypeFollowsAutomationRules)
{
    const Conversion cases[] = {
        {VARIANT::I4(32767), VT_I2, S_OK, "I2 32767"},
        {VARIANT::I4(32768), VT_I2, DISP_E_OVERFLOW, ""},
        {VARIANT::I4(-32769), VT_I2, DISP_E_OVERFLOW, ""},
        {VARIANT::Bool(true), VT_I2, S_OK, "I2 -1"},
        {VARIANT::Bool(false), VT_I4, S_OK, "I4 0"},
        {VARIANT::I2(7), VT_BOOL, S_OK, "BOOL -1"},
        {VARIANT::I4(0), VT_BOOL, S_OK, "BOOL 0"},
        {VARIANT::Bstr("1234"), VT_I4, S_OK, "I4 1234"},
        {VARIANT::Bstr(" -12"), VT_I2, S_OK, "I2 -12"},
        {VARIANT::Bstr("12abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {VARIANT::Bstr(""), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {VARIANT::Bstr("99999999999"), VT_I4, DISP_E_OVERFLOW, ""},
        {VARIANT::Bstr("True"), VT_BOOL, S_OK, "BOOL -1"},
        {VARIANT::Bstr("false"), VT_BOOL, S_OK, "BOOL 0"},
        {VARIANT::R8(2.5), VT_I4, S_OK, "I4 2"},
        {VARIANT::R8(3.5), VT_I4, S_OK, "I4 4"},
        {VARIANT::R8(-2.5), VT_I2, S_OK, "I2 -2"},
        {VARIANT::R8(2147483648.0), VT_I4, DISP_E_OVERFLOW, ""},
        {VARIANT::I4(-5), VT_BSTR, S_OK, "BSTR \"-5\""},
        {VARIANT::Bool(true), VT_BSTR, S_OK, "BSTR \"-1\""},
        {VARIANT::R8(0.25), VT_BSTR, S_OK, "BSTR \"0.25\""},
        {VARIANT{}, VT_I4, S_OK, "I4 0"},
        {VARIANT{}, VT_BSTR, S_OK, "BSTR \"\""},
        {VARIANT::I2(1), 12, DISP_E_BADVARTYPE, ""},
    };
    for (const Conversion& c : cases) {
        VARIANT out = VARIANT::Bstr("untouched");
        const HRESULT hr = VariantChangeType(&out, c.from, c.to);
        const std::string label = DescribeVariant(c.from) + " -> " + std::to_string(c.to);
        EXPECT_EQ(ResultName(hr), ResultName(c.hr)) << label;
        EXPECT_EQ(DescribeVariant(out), SUCCEEDED(c.hr) ? c.expected : "BSTR \"untouched\"") << label;
    }
}

TEST(Variant, ChangesInPlace)
{
    VARIANT v = VARIANT::Bstr("42");
    ASSERT_EQ(VariantChangeType(&v, v, VT_I2), S_OK);
    EXPECT_EQ(DescribeVariant(v), "I2 42");
}

}  // namespace
