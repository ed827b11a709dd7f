// Folder and file helpers: creating chains, path kinds, folder sizes, browsing, shortcuts.
#include "ZemBaseLib/browse.h"
#include "ZemBaseLib/folders.h"
#include "ZemBaseLib/mounts.h"
#include "ZemBaseLib/shortcut.h"

#include "base/paths.h"
#include "support/scratch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(CreatePath, CreatesTheWholeChainAndAcceptsWhatExists)
{
    const std::string driveC = zem::DriveFolder('C');
    EXPECT_TRUE(CreatePath("C:\\a\\b\\c"));
    for (const char* folder : {"/a", "/a/b", "/a/b/c"})
        EXPECT_TRUE(fs::is_directory(driveC + folder)) << folder;
    EXPECT_TRUE(CreatePath("C:\\a\\b\\c"));  // exists already

    EXPECT_TRUE(CreatePath("C:\\d\\e\\\\"));
    EXPECT_TRUE(fs::is_directory(driveC + "/d/e"));

    const std::string native = zemtest::NewFolder("native") + "/x/y";
    EXPECT_TRUE(CreatePath(native));
    EXPECT_TRUE(fs::is_directory(native));

    zemtest::WriteFile(driveC + "/file.txt", "x");
    EXPECT_TRUE(CreatePath("C:\\file.txt"));          // anything standing there counts
    EXPECT_FALSE(CreatePath("C:\\file.txt\\sub"));    // not a folder
    EXPECT_FALSE(CreatePath(""));
}

