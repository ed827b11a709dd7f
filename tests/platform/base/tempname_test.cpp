#include "base/tempname.h"
#include "support/scratch.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

TEST(TempName, TmpComesFirstThenPreferredThenSlashTmp)
{
    const std::string tmp = std::getenv("TMP");
    const std::string preferred = zemtest::NewFolder("pref");
    EXPECT_EQ(zem::TempFolder(preferred), tmp);

    const std::string saved = tmp;
    setenv("TMP", (tmp + "/missing").c_str(), 1);
    EXPECT_EQ(zem::TempFolder(preferred), preferred);
    EXPECT_EQ(zem::TempFolder("C:\\temp1"), "/tmp") << "C:\\temp1 does not exist";
    zemtest::NewFolder("unused");
    setenv("TMP", saved.c_str(), 1);
}

TEST(TempName, NamesNeverCollideUnderConcurrentCreation)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 200;
    std::mutex mutex;
    std::set<std::string> names;
    int failures = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kPerThread; ++i) {
                const std::string file = zem::CreateTempFile("qmf", ".tmp");
                const std::string folder = zem::CreateTempFolder("qmx");
                std::lock_guard lock(mutex);
                if (file.empty() || folder.empty())
                    ++failures;
                names.insert(file);
                names.insert(folder);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(names.size(), size_t{2 * kThreads * kPerThread});
    for (const auto& name : names) {
        ASSERT_TRUE(zemtest::Exists(name)) << name;
    }
    const std::string sample = *names.begin();
    EXPECT_EQ(sample.rfind(std::getenv("TMP"), 0), 0u) << sample;
}

TEST(TempName, FileNameKeepsPrefixAndSuffix)
{
    const std::string file = zem::CreateTempFile("qmf", ".tmp");
    const std::string base = file.substr(file.rfind('/') + 1);
    EXPECT_EQ(base.substr(0, 3), "qmf");
    EXPECT_EQ(base.substr(base.size() - 4), ".tmp");
}

TEST(TempName, WriteFileAtomicallyReplacesContentAndLeavesNoStray)
{
    const std::string folder = zemtest::NewFolder("atomic");
    const std::string path = folder + "/hive.reg";
    ASSERT_TRUE(zem::WriteFileAtomically(path, "first"));
    ASSERT_TRUE(zem::WriteFileAtomically(path, "second, longer"));
    EXPECT_EQ(zemtest::ReadFile(path), "second, longer");
    EXPECT_FALSE(zem::WriteFileAtomically(folder + "/no/such/dir/x", "y"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++entries;
    EXPECT_EQ(entries, 1);
}
