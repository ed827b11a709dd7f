// Shared main of every test binary: a fresh ZEM_ROOT and TMP, removed at the end unless
// ZEM_KEEP_TEST_ROOT is set. A test binary runs the same with or without the test script's
// variables: no display, no sound card, message boxes on standard error, unless asked otherwise.
#include "support/scratch.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zemtest {
extern std::string g_root;
}

int main(int argc, char** argv)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zemtest.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end() + 1);
    if (!mkdtemp(name.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    zemtest::g_root = name.data();
    const std::string tmp = zemtest::g_root + "/tmp";
    std::filesystem::create_directories(tmp);
    setenv("ZEM_ROOT", zemtest::g_root.c_str(), 1);
    setenv("TMP", tmp.c_str(), 1);
    setenv("TMPDIR", tmp.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ZEM_UI", "headless", 0);
    setenv("ZEM_AUDIO", "null", 0);

    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    if (!std::getenv("ZEM_KEEP_TEST_ROOT")) {
        std::error_code ec;
        std::filesystem::remove_all(zemtest::g_root, ec);
    }
    return result;
}
