#include "QMFPlayer/common/directorywalker.h"
#include "QMFPlayer/common/folderdeleter.h"
#include "support/scratch.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Logs what the walk meets, as "kind:path" lines relative to the top folder.
class RecordingWalker : public CDirectoryWalker {
public:
    explicit RecordingWalker(std::string top, std::string abortAt = {}) : top_(std::move(top)), abortAt_(std::move(abortAt)) {}
    void Notify(int kind, const std::string& text, const std::string& path) override
    {
        log.push_back(std::to_string(kind) + ":" + Relative(text) + (path.empty() ? "" : "|" + path));
    }
    bool ProcessFile(const std::string& path) override
    {
        if (Relative(path) == abortAt_)
            Abort();
        return CDirectoryWalker::ProcessFile(path);
    }
    std::vector<std::string> log;

private:
    std::string Relative(const std::string& path) const
    {
        return path.rfind(top_, 0) == 0 ? path.substr(top_.size()) : path;
    }
    std::string top_, abortAt_;
};

// top/{a, sub/{b}, ..x/{c}, .hidden/{d}, link -> outside, loop -> top}; outside/{keep}
struct Tree {
    std::string root = zemtest::NewFolder("walk");
    std::string top = root + "/top";
    std::string outside = root + "/outside";
    Tree()
    {
        for (const char* folder : {"/sub", "/..x", "/.hidden"})
            fs::create_directories(top + folder);
        fs::create_directories(outside);
        for (const char* file : {"/a", "/sub/b", "/..x/c", "/.hidden/d"})
            zemtest::WriteFile(top + file, "x");
        zemtest::WriteFile(outside + "/keep", "keep");
        fs::create_directory_symlink(outside, top + "/link");
        fs::create_directory_symlink(top, top + "/loop");
    }
};

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST(DirectoryWalker, WalksDotFoldersTakesLinksAsFilesAndSubfoldersFirst)
{
    Tree tree;
    RecordingWalker walker(tree.top);
    ASSERT_TRUE(walker.Walk(tree.top));
    EXPECT_EQ(walker.FoldersEntered(), 4u);
    EXPECT_EQ(walker.FilesSeen(), 6u);
    std::vector<std::string> processed;
    for (const std::string& line : walker.log) {
        if (line.rfind("6:", 0) == 0)
            processed.push_back(line.substr(2));
    }
    EXPECT_EQ(Sorted(processed), (std::vector<std::string>{"/..x/c", "/.hidden/d", "/a", "/link", "/loop", "/sub/b"}));
    // Every subfolder's files come before the top folder's own.
    const auto firstTopFile = std::find_if(processed.begin(), processed.end(),
                                           [](const std::string& p) { return p.find('/', 1) == std::string::npos; });
    EXPECT_EQ(firstTopFile - processed.begin(), 3);
}

TEST(DirectoryWalker, AbortStopsBetweenEntriesAndMissingFolderReportsBothListings)
{
    Tree tree;
    RecordingWalker aborting(tree.top, "/sub/b");
    EXPECT_TRUE(aborting.Walk(tree.top));
    EXPECT_NE(std::find(aborting.log.begin(), aborting.log.end(), "3:aborted"), aborting.log.end());
    EXPECT_LT(aborting.FilesSeen(), 6u);

    RecordingWalker missing(tree.root);
    EXPECT_TRUE(missing.Walk(tree.root + "/none"));
    EXPECT_EQ(missing.LastError(), ENOENT);
    EXPECT_EQ(std::count_if(missing.log.begin(), missing.log.end(),
                            [](const std::string& l) { return l.find('|') != std::string::npos && l.ends_with("/none"); }),
              2);
}

TEST(FolderDeleter, RemovesEverythingButWhatLinksPointTo)
{
    Tree tree;
    zemtest::WriteFile(tree.top + "/sub/readonly", "x");
    chmod((tree.top + "/sub/readonly").c_str(), 0444);
    fs::create_directories(tree.top + "/locked/inner");
    zemtest::WriteFile(tree.top + "/locked/inner/f", "x");
    chmod((tree.top + "/locked/inner").c_str(), 0555);
    chmod((tree.top + "/locked").c_str(), 0555);
    chmod(tree.top.c_str(), 0555);

    CFolderDeleter().Walk(tree.top);
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree.top)));
    EXPECT_EQ(zemtest::ReadFile(tree.outside + "/keep"), "keep");
}

TEST(FolderDeleter, LeavesATopLinkAndItsTargetAlone)
{
    Tree tree;
    const std::string link = tree.root + "/toplink";
    fs::create_directory_symlink(tree.outside, link);
    CFolderDeleter().Walk(link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(zemtest::ReadFile(tree.outside + "/keep"), "keep");
}

}  // namespace
