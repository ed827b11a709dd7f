// The registration script and registry files that the programs carry: written from the
// module's own table, they must register exactly what the module registers itself.
#include "QMFPlayer/qmxplaycfg/configtest.h"
#include "base/paths.h"
#include "com/registration.h"
#include "registry/registry.h"
#include "support/hivetext.h"
#include "tools/regtools/rgsscript.h"
#include "zemWave/registrationfiles.h"
#include "zemWave/typelibrary.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace zem;
using namespace zemwave;
using configtest::ResetHives;

constexpr char kModPath[] = "/opt/zem";

class RegistrationFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ResetHives(); }
    void TearDown() override { SetPerUserRegistration(false); }
    static RgsScript Script()
    {
        std::string error;
        auto script = ParseRgsScript(UserRegistrationScript(), {{"MODPATH", kModPath}}, &error);
        EXPECT_TRUE(script) << error;
        return script.value_or(RgsScript{});
    }
};

// The user hive after the module registers itself per user, and after the script; they may
// differ only in the threading model the script adds to each control's server.
TEST_F(RegistrationFilesTest, ScriptWritesWhatSelfRegistrationWritesPlusTheThreadingModel)
{
    SetPerUserRegistration(true);
    const std::string modulePath = std::string(kModPath) + "\\zemwave.ocx";
    ASSERT_EQ(RegisterTypeLibrary(ZemWaveTypeLibrary(), modulePath), S_OK);
    for (const ModuleClass& entry : ModuleClasses())
        ASSERT_EQ(RegisterServerClass(entry.registration, ZemWaveTypeLibrary(), modulePath), S_OK);
    const std::string selfRegistered = zemtest::HiveText("HKCU");

    ResetHives();
    ASSERT_EQ(RegImportText(RgsRegisterText(Script())), ERROR_SUCCESS);
    std::string scripted = zemtest::HiveText("HKCU");
    const std::string threading = "\"ThreadingModel\"=\"Apartment\"\n";
    size_t found = 0;
    int removed = 0;
    while ((found = scripted.find(threading)) != std::string::npos) {
        scripted.erase(found, threading.size());
        ++removed;
    }
    EXPECT_EQ(removed, 3) << "one per control";
    EXPECT_EQ(scripted, selfRegistered);
}

TEST_F(RegistrationFilesTest, RemovingTheScriptGivesTheHiveBack)
{
    ASSERT_EQ(RegImportText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Classes\\CLSID]\r\n"
                            "\r\n[HKEY_CURRENT_USER\\Software\\Classes\\Interface]\r\n"
                            "\r\n[HKEY_CURRENT_USER\\Software\\Classes\\TypeLib]\r\n"),
              ERROR_SUCCESS);
    const std::string before = zemtest::HiveText("HKCU");
    ASSERT_EQ(RegImportText(RgsRegisterText(Script())), ERROR_SUCCESS);
    ASSERT_NE(zemtest::HiveText("HKCU"), before);
    ASSERT_EQ(RegImportText(RgsUnregisterText(Script())), ERROR_SUCCESS);
    EXPECT_EQ(zemtest::HiveText("HKCU"), before);
}

TEST_F(RegistrationFilesTest, RegistryFilesMarkTheControlsSafeAndOpenTheLocalZone)
{
    using configtest::Value;
    const std::string prompt = GuidText(ModuleClassOf(ClassId::PromptCtrl).registration.clsid);
    const std::string zones = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\";
    for (const bool machine : {false, true}) {
        SCOPED_TRACE(machine ? "all users" : "current user");
        ResetHives();
        ASSERT_EQ(RegImportText(MissingEntriesRegFile(machine)), ERROR_SUCCESS);
        const HKEY hive = machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        const HKEY other = machine ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        EXPECT_EQ(Value(hive, "Software\\Classes\\CLSID\\" + prompt, "AppID"), prompt);
        EXPECT_EQ(Value(hive, "Software\\Classes\\CLSID\\" + prompt, ""), "zemWave.Prompt Control");
        const std::string text = zemtest::HiveText(machine ? "HKLM" : "HKCU");
        for (const ModuleClass& entry : ModuleClasses()) {
            for (const char* category : {"{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "{7DD95802-9882-11CF-9FA9-00AA006C42C4}"}) {
                const std::string key = GuidText(entry.registration.clsid) + "\\Implemented Categories\\" + category + "]";
                EXPECT_EQ(text.find(key) != std::string::npos, entry.registration.control) << key;
            }
        }
        for (const char* zone : {"Zones\\0", "Lockdown_Zones\\0"}) {
            for (const char* action : {"1200", "1201", "1400"}) {
                EXPECT_EQ(Value(hive, zones + zone, action), "dword:0");
                EXPECT_EQ(Value(other, zones + zone, action), "<none>");
            }
        }
    }
}

}  // namespace
