// Creation through the registry and the module cache, and registration round trips.
#include "comtest.h"

#include "base/paths.h"
#include "com/host.h"
#include "com/registration.h"
#include "registry/registry.h"
#include "support/elfexports.h"
#include "support/hivetext.h"
#include "support/scratch.h"

#include <algorithm>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace zem;
using comtest::CallExport;
using comtest::kModule;
using comtest::kProgId;

class HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetPerUserRegistration(false);
        ASSERT_EQ(CallExport(kModule, "DllUnregisterServer"), S_OK);
        CoInitialize();
    }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(HostTest, RegisteredClassIsCreatedThroughItsModule)
{
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(kProgId, &clsid), CO_E_CLASSSTRING);
    ComPtr<IDispatch> object;
    EXPECT_EQ(CreateDispatch(kProgId, object.Out()), CO_E_CLASSSTRING);

    ASSERT_EQ(CallExport(kModule, "DllRegisterServer"), S_OK);
    ASSERT_EQ(CLSIDFromProgID(kProgId, &clsid), S_OK);
    std::string path;
    ASSERT_EQ(ServerPathOf(clsid, &path), S_OK);
    EXPECT_EQ(path, kModule);
    uint32_t bitmap = 0;
    ASSERT_EQ(ToolboxBitmapOf(clsid, &path, &bitmap), S_OK);
    EXPECT_EQ(path, kModule);
    EXPECT_EQ(bitmap, 1u);
    std::string bytes;
    EXPECT_EQ(LoadModuleResource(path, "BITMAP", bitmap, &bytes), CO_E_ERRORINDLL) << "it serves none";
    ASSERT_EQ(CreateDispatch(GuidText(clsid), object.Out()), S_OK);

    ComPtr<IUnknown> aggregate;
    EXPECT_EQ(CoCreateInstance(clsid, object.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                               aggregate.OutVoid()),
              CLASS_E_NOAGGREGATION);
    HRESULT elsewhere = S_OK;
    std::thread([&] {
        IDispatch* raw = nullptr;
        elsewhere = CreateDispatch(kProgId, &raw);
    }).join();
    EXPECT_EQ(elsewhere, CO_E_NOTINITIALIZED);
}

TEST_F(HostTest, UnusedModuleIsUnloadedOnlyWhenItSaysSo)
{
    ASSERT_EQ(CallExport(kModule, "DllRegisterServer"), S_OK);
    ComPtr<IDispatch> object;
    ASSERT_EQ(CreateDispatch(kProgId, object.Out()), S_OK);
    auto loaded = [](const std::string& name = kModule) {
        void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle)
            dlclose(handle);
        return handle != nullptr;
    };
    CoFreeUnusedLibraries();
    ASSERT_TRUE(loaded());
    VARIANT result;
    EXPECT_EQ(DispatchCall(object.Get(), "Add", DISPATCH_METHOD, {VARIANT::I4(3)}, &result), S_OK);
    EXPECT_EQ(result.lVal, 3);
    object.Reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(loaded());
    // The window layer came with the module and stays: Qt and the libraries under it keep
    // their state for the life of the process.
    EXPECT_TRUE(loaded("libzemui.so"));
    ASSERT_EQ(CreateDispatch(kProgId, object.Out()), S_OK);  // and loaded again on demand
}

TEST(ModuleExports, OnlyTheEntryPointsHostsLookUp)
{
    const std::vector<std::string> exports{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                           "DllUnregisterServer"};
    EXPECT_EQ(zemtest::ExportedNames(kModule), exports);
    const std::vector<std::string> library = zemtest::ExportedNames(ZEM_PLAIN_LIBRARY);
    EXPECT_TRUE(std::binary_search(library.begin(), library.end(), "_ZN3zem12TraceEnabledEv"))
        << "a library's exports are all there";
    const std::string text = zemtest::NewFolder() + "/text.so";
    zemtest::WriteFile(text, "not an object");
    EXPECT_TRUE(zemtest::ExportedNames(text).empty());
}

