#include "process/commandline.h"
#include "base/paths.h"
#include "support/scratch.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

TEST(SplitArguments, FollowsTheWindowsQuotingRules)
{
    const struct {
        const char* text;
        Args args;
    } cases[] = {
        {"", {}},
        {"  a\tb  c ", {"a", "b", "c"}},
        {"\"a b\" c", {"a b", "c"}},
        {"x\"a b\"y", {"xa by"}},
        {"\"\"", {""}},
        {"a\\\\b", {"a\\\\b"}},
        {"C:\\temp\\ \"C:\\x y\\\\\"", {"C:\\temp\\", "C:\\x y\\"}},
        {"a\\\"b", {"a\"b"}},
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"a\"\"b\" c", {"a\"b", "c"}},
        {"\"open end", {"open end"}},
        {"$HOME;rm|x >y", {"$HOME;rm|x", ">y"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zem::SplitArguments(c.text), c.args) << c.text;
}

void MakeProgram(const std::string& path)
{
    fs::create_directories(fs::path(path).parent_path());
    zemtest::WriteFile(path, "#!/bin/sh\n");
    fs::permissions(path, fs::perms::owner_all);
}

TEST(ParseCommandLine, FindsTheProgramAsCreateProcessDoes)
{
    const std::string drive = zem::DriveFolder('C');
    const std::string tools = zemtest::NewFolder("path");
    MakeProgram(drive + "/Program Files/Zem Tools/crypt tool");
    MakeProgram(drive + "/Apps/Sub/prog");
    MakeProgram(drive + "/Apps/Sub dir/x");
    // Not a program of the build: the running program's folder is searched before PATH.
    MakeProgram(tools + "/pathtool.exe");
    const std::string path = std::getenv("PATH");
    setenv("PATH", (tools + ":" + path).c_str(), 1);

    const struct {
        std::string line;
        std::string program;
        Args argv;
    } cases[] = {
        {"C:\\Program Files\\Zem Tools\\crypt tool /dec a", drive + "/Program Files/Zem Tools/crypt tool",
         {"C:\\Program Files\\Zem Tools\\crypt tool", "/dec", "a"}},
        {"\"C:\\Program Files\\Zem Tools\\crypt tool\" \"b c\"", drive + "/Program Files/Zem Tools/crypt tool",
         {"C:\\Program Files\\Zem Tools\\crypt tool", "b c"}},
        // The shorter prefix wins when it names a program.
        {"C:\\Apps\\Sub dir\\x y", drive + "/Apps/Sub dir/x", {"C:\\Apps\\Sub dir\\x", "y"}},
        {"C:\\Apps\\Sub\\prog dir\\x", drive + "/Apps/Sub/prog", {"C:\\Apps\\Sub\\prog", "dir\\x"}},
        {"  pathtool.exe /s f.reg", tools + "/pathtool.exe", {"pathtool.exe", "/s", "f.reg"}},
        {"pathtool /s", tools + "/pathtool.exe", {"pathtool", "/s"}},
        {drive + "/Apps\\Sub\\prog", drive + "/Apps/Sub/prog", {drive + "/Apps\\Sub\\prog"}},
    };
    for (const auto& c : cases) {
        zem::CommandLine parsed;
        ASSERT_TRUE(zem::ParseCommandLine(c.line, parsed)) << c.line;
        EXPECT_EQ(parsed.program, c.program) << c.line;
        EXPECT_EQ(parsed.argv, c.argv) << c.line;
    }
    zem::CommandLine parsed;
    EXPECT_FALSE(zem::ParseCommandLine("C:\\Program Files\\nothing here", parsed));
    EXPECT_FALSE(zem::ParseCommandLine("   ", parsed));
    setenv("PATH", path.c_str(), 1);
}

}  // namespace
