// qmxplaycfg run headless with its switches, as a user without administrator rights (when
// the tests run as root, as the user nobody) and as an administrator (root).
#include "configtest.h"
#include "support/runprogram.h"
#include "support/scratch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace configtest;

constexpr char kNobody[] = "65534";

// Whether a user without rights can get at the program: every folder above it searchable by
// others (a checkout below /root is not, when the tests run as root).
bool UserCanReach(const std::filesystem::path& program)
{
    if (geteuid() != 0)
        return true;
    for (std::filesystem::path folder = program.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        struct stat info{};
        if (stat(folder.c_str(), &info) != 0 || !(info.st_mode & S_IXOTH))
            return false;
        if (folder == folder.root_path())
            break;
    }
    return true;
}

class QmxPlayCfgTest : public ::testing::Test {
protected:
    void SetUp() override { ResetHives(); }

    // A plain user's run: as nobody when the tests run as root, with the test's ZEM_ROOT and
    // TMP opened to that user.
    static zemtest::ProgramRun RunAsUser(const std::string& switches)
    {
        if (geteuid() != 0)
            return zemtest::RunProgram(ZEM_QMXPLAYCFG, {switches});
        const std::string root = zemtest::RootFolder();
        for (const std::string& folder : {root, root + "/tmp", root + "/registry", root + "/drive_c"}) {
            std::filesystem::create_directories(folder);
            chmod(folder.c_str(), 0777);
        }
        return zemtest::RunProgram("setpriv", {"--reuid", kNobody, "--regid", kNobody, "--clear-groups",
                                               ZEM_QMXPLAYCFG, switches});
    }
};

TEST_F(QmxPlayCfgTest, EnableRegistersForThisUserOnlyAndDisableUndoesIt)
{
    if (!UserCanReach(ZEM_QMXPLAYCFG))
        GTEST_SKIP() << "the build folder is out of reach for the user nobody";
    ASSERT_EQ(ResolvingProgIds(), 0);
    const zemtest::ProgramRun enable = RunAsUser("-enable");
    ASSERT_EQ(enable.exitCode, 0) << enable.output;
    EXPECT_EQ(ResolvingProgIds(), 3);
    for (const char* progId : kProgIds)
        EXPECT_EQ(ProgIdHives(progId), "HKCU") << progId;
    EXPECT_EQ(Setting("OCXEnabled"), "dword:1");
    EXPECT_EQ(Setting("Volume"), "dword:255");
    EXPECT_EQ(Setting("Language"), "<none>") << "without the dialog only the numbers are written";
    EXPECT_EQ(Value(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\0",
                    "1201"),
              "dword:0")
        << "the user's registry file was applied";
    EXPECT_EQ(LeftTempFolders(), 0);

    const zemtest::ProgramRun disable = RunAsUser("-disable");
    ASSERT_EQ(disable.exitCode, 0) << disable.output;
    EXPECT_EQ(ResolvingProgIds(), 0);
    EXPECT_EQ(Setting("OCXEnabled"), "dword:0");
    EXPECT_EQ(LeftTempFolders(), 0);
}

TEST_F(QmxPlayCfgTest, BothSwitchesUnregister)
{
    if (!UserCanReach(ZEM_QMXPLAYCFG))
        GTEST_SKIP() << "the build folder is out of reach for the user nobody";
    ASSERT_EQ(RunAsUser("-enable").exitCode, 0);
    ASSERT_EQ(ResolvingProgIds(), 3);
    const zemtest::ProgramRun both = RunAsUser("-enable -disable");
    ASSERT_EQ(both.exitCode, 0) << both.output;
    EXPECT_EQ(ResolvingProgIds(), 0);
    EXPECT_EQ(Setting("OCXEnabled"), "dword:0");
}

TEST_F(QmxPlayCfgTest, AnAdministratorRegistersForAllUsers)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs the effective user id 0";
    const zemtest::ProgramRun enable = zemtest::RunProgram(ZEM_QMXPLAYCFG, {"-enable"});
    ASSERT_EQ(enable.exitCode, 0) << enable.output;
    // The classes go to the machine; the script still writes the user's own entries.
    for (const char* progId : kProgIds)
        EXPECT_EQ(ProgIdHives(progId), "HKCU+HKLM") << progId;
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE,
                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Lockdown_Zones\\0", "1400"),
              "dword:0");
    ASSERT_EQ(zemtest::RunProgram(ZEM_QMXPLAYCFG, {"-disable"}).exitCode, 0);
    EXPECT_EQ(ResolvingProgIds(), 0);
}

}  // namespace
