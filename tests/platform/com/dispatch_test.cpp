// Late-bound calls through the table-driven IDispatch: names, numbers, argument counts,
// conversions and the error each misuse gives.
#include "comtest.h"

#include "com/host.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

using namespace zem;

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(comtest::CallExport(comtest::kModule, "DllRegisterServer"), S_OK);
        CoInitialize();
        ASSERT_EQ(CreateDispatch(comtest::kProgId, counter_.Out()), S_OK);
    }
    void TearDown() override
    {
        counter_.Reset();
        CoUninitialize();
    }
    ComPtr<IDispatch> counter_;
};

struct CallCase {
    const char* name;
    WORD flags;
    std::vector<VARIANT> args;
    HRESULT hr;
    const char* result;  // DescribeVariant of the result when the call succeeds
};

TEST_F(DispatchTest, CallsFollowTheTableInOrder)
{
    const CallCase cases[] = {
        {"Value", DISPATCH_PROPERTYPUT, {VARIANT::Bstr("40")}, S_OK, "EMPTY"},
        {"value", DISPATCH_PROPERTYGET, {}, S_OK, "I4 40"},
        {"ADD", DISPATCH_METHOD, {VARIANT::I2(2)}, S_OK, "I4 42"},
        {"Add", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {VARIANT::Bool(true)}, S_OK, "I4 41"},
        {"Add", DISPATCH_METHOD, {}, DISP_E_BADPARAMCOUNT, ""},
        {"Add", DISPATCH_METHOD, {VARIANT::I4(1), VARIANT::I4(1)}, DISP_E_BADPARAMCOUNT, ""},
        {"Add", DISPATCH_METHOD, {VARIANT::Bstr("one")}, DISP_E_TYPEMISMATCH, ""},
        {"Scale", DISPATCH_METHOD, {VARIANT::I4(40000)}, DISP_E_OVERFLOW, ""},
        {"Scale", DISPATCH_METHOD, {VARIANT::R8(2.0)}, S_OK, "EMPTY"},
        {"Describe", DISPATCH_METHOD, {VARIANT::Bstr("n="), VARIANT::I4(10)}, S_OK, "BSTR \"n=820\""},
        {"Enabled", DISPATCH_PROPERTYPUT, {VARIANT::I4(5)}, S_OK, "EMPTY"},
        {"Enabled", DISPATCH_PROPERTYGET, {}, S_OK, "BOOL -1"},
        {"Label", DISPATCH_PROPERTYPUT, {VARIANT::I4(12)}, S_OK, "EMPTY"},
        {"Label", DISPATCH_PROPERTYGET, {}, S_OK, "BSTR \"12\""},
        {"Label", DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, ""},
        {"Add", DISPATCH_PROPERTYPUT, {VARIANT::I4(1)}, DISP_E_MEMBERNOTFOUND, ""},
        {"Valeu", DISPATCH_PROPERTYGET, {}, DISP_E_UNKNOWNNAME, ""},
        {"Fail", DISPATCH_METHOD, {}, DISP_E_EXCEPTION, ""},
    };
    for (const CallCase& c : cases) {
        VARIANT result;
        std::string error;
        const HRESULT hr = DispatchCall(counter_.Get(), c.name, c.flags, c.args, &result, &error);
        EXPECT_EQ(ResultName(hr), ResultName(c.hr)) << c.name << ": " << error;
        if (SUCCEEDED(hr))
            EXPECT_EQ(DescribeVariant(result), c.result) << c.name;
        else
            EXPECT_NE(error.find(c.name), std::string::npos) << error;
    }
}

TEST_F(DispatchTest, ErrorTextsNameTheMemberArgumentAndCause)
{
    std::string error;
    DispatchCall(counter_.Get(), "Describe", DISPATCH_METHOD, {VARIANT::Bstr("x"), VARIANT::Bstr("y")},
                 nullptr, &error);
    EXPECT_EQ(error, "member \"Describe\" failed on argument 2 (DISP_E_TYPEMISMATCH)");
    DispatchCall(counter_.Get(), "Fail", DISPATCH_METHOD, {}, nullptr, &error);
    EXPECT_EQ(error, "member \"Fail\" failed: the counter was asked to fail (DISP_E_EXCEPTION)");
    DispatchCall(counter_.Get(), "Nope", DISPATCH_METHOD, {}, nullptr, &error);
    EXPECT_EQ(error, "unknown member \"Nope\" (DISP_E_UNKNOWNNAME)");
}

TEST_F(DispatchTest, NumbersNamesAndTypeInfoAgree)
{
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(counter_->GetTypeInfo(0, 0x409, info.Out()), S_OK);
    for (const DispatchMember& member : info->Table().members) {
        DISPID byObject = 0;
        DISPID byTypeInfo = 0;
        const std::string name = member.name;
        ASSERT_EQ(counter_->GetIDsOfNames(GUID_NULL, &name, 1, 0, &byObject), S_OK);
        ASSERT_EQ(info->GetIDsOfNames(&name, 1, &byTypeInfo), S_OK);
        EXPECT_EQ(byObject, member.id);
        EXPECT_EQ(byTypeInfo, member.id);
        std::vector<std::string> names;
        ASSERT_EQ(info->GetNames(member.id, &names), S_OK);
        EXPECT_EQ(names.size(), member.ParamCount() + 1);
    }
    const std::string names[] = {"Describe", "COUNT", "prefix", "bogus"};
    DISPID ids[4] = {};
    EXPECT_EQ(counter_->GetIDsOfNames(GUID_NULL, names, 4, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 6);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);
    EXPECT_EQ(ids[3], DISPID_UNKNOWN);
    // A number the table leaves out is no member.
    DISPPARAMS none;
    EXPECT_EQ(counter_->Invoke(7, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST_F(DispatchTest, QueryInterfaceAnswersOwnIidAndRefusesOthers)
{
    ComPtr<IUnknown> unknown = counter_.As<IUnknown>();
    ASSERT_TRUE(unknown);
    ComPtr<IClassFactory> notAFactory = counter_.As<IClassFactory>();
    EXPECT_FALSE(notAFactory);
    void* own = nullptr;
    ASSERT_EQ(counter_->QueryInterface(GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E02}"), &own), S_OK);
    EXPECT_EQ(own, counter_.Get());
    counter_->Release();
}

}  // namespace
