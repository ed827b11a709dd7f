// The hive files: their text, .reg import, malformed hives, writers in two processes and
// the machine hive's owner.
#include "regtest.h"
#include "support/scratch.h"

#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

using namespace zem;
using namespace regtest;

using RegistryFile = RegistryTest;

namespace {

std::string Bytes0To(int count)
{
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyEx(root, path, KEY_READ, &key);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

TEST_F(RegistryFile, EveryValueTypeRoundTripsThroughTheFile)
{
    const struct {
        const char* name;
        DWORD type;
        std::string data;
        std::string line;  // as the hive file holds it
    } cases[] = {
        {"Text", REG_SZ, std::string("C:\\temp \"quoted\"\0", 17), R"("Text"="C:\\temp \"quoted\"")"},
        {"", REG_SZ, std::string("default\0", 8), R"(@="default")"},
        {"Latin1", REG_SZ, std::string("M\xfcnchen\0", 8), "\"Latin1\"=\"M\xfcnchen\""},
        {"Number", REG_DWORD, std::string("\xff\xff\0\0", 4), R"("Number"=dword:0000ffff)"},
        {"Effect", REG_DWORD, std::string("\xff\xff\xff\xff", 4), R"("Effect"=dword:ffffffff)"},
        {"Bytes", REG_BINARY, std::string("\0\x01\xfe\xff", 4), R"("Bytes"=hex:00,01,fe,ff)"},
        {"Empty", REG_BINARY, "", R"("Empty"=hex:)"},
        {"NoZero", REG_SZ, "ab", R"("NoZero"=hex(1):61,62)"},
        {"Lines", REG_SZ, std::string("a\nb\0", 4), R"("Lines"=hex(1):61,0a,62,00)"},
        {"Expand", REG_EXPAND_SZ, std::string("%X%\0", 4), R"("Expand"=hex(2):25,58,25,00)"},
        {"Short", REG_DWORD, "\x01\x02", R"("Short"=hex(4):01,02)"},
        {"Say \"hi\"", REG_DWORD, std::string("\x01\0\0\0", 4), R"("Say \"hi\""=dword:00000001)"},
        {"Long", REG_BINARY, Bytes0To(30),
         "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,"
         "17,18,\\\n  19,1a,1b,1c,1d"},
    };
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\RoundTrip");
    RegCloseKey(Create(key, "Empty Key"));
    std::string expected = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\n"
                           "[HKEY_CURRENT_USER\\Software\\RoundTrip]\n";
    for (const auto& c : cases) {
        ASSERT_EQ(SetBytes(key, c.name, c.type, c.data), ERROR_SUCCESS) << c.name;
        expected += c.line + "\n";
    }
    expected += "\n[HKEY_CURRENT_USER\\Software\\RoundTrip\\Empty Key]\n\n";
    RegCloseKey(key);
    const std::string text = zemtest::ReadFile(HivePath("HKCU"));
    EXPECT_EQ(text, expected);

    // Read back from the file alone.
    RemoveHives();
    ReplaceHive("HKCU", text);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\RoundTrip", KEY_READ, &key),
              ERROR_SUCCESS);
    for (const auto& c : cases) {
        DWORD type = 0;
        EXPECT_EQ(QueryBytes(key, c.name, &type), c.data) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
    RegCloseKey(key);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\RoundTrip\\Empty Key"));
}

TEST_F(RegistryFile, ImportAppliesKeysValuesEscapesAndDeletions)
{
    HKEY before = Create(HKEY_CURRENT_USER, "Software\\Imported");
    ASSERT_EQ(SetDword(before, "Gone", 1), ERROR_SUCCESS);
    RegCloseKey(before);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Old\\Child"));

    const std::string reg =
        "REGEDIT4\r\n"
        "\r\n"
        "; written by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\Imported]\r\n"
        "@=\"C:\\\\Program Files\\\\zem\"\r\n"
        "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
        "\"Flags\"=dword:FFFFFFFF\r\n"
        "\"Small\"=dword:1\r\n"
        "\"Blob\"=hex:de,ad,\\\r\n"
        "  be,ef\r\n"
        "\"Multi\"=hex(7):61,00,00\r\n"
        "\"Gone\"=-\r\n"
        "  \"Spaced\" = \"yes\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Imported\\Sub\\Deep]\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Imported]\r\n"
        "\"Machine\"=dword:00000002\r\n"
        "[HKEY_CLASSES_ROOT\\CLSID\\{abc}]\r\n"
        "@=\"class\"\r\n";
    std::string error;
    ASSERT_EQ(RegImportText(reg, &error), ERROR_SUCCESS) << error;

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Imported", KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(QueryString(key, ""), "C:\\Program Files\\zem");
    EXPECT_EQ(QueryString(key, "Quote"), "say \"hi\"");
    EXPECT_EQ(QueryBytes(key, "Flags", &type), "\xff\xff\xff\xff");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(QueryBytes(key, "Small"), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(QueryBytes(key, "Blob", &type), "\xde\xad\xbe\xef");
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(QueryBytes(key, "Multi", &type), std::string("a\0\0", 3));
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(QueryString(key, "Spaced"), "yes");
    EXPECT_EQ(QueryString(key, "Gone"), "<missing>");
    RegCloseKey(key);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Imported\\Sub\\Deep"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Old"));

    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Imported", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(QueryBytes(key, "Machine"), std::string("\x02\0\0\0", 4));
    RegCloseKey(key);
    // A class key new to both copies lands in the machine's.
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{abc}", KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key, ""), "class");
    RegCloseKey(key);

    // From a file named by its system path.
    const std::string folder = zemtest::NewFolder("reg");
    zemtest::WriteFile(folder + "/x.reg",
                       "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\FromFile]\n\"A\"=\"1\"\n");
    ASSERT_EQ(RegImportFile(folder + "/x.reg", &error), ERROR_SUCCESS) << error;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\FromFile"));
    EXPECT_EQ(RegImportFile("C:\\no\\such.reg", &error), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFile, MalformedImportChangesNothingAndNamesTheLine)
{
    const std::string key = "[HKEY_CURRENT_USER\\Software\\Bad]\n";
    const struct {
        std::string text;
        int line;
    } cases[] = {
        {"", 1},
        {"REGEDIT5\n" + key, 1},
        {"REGEDIT4\n\"a\"=dword:1\n", 2},
        {"REGEDIT4\n" + key + "\"a\"=dword:123456789\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=dword:xyz\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=hex:01,2g\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=hex:100\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=hex:01,,02\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=hex(x):01\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=\"unterminated\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=\"C:\\temp\"\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=\"x\" trailing\n", 3},
        {"REGEDIT4\n" + key + "\"a\"=qword:1\n", 3},
        {"REGEDIT4\n" + key + "\"a\" dword:1\n", 3},
        {"REGEDIT4\n" + key + "garbage\n", 3},
        {"REGEDIT4\n[HKEY_USERS\\X]\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A\\\\B]\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\]\n", 2},
        {"REGEDIT4\n[-HKEY_CURRENT_USER]\n", 2},
        {"REGEDIT4\n[-HKEY_CURRENT_USER\\X]\n\"a\"=dword:1\n", 3},
        {"REGEDIT4\n" + key + "\"ok\"=dword:1\n\n\n\"a\"=hex:01,\\\n  zz\n", 6},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(RegImportText(c.text, &error), ERROR_INVALID_DATA) << c.text;
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ":", 0), 0u)
            << c.text << " -> " << error;
        EXPECT_FALSE(zemtest::Exists(HivePath("HKCU"))) << c.text;
    }
}