TEST_F(HostTest, ServerPathIsMappedAndFailuresGiveTheirCode)
{
    const CLSID clsid = GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E99}");
    const std::string key = "Software\\Classes\\CLSID\\" + GuidText(clsid) + "\\InprocServer32";
    struct Case {
        std::string server;
        HRESULT hr;
    };
    // A registration script writes "%MODPATH%\\module": the back slash reaches the file.
    const size_t slash = kModule.rfind('/');
    const Case cases[] = {
        {"C:\\nowhere\\missing.ocx", CO_E_DLLNOTFOUND},
        {ZEM_PLAIN_LIBRARY, CO_E_ERRORINDLL},
        {kModule.substr(0, slash) + "\\" + kModule.substr(slash + 1), CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        HKEY hkey = nullptr;
        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, key, KEY_ALL_ACCESS, &hkey), ERROR_SUCCESS);
        RegSetValueEx(hkey, "", REG_SZ, reinterpret_cast<const BYTE*>(c.server.c_str()),
                      DWORD(c.server.size() + 1));
        RegCloseKey(hkey);
        ComPtr<IUnknown> object;
        EXPECT_EQ(ResultName(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                              object.OutVoid())),
                  ResultName(c.hr))
            << c.server;
    }
    ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E98}"), nullptr,
                               CLSCTX_INPROC_SERVER, IID_IUnknown, object.OutVoid()),
              REGDB_E_CLASSNOTREG);
}

TEST_F(HostTest, RegistrationRoundTripsPerMachineAndPerUser)
{
    for (bool perUser : {false, true}) {
        SetPerUserRegistration(perUser);
        // As on Windows, the CLSID, TypeLib and Interface keys themselves stay.
        ASSERT_EQ(CallExport(kModule, "DllRegisterServer"), S_OK);
        ASSERT_EQ(CallExport(kModule, "DllUnregisterServer"), S_OK);
        const std::string userBefore = zemtest::HiveText("HKCU");
        const std::string machineBefore = zemtest::HiveText("HKLM");
        ASSERT_EQ(CallExport(kModule, "DllRegisterServer"), S_OK);
        const std::string userOnce = zemtest::HiveText("HKCU");
        const std::string machineOnce = zemtest::HiveText("HKLM");
        EXPECT_NE((perUser ? userOnce : machineOnce), (perUser ? userBefore : machineBefore));
        EXPECT_EQ((perUser ? machineOnce : userOnce), (perUser ? machineBefore : userBefore))
            << "the other hive stays untouched";
        ASSERT_EQ(CallExport(kModule, "DllRegisterServer"), S_OK);
        EXPECT_EQ(zemtest::HiveText("HKCU"), userOnce);
        EXPECT_EQ(zemtest::HiveText("HKLM"), machineOnce);
        ASSERT_EQ(CallExport(kModule, "DllUnregisterServer"), S_OK);
        EXPECT_EQ(zemtest::HiveText("HKCU"), userBefore);
        EXPECT_EQ(zemtest::HiveText("HKLM"), machineBefore);
    }
    SetPerUserRegistration(false);
}

TEST_F(HostTest, AClassIsWrittenWholeOrNotAtAll)
{
    // The ProgID key cannot be stored; the class key written before it in the same
    // registration must not stay behind either.
    const ClassRegistration broken{GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E97}"), "Broken\nName",
                                   "Broken", true, 1, 0x20191};
    const TypeLibrary library{};
    const std::string machine = zemtest::HiveText("HKLM");
    EXPECT_TRUE(FAILED(RegisterServerClass(broken, library, kModule)));
    EXPECT_EQ(zemtest::HiveText("HKLM"), machine);
    EXPECT_NE(ServerClassRegText(broken, library, kModule).find("InprocServer32"), std::string::npos);
}

}  // namespace