TEST(GetPathKind, LocalPathsAreOneMissingOnesZero)
{
    const std::string folder = zemtest::NewFolder("kind");
    zemtest::WriteFile(folder + "/file.txt", "x");
    const struct {
        std::string path;
        int kind;
    } cases[] = {
        {folder, 1},
        {folder + "/file.txt", 1},
        {"\"" + folder + "/file.txt\"", 1},
        {folder + "/missing", 0},
        {"C:\\", 1},
        {"C:\\no\\such\\thing", 0},
        {"", 0},
        {"\"\"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetPathKind(c.path), c.kind) << c.path;
        EXPECT_EQ(PathExists(c.path), c.kind) << c.path;
    }
}

TEST(Mounts, MountInfoLinesAndTheirServers)
{
    const struct {
        const char* line;
        bool parsed;
        unsigned major, minor;
        const char* mountPoint;
        const char* server;
    } cases[] = {
        {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue", true,
         98, 0, "/mnt2", ""},
        {"40 25 0:50 / /mnt/share rw,relatime shared:7 - cifs //OTHERPC/share rw,vers=3.0", true,
         0, 50, "/mnt/share", "OTHERPC"},
        {"41 25 0:51 / /mnt/my\\040share rw - nfs4 files.example.com:/export rw", true, 0, 51,
         "/mnt/my share", "files.example.com"},
        {"42 25 0:52 / /mnt/ssh rw - fuse.sshfs user@host:/home rw", true, 0, 52, "/mnt/ssh",
         "host"},
        {"43 25 0:53 / /mnt/v6 rw - nfs [fe80::1]:/x rw", true, 0, 53, "/mnt/v6", "fe80::1"},
        {"44 25 0:54 / /tmp rw - tmpfs tmpfs rw", true, 0, 54, "/tmp", ""},
        {"garbage", false, 0, 0, "", ""},
        {"1 2 3:4 / /x rw -", false, 0, 0, "", ""},
        {"1 2 x:y / /x rw - ext4 /dev/sda rw", false, 0, 0, "", ""},
    };
    for (const auto& c : cases) {
        MountEntry entry;
        ASSERT_EQ(ParseMountInfoLine(c.line, entry), c.parsed) << c.line;
        if (!c.parsed)
            continue;
        EXPECT_EQ(entry.major, c.major) << c.line;
        EXPECT_EQ(entry.minor, c.minor) << c.line;
        EXPECT_EQ(entry.mountPoint, c.mountPoint) << c.line;
        EXPECT_EQ(NetworkServer(entry), c.server) << c.line;
    }
}

TEST(GetFileFolder, FolderOfAFileAFolderItselfOrNothing)
{
    const std::string folder = zemtest::NewFolder("ff");
    zemtest::WriteFile(folder + "/x.txt", "x");
    CreatePath("C:\\ff");
    zemtest::WriteFile(zem::MapPath("C:\\ff\\y.txt"), "y");
    const struct {
        std::string path;
        std::string folder;
    } cases[] = {
        {folder + "/x.txt", folder},
        {folder + "//x.txt", folder},
        {folder, folder},
        {folder + "/missing.txt", ""},
        {"C:\\ff\\y.txt", "C:\\ff"},
        {"C:\\ff", "C:\\ff"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFileFolder(c.path), c.folder) << c.path;

    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(GetFileFolder(""), fs::path(self).parent_path().native());
}

TEST(GetFolderSize, PatternPicksEntriesOfTheFolderAndLinksAreNotFollowed)
{
    const std::string root = zemtest::NewFolder("size");
    fs::create_directories(root + "/sub/deeper");
    fs::create_directories(root + "/music.wav");  // a folder "*.wav" picks: all of it counts
    zemtest::WriteFile(root + "/a.wav", std::string(10, 'a'));
    zemtest::WriteFile(root + "/b.txt", std::string(20, 'b'));
    zemtest::WriteFile(root + "/sub/c.WAV", std::string(30, 'c'));
    zemtest::WriteFile(root + "/sub/deeper/d.wav", std::string(40, 'd'));
    zemtest::WriteFile(root + "/music.wav/e.txt", std::string(5, 'e'));
    fs::create_directory_symlink(root, root + "/sub/loop");  // a loop back to the top
    fs::create_symlink(root + "/a.wav", root + "/link.wav");

    const struct {
        bool recursive;
        const char* pattern;
        int64_t size;
    } cases[] = {
        {true, "*.wav", 15},
        {false, "*.wav", 10},
        {true, "*.*", 105},
        {true, "", 105},
        {false, "*", 30},
        {true, "?.txt", 20},
        {true, "S*", 70},
        {false, "s*", 0},
        {true, "*.mp3", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFolderSize(root, c.recursive, c.pattern), c.size)
            << c.pattern << (c.recursive ? " recursive" : "");
    EXPECT_EQ(GetFolderSize(root + "///", true, "*.wav"), 15);
    EXPECT_EQ(GetFolderSize(root + "/missing", true, "*.*"), 0);
}

TEST(BrowseForFolder, AnswersThroughTheInstalledPickerAndCancelGivesNothing)
{
    EXPECT_EQ(BrowseForFolder(nullptr, "/start"), "");  // no picker: cancelled

    std::string seenStart;
    bool pick = true;
    SetFolderPicker([&](void*, const std::string& start, std::string& chosen) {
        seenStart = start;
        if (pick)
            chosen = "/chosen/folder";
        return pick;
    });
    EXPECT_EQ(BrowseForFolder(nullptr, "/start"), "/chosen/folder");
    EXPECT_EQ(seenStart, "/start");

    pick = false;
    EXPECT_EQ(BrowseForFolder(nullptr, ""), "");  // not the previous choice
    EXPECT_EQ(seenStart, fs::current_path().native());

    SetFolderPicker([](void*, const std::string&, std::string&) -> bool {
        throw std::runtime_error("dialog failed");
    });
    EXPECT_EQ(BrowseForFolder(nullptr, "/start"), "");
    SetFolderPicker(nullptr);
}

TEST(CreateShortcut, LongerNamesEndInLnkWithoutRegardToCase)
{
    const std::string driveC = zem::DriveFolder('C');
    zemtest::WriteFile(driveC + "/target file.txt", "t");
    const struct {
        const char* link;
        const char* written;
    } cases[] = {
        {"C:\\x.LNK", "/x.LNK"},
        {"C:\\y.lnk", "/y.lnk"},
        {"C:\\z", "/z.lnk"},
        {"C:\\ab", "/ab.lnk"},
        {"", "/target file.txt.lnk"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(CreateShortcut("C:\\target file.txt", c.link, "Caf\xe9")) << c.link;
        EXPECT_TRUE(zemtest::Exists(driveC + c.written)) << c.link;
        EXPECT_FALSE(zemtest::Exists(driveC + c.written + ".lnk")) << c.link;
    }
    EXPECT_EQ(zemtest::ReadFile(driveC + "/z.lnk"),
              "[Desktop Entry]\nVersion=1.0\nType=Link\nName=z\nComment=Caf\xc3\xa9\n"
              "URL=file://" + driveC + "/target%20file.txt\n");
    // Three characters or fewer are taken as they are.
    const fs::path before = fs::current_path();
    fs::current_path(zemtest::NewFolder("links"));
    EXPECT_TRUE(CreateShortcut("C:\\target file.txt", "abc", ""));
    EXPECT_NE(zemtest::ReadFile("abc").find("\nName=abc\n"), std::string::npos);
    EXPECT_FALSE(zemtest::Exists("abc.lnk"));
    fs::current_path(before);
    EXPECT_FALSE(CreateShortcut("", "C:\\empty", ""));
    EXPECT_FALSE(CreateShortcut("C:\\target file.txt", "C:\\no\\folder\\x", ""));
}