TEST_F(RegistryFile, MalformedHiveFailsAndIsNeverOverwritten)
{
    const char* const corrupt[] = {
        "garbage",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"v\"=hex:0g",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"v\"=\"cut off",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n",
        "REGEDIT4\n[-HKEY_CURRENT_USER\\Software]\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"v\"=-\n",
        "\x01\x02\x00\xff",
    };
    for (const char* text : corrupt) {
        const std::string bytes(text, text[0] == '\x01' ? 4 : std::char_traits<char>::length(text));
        ReplaceHive("HKCU", bytes);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", KEY_READ, &key), ERROR_BADDB) << text;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\New", KEY_ALL_ACCESS, &key),
                  ERROR_BADDB)
            << text;
        EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "v", 1), ERROR_BADDB) << text;
        EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software"), ERROR_BADDB) << text;
        EXPECT_EQ(RegImportText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n"), ERROR_BADDB)
            << text;
        EXPECT_EQ(zemtest::ReadFile(HivePath("HKCU")), bytes) << text;
        // The other hive is not affected.
        EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, "Fine", 1), ERROR_SUCCESS) << text;
    }
    // A mended file is used again.
    ReplaceHive("HKCU", "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n");
    EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "v", 1), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software"));
}

TEST_F(RegistryFile, HiveCutShortWithinItsLastLineIsRefusedAndKeptAsItIs)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Cut");
    ASSERT_EQ(SetDword(key, "d", 0x12345678), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(key, "b", REG_BINARY, Bytes0To(30)), ERROR_SUCCESS);  // two lines
    ASSERT_EQ(SetString(key, "s", "text"), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string whole = zemtest::ReadFile(HivePath("HKCU"));

    // Where the file ends: this many bytes after the start of a value's data.
    const struct {
        const char* data;
        size_t keep;
        bool importReadsIt;  // the cut line as a hand-written .reg file
    } cuts[] = {
        {"dword:", 7, true},  // dword:1234567
        {"dword:", 1, true},  // dword:1
        {"hex:", 75, false},  // ends in a comma
        {"hex:", 76, false},  // ends in the backslash that goes on to the next line
        {"hex:", 78, false},  // the next line holds one blank
        {"hex:", 80, true},   // the next line holds half a byte
        {"=\"", 2, false},    // an unclosed string
        {"hex:", 5, true},    // hex data cut between two whole bytes
    };
    for (const auto& cut : cuts) {
        const size_t dataAt = whole.find(cut.data);
        ASSERT_NE(dataAt, std::string::npos) << cut.data;
        const std::string text = whole.substr(0, dataAt + std::strlen(cut.data) + cut.keep);
        const std::string lastValue = text.substr(text.rfind("\n\"") + 1);
        SCOPED_TRACE(lastValue);
        ReplaceHive("HKCU", text);
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Cut", KEY_READ, &key), ERROR_BADDB);
        EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "v", 1), ERROR_BADDB);
        EXPECT_EQ(zemtest::ReadFile(HivePath("HKCU")), text);

        // The same line in a .reg file is read as written by hand.
        RemoveHives();
        const std::string reg = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Cut]\n" + lastValue;
        EXPECT_EQ(RegImportText(reg) == ERROR_SUCCESS, cut.importReadsIt);
    }
}

