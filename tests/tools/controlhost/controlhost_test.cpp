// controlhost as the pages use it: a registered control is created in place and driven by
// script; failures name the page, line and member and end with a non-zero status.
#include "support/runprogram.h"
#include "support/scratch.h"

#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace {

using zemtest::RunProgram;

class ControlHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const zemtest::ProgramRun reg = RunProgram(ZEM_REGSVREX, {"/c", ZEM_TEST_CONTROL});
        ASSERT_EQ(reg.exitCode, 0) << reg.output;
    }
    void SetUp() override { folder_ = zemtest::NewFolder("host"); }

    // Runs a page of one test control (id "counter") and the given script.
    zemtest::ProgramRun RunPage(const std::string& script)
    {
        zemtest::WriteFile(folder_ + "/page.html",
                           "<html><body>\n"
                           "<object id=\"counter\" classid=\"ZemTest.Counter.1\" width=\"120\" height=\"40\"></object>\n"
                           "<script>\n" + script + "\n</script>\n</body></html>\n");
        return RunProgram(ZEM_CONTROLHOST, {"-new", folder_ + "/page.html"});
    }

    std::string folder_;
};

uint32_t BigEndian(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

TEST_F(ControlHostTest, ScriptDrivesTheControlAndTakesAScreenshot)
{
    // data.js holds Latin-1 and opens with the classic comment line.
    zemtest::WriteFile(folder_ + "/data.js", "<!--\nvar word = \"gr\xFC\xDF\";\n-->\n");
    zemtest::WriteFile(folder_ + "/page.html",
                       "<object id=\"counter\" classid=\"ZemTest.Counter.1\" width=\"300\" height=\"40\"></object>\n"
                       "<script src=\"data.js\"></script>\n"
                       "<script>\n"
                       "counter.Value = 40;\n"
                       "host.print(\"add \" + counter.Add(2));\n"
                       "counter.Label = word;\n"
                       "host.print(\"label \" + counter.Label.length + \" \" + (counter.Label === word));\n"
                       "counter.Enabled = 1;\n"
                       "host.print(\"enabled \" + counter.Enabled + \" \" + typeof counter.Enabled);\n"
                       "host.print(\"found \" + (document.getElementById(\"counter\") !== null));\n"
                       "var ticks = 0;\n"
                       "host.print(\"waited \" + host.waitFor(function () { return ++ticks > 3; }, 5000));\n"
                       "host.screenshot(\"" + folder_ + "/shot.png\");\n"
                       "host.quit(0);\n"
                       "host.print(\"not reached\");\n"
                       "</script>\n");
    const zemtest::ProgramRun run = RunProgram(ZEM_CONTROLHOST, {"-new", folder_ + "/page.html"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* line : {"add 42\n", "label 4 true\n", "enabled true boolean\n", "found true\n", "waited true\n"})
        EXPECT_NE(run.output.find(line), std::string::npos) << line << " in " << run.output;
    EXPECT_EQ(run.output.find("not reached"), std::string::npos);

    const std::string png = zemtest::ReadFile(folder_ + "/shot.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(BigEndian(png, 16), 308u) << "the control's width and margins";
}

// An <object>'s <param> tags are the control's saved properties; a size the element leaves
// open is the one they give.
TEST_F(ControlHostTest, ParamTagsLoadTheControlsProperties)
{
    const struct {
        const char* params;
        const char* value;
        uint32_t width;
        const char* refused;  // the complaint, if any
    } cases[] = {
        {"<param name=\"Value\" value=\"40\"><param name=\"_ExtentX\" value=\"7938\">", "value 40", 308, nullptr},
        {"", "value 0", 200, nullptr},
        {"<param name=\"_Version\" value=\"1\"><param name=\"Value\" value=\"3\">", "value 0", 200,
         ":1: the control \"ZemTest.Counter.1\" refused its parameters: E_FAIL"},
    };
    for (const auto& c : cases) {
        const std::string shot = folder_ + "/params.png";
        zemtest::WriteFile(folder_ + "/params.html",
                           std::string("<object id=\"counter\" classid=\"ZemTest.Counter.1\">") + c.params +
                               "</object>\n<script>\nhost.print(\"value \" + counter.Value);\n"
                               "host.screenshot(\"" + shot + "\");\nhost.quit(0);\n</script>\n");
        const zemtest::ProgramRun run = RunProgram(ZEM_CONTROLHOST, {"-new", folder_ + "/params.html"});
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find(std::string(c.value) + "\n"), std::string::npos) << c.params << run.output;
        EXPECT_EQ(run.output.find("refused") != std::string::npos, c.refused != nullptr) << run.output;
        if (c.refused) {
            EXPECT_NE(run.output.find(c.refused), std::string::npos) << run.output;
        }
        const std::string png = zemtest::ReadFile(shot);
        ASSERT_GT(png.size(), 24u);
        EXPECT_EQ(BigEndian(png, 16), c.width) << c.params;
    }
}

TEST_F(ControlHostTest, FailuresNamePageLineAndMember)
{
    const struct {
        const char* script;
        const char* says;  // after "<page>:"
    } cases[] = {
        {"counter.Add(1);\ncounter.Plya();", "5: TypeError: counter has no member \"Plya\""},
        {"var v = counter.Valeu;", "4: TypeError: counter has no member \"Valeu\""},
        {"counter.Valeu = 3;", "4: Error: counter: unknown member \"Valeu\" (DISP_E_UNKNOWNNAME)"},
        {"\ncounter.Add(\"x\");", "5: Error: counter: member \"Add\" failed on argument 1 (DISP_E_TYPEMISMATCH)"},
        {"counter.Scale(1, 2);", "4: Error: counter: member \"Scale\" failed (DISP_E_BADPARAMCOUNT)"},
        {"counter.Fail();", "4: Error: counter: member \"Fail\" failed: the counter was asked to fail"},
        {"var = ;", "4: SyntaxError"},
        {"host.waitFor(function () {\n  return counter.Vlaue > 1; }, 5000);", "5: TypeError: counter has no member \"Vlaue\""},
    };
    for (const auto& c : cases) {
        const zemtest::ProgramRun run = RunPage(c.script);
        EXPECT_EQ(run.exitCode, 1) << c.script;
        EXPECT_NE(run.output.find("controlhost: " + folder_ + "/page.html:" + c.says), std::string::npos)
            << c.script << "\n" << run.output;
    }
}

TEST_F(ControlHostTest, MissingControlOrPageIsReported)
{
    zemtest::WriteFile(folder_ + "/none.html",
                       "<object id=\"gone\" classid=\"ZemTest.Missing.1\"></object>\n"
                       "<script>\nhost.print(gone === null);\nhost.quit(4);\n</script>\n");
    const zemtest::ProgramRun run = RunProgram(ZEM_CONTROLHOST, {folder_ + "/none.html"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.output.find(folder_ + "/none.html:1: cannot create the control \"ZemTest.Missing.1\": CO_E_CLASSSTRING"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("true\n"), std::string::npos);

    const zemtest::ProgramRun noPage = RunProgram(ZEM_CONTROLHOST, {"-new", folder_ + "/absent.html"});
    EXPECT_EQ(noPage.exitCode, 1);
    EXPECT_NE(noPage.output.find("cannot read the page"), std::string::npos);
    EXPECT_EQ(RunProgram(ZEM_CONTROLHOST, {}).exitCode, 2);
}

// Offscreen nobody closes the window: the host ends when its environment asks, by signal.
TEST_F(ControlHostTest, OffscreenHostEndsOnSigterm)
{
    const std::string page = folder_ + "/stay.html", shot = folder_ + "/up.png";
    zemtest::WriteFile(page, "<script>\nhost.screenshot(\"" + shot + "\");\n</script>\n");
    char* const argv[] = {const_cast<char*>(ZEM_CONTROLHOST), const_cast<char*>(page.c_str()), nullptr};
    pid_t host = 0;
    ASSERT_EQ(posix_spawn(&host, ZEM_CONTROLHOST, nullptr, nullptr, argv, environ), 0);
    for (int i = 0; i < 200 && !zemtest::Exists(shot); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(host, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(host, &status, 0), host);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
