// regrgs.exe and regedit.exe run as the configuration program runs them.
#include "base/paths.h"
#include "registry/registry.h"
#include "support/runprogram.h"
#include "support/hivetext.h"
#include "support/scratch.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace zem;
using zemtest::RunProgram;

// A per-user script of the shape the configuration program applies.
const char* const kScript = R"(HKCU
{
    NoRemove Software
    {
        NoRemove Classes
        {
            ZEMTEST.Ctrl.1 = s 'Test Control'
            {
                CLSID = s '{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01}'
                Insertable
            }
            CLSID
            {
                ForceRemove {6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01} = s 'Test Control'
                {
                    InprocServer32 = s '%MODPATH%\zemwave.ocx'
                    {
                        val ThreadingModel = s 'Apartment'
                    }
                    MiscStatus = s '0'
                    {
                        '1' = s '131473'
                    }
                }
            }
        }
    }
}
)";

class RegToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::remove(HiveFilePath("HKCU"));
        std::filesystem::remove(HiveFilePath("HKLM"));
        script_ = zemtest::NewFolder("rgs") + "/test.rgs";
        zemtest::WriteFile(script_, kScript);
    }
    // Applies text as an existing user hive.
    static void Prepare(const std::string& regText)
    {
        ASSERT_EQ(RegImportText("REGEDIT4\r\n" + regText), ERROR_SUCCESS);
    }
    std::string script_;
};

TEST_F(RegToolsTest, ApplyThenRemoveLeavesHivesByteIdentical)
{
    // Hives that hold Software\Classes already: bare, with a CLSID key of another class, and
    // with a CLSID key that holds a value.
    const char* const before[] = {
        "[HKEY_CURRENT_USER\\Software\\Classes]\r\n",
        "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{11111111-2222-3333-4444-555555555555}]\r\n@=\"other\"\r\n",
        "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID]\r\n\"Keep\"=\"me\"\r\n",
    };
    for (const char* start : before) {
        SCOPED_TRACE(start);
        std::filesystem::remove(HiveFilePath("HKCU"));
        Prepare(start);
        Prepare("[HKEY_LOCAL_MACHINE\\Software\\Classes]\r\n");
        const std::string user = zemtest::HiveText("HKCU");
        const std::string machine = zemtest::HiveText("HKLM");

        const zemtest::ProgramRun apply = RunProgram(ZEM_REGRGS, {"/s", script_, "MODPATH=C:\\zem"});
        ASSERT_EQ(apply.exitCode, 0) << apply.output;
        EXPECT_EQ(apply.output, "");
        const std::string applied = zemtest::HiveText("HKCU");
        EXPECT_NE(applied.find("@=\"C:\\\\zem\\\\zemwave.ocx\""), std::string::npos) << applied;
        EXPECT_NE(applied.find("\"ThreadingModel\"=\"Apartment\""), std::string::npos);
        ASSERT_EQ(RunProgram(ZEM_REGRGS, {"/s", script_, "MODPATH=C:\\zem"}).exitCode, 0);
        EXPECT_EQ(zemtest::HiveText("HKCU"), applied) << "applying twice leaves the registry as once";

        const zemtest::ProgramRun remove = RunProgram(ZEM_REGRGS, {"/u", "/s", script_, "MODPATH=C:\\zem"});
        ASSERT_EQ(remove.exitCode, 0) << remove.output;
        EXPECT_EQ(zemtest::HiveText("HKCU"), user);
        EXPECT_EQ(zemtest::HiveText("HKLM"), machine);
    }
}

TEST_F(RegToolsTest, FailuresChangeNothingAndExitNonZero)
{
    Prepare("[HKEY_CURRENT_USER\\Software\\Classes]\r\n");
    const std::string user = zemtest::HiveText("HKCU");
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const std::string broken = zemtest::NewFolder("rgs") + "/broken.rgs";
    zemtest::WriteFile(broken, std::string(kScript) + "HKCU { A = s 'x'\n");
    const Case cases[] = {
        {{script_}, "no value given for %MODPATH%"},
        {{broken, "MODPATH=/x"}, "broken.rgs, line 30: a block without its closing }"},
        {{"C:\\no\\such.rgs", "MODPATH=/x"}, "cannot read the script \"C:\\no\\such.rgs\""},
        {{"/q", script_}, "usage: regrgs.exe"},
    };
    for (const Case& c : cases) {
        const zemtest::ProgramRun run = RunProgram(ZEM_REGRGS, c.args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_EQ(zemtest::HiveText("HKCU"), user);
    }
}

TEST_F(RegToolsTest, RegeditImportsWholeFilesOnly)
{
    const std::string folder = zemtest::NewFolder("reg");
    zemtest::WriteFile(folder + "/good.reg",
                       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zem]\r\n\"1200\"=dword:00000000\r\n");
    zemtest::WriteFile(folder + "/bad.reg",
                       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"A\"=\"b\"\r\nnonsense\r\n");
    const zemtest::ProgramRun good = RunProgram(ZEM_REGEDIT, {"/s", folder + "/good.reg"});
    ASSERT_EQ(good.exitCode, 0) << good.output;
    EXPECT_EQ(good.output, "");
    const std::string imported = zemtest::HiveText("HKCU");
    EXPECT_NE(imported.find("\"1200\"=dword:00000000"), std::string::npos);

    const zemtest::ProgramRun bad = RunProgram(ZEM_REGEDIT, {"/s", folder + "/bad.reg"});
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_NE(bad.output.find("line 5"), std::string::npos) << bad.output;
    EXPECT_EQ(zemtest::HiveText("HKCU"), imported);
}

}  // namespace