TEST_F(RegistryFile, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kValues = 60;
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Race"));
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(go[1]);
        char start;
        if (read(go[0], &start, 1) != 1)
            _exit(2);
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Race", KEY_ALL_ACCESS, &key) != 0)
            _exit(3);
        int failures = 0;
        for (int i = 0; i < kValues; ++i)
            failures += SetDword(key, "child" + std::to_string(i), static_cast<DWORD>(i)) != 0;
        _exit(failures == 0 ? 0 : 1);
    }
    close(go[0]);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Race", KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(write(go[1], "x", 1), 1);
    close(go[1]);
    for (int i = 0; i < kValues; ++i)
        EXPECT_EQ(SetDword(key, "parent" + std::to_string(i), static_cast<DWORD>(1000 + i)),
                  ERROR_SUCCESS);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    for (int i = 0; i < kValues; ++i) {
        const DWORD c = static_cast<DWORD>(i);
        const DWORD p = static_cast<DWORD>(1000 + i);
        EXPECT_EQ(QueryBytes(key, "child" + std::to_string(i)), std::string(reinterpret_cast<const char*>(&c), 4)) << i;
        EXPECT_EQ(QueryBytes(key, "parent" + std::to_string(i)), std::string(reinterpret_cast<const char*>(&p), 4)) << i;
    }
    RegCloseKey(key);
}

TEST_F(RegistryFile, MachineHiveOutsideTheRootIsWrittenOnlyByRoot)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        unsetenv("ZEM_ROOT");
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        int failed = 0;
        HKEY key = nullptr;
        if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\ZemTest", KEY_ALL_ACCESS, &key) !=
            ERROR_ACCESS_DENIED)
            failed |= 1;
        if (SetDword(HKEY_LOCAL_MACHINE, "ZemTest", 1) != ERROR_ACCESS_DENIED)
            failed |= 2;
        if (RegImportText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\ZemTest]\n") !=
            ERROR_ACCESS_DENIED)
            failed |= 4;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\ZemTest", KEY_WRITE, &key) !=
            ERROR_ACCESS_DENIED)
            failed |= 8;
        _exit(failed);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100)
        GTEST_SKIP() << "cannot drop to an unprivileged user here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
