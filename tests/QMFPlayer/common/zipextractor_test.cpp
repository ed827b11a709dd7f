#include "QMFPlayer/common/zipextractor.h"
#include "support/scratch.h"
#include "ziptestfile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using ziptest::Entry;
using Entries = std::vector<Entry>;

namespace {

struct Workspace {
    std::string root = zemtest::NewFolder("zip");
    std::string outside = root + "/outside";
    std::string destination = root + "/work/dest";
    std::string archive = root + "/viewer.zip";

    explicit Workspace(const std::vector<Entry>& entries)
    {
        fs::create_directories(outside);
        zemtest::WriteFile(archive, ziptest::MakeZip(entries));
    }
    // Everything outside the destination: the outside folder and the destination's parent.
    size_t WrittenOutside() const
    {
        size_t count = 0;
        for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(outside))
            ++count;
        for (const auto& e : fs::directory_iterator(root + "/work"))
            count += e.path().filename() == "dest" ? 0 : 1;
        return count;
    }
};

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    lstat(path.c_str(), &st);
    return st.st_mode;
}

TEST(ZipExtractor, KeepsOrDropsFoldersAndRestoresTimes)
{
    const uint32_t stamp = 0x58A16C20;  // 2024-05-01 13:33:00 local
    const std::vector<Entry> entries{{"pages/", ""}, {"pages/img/", ""}, {"pages/img/a.gif", "GIF89a", 0, 0, stamp}};
    Workspace kept(entries);
    ASSERT_TRUE(ExtractArchive(kept.archive, kept.destination, false));
    const std::string file = kept.destination + "/pages/img/a.gif";
    EXPECT_EQ(zemtest::ReadFile(file), "GIF89a");
    std::tm local{};
    strptime("2024-05-01 13:33:00", "%Y-%m-%d %H:%M:%S", &local);
    local.tm_isdst = -1;
    EXPECT_EQ(fs::last_write_time(file), fs::file_time_type::clock::from_sys(
                                             std::chrono::system_clock::from_time_t(std::mktime(&local))));

    Workspace flat(entries);
    ASSERT_TRUE(ExtractArchive(flat.archive, flat.destination, true));
    EXPECT_EQ(zemtest::ReadFile(flat.destination + "/a.gif"), "GIF89a");
    EXPECT_FALSE(zemtest::Exists(flat.destination + "/pages/img/a.gif"));
}

TEST(ZipExtractor, HostileNamesFailAndWriteNothingOutside)
{
    const struct {
        const char* what;
        std::vector<Entry> entries;
    } cases[] = {
        {"climbs out", {{"../x", "evil"}}},
        {"climbs out later", {{"a/../../x", "evil"}}},
        {"climbs with back slashes", {{"a\\..\\..\\x", "evil"}}},
        {"absolute", {{"/abs/x", "evil"}}},
        {"drive", {{"C:\\x", "evil"}}},
        {"NUL inside", {{std::string("ok\0/../../x", 11), "evil"}}},
        {"folder climbs out", {{"../outside/made/", ""}}},
        {"too long", {{std::string(300, 'n'), "evil"}}},
    };
    for (const auto& c : cases) {
        Workspace w(c.entries);
        EXPECT_FALSE(ExtractArchive(w.archive, w.destination, false)) << c.what;
        EXPECT_EQ(w.WrittenOutside(), 0u) << c.what;
    }
}

TEST(ZipExtractor, NeverWritesThroughALinkAndNeverMakesOne)
{
    Workspace linkEntry(Entries{{"link", "../../outside/x", 0120777}, {"link/y", "evil"}});
    EXPECT_FALSE(ExtractArchive(linkEntry.archive, linkEntry.destination, false));
    EXPECT_TRUE(S_ISREG(ModeOf(linkEntry.destination + "/link")));
    EXPECT_EQ(linkEntry.WrittenOutside(), 0u);

    Workspace existingLink(Entries{{"out/x", "evil"}});
    fs::create_directories(existingLink.destination);
    fs::create_directory_symlink(existingLink.outside, existingLink.destination + "/out");
    EXPECT_FALSE(ExtractArchive(existingLink.archive, existingLink.destination, false));
    EXPECT_EQ(existingLink.WrittenOutside(), 0u);
}

TEST(ZipExtractor, RestoresUnixPermissionBitsOnly)
{
    Workspace w(Entries{{"tool", "#!/bin/sh\n", 0104755}, {"page.html", "<html/>"}, {"data", "", 0, 0x10}});
    ASSERT_TRUE(ExtractArchive(w.archive, w.destination, false));
    EXPECT_EQ(ModeOf(w.destination + "/tool") & 07777, 0755u);
    EXPECT_EQ(ModeOf(w.destination + "/page.html") & 0111, 0u);
    EXPECT_TRUE(S_ISDIR(ModeOf(w.destination + "/data")));
}

TEST(ZipExtractor, StopsAtTheFirstFailingEntry)
{
    Workspace w(Entries{{"first", "1"}, {"../bad", "2"}, {"third", "3"}});
    EXPECT_FALSE(ExtractArchive(w.archive, w.destination, false));
    EXPECT_TRUE(zemtest::Exists(w.destination + "/first"));
    EXPECT_FALSE(zemtest::Exists(w.destination + "/third"));

    Workspace empty(Entries{});
    EXPECT_FALSE(ExtractArchive(empty.archive, empty.destination, false));
    EXPECT_FALSE(ExtractArchive(empty.root + "/missing.zip", empty.destination, false));

    // A stop request ends the extraction before the next piece is written.
    for (const bool keepGoing : {true, false}) {
        Workspace stop(Entries{{"first", "1"}, {"second", "2"}});
        const std::atomic<bool> flag{keepGoing};
        EXPECT_EQ(ExtractArchive(stop.archive, stop.destination, false, &flag), keepGoing);
        EXPECT_EQ(zemtest::ReadFile(stop.destination + "/first"), keepGoing ? "1" : "");
        EXPECT_EQ(zemtest::Exists(stop.destination + "/second"), keepGoing);
    }
}

TEST(ZipExtractor, ReadOnlyTargetThatCannotBeReplacedFails)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files";
    Workspace w(Entries{{"page.html", "new"}});
    fs::create_directories(w.destination);
    zemtest::WriteFile(w.destination + "/page.html", "old");
    chmod((w.destination + "/page.html").c_str(), 0444);
    EXPECT_FALSE(ExtractArchive(w.archive, w.destination, false));
    EXPECT_EQ(zemtest::ReadFile(w.destination + "/page.html"), "old");
}

TEST(ZipExtractor, ExtensionFilterAndDefaultDestination)
{
    Workspace w(Entries{{"a.html", "1"}, {"b.GIF", "2"}, {"c.txt", "3"}, {"d.gif", "4"}});
    CZipExtractor zip(w.archive);
    EXPECT_EQ(zip.GetEntryCount(), 4u);
    EXPECT_EQ(zip.DefaultDestination(), w.root + "/viewer");
    ZipEntry entry;
    ASSERT_TRUE(zip.GoToFirstEntry("gif") && zip.GetCurrentEntry(entry));
    EXPECT_EQ(entry.name, "b.GIF");
    ASSERT_TRUE(zip.GoToNextEntry("gif") && zip.GetCurrentEntry(entry));
    EXPECT_EQ(entry.name, "d.gif");
    EXPECT_TRUE(zip.ExtractCurrent({}, false));
    EXPECT_EQ(zemtest::ReadFile(w.root + "/viewer/d.gif"), "4");
    EXPECT_FALSE(zip.GoToNextEntry("gif"));
}

}  // namespace
