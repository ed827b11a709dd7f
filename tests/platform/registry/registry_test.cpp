// Keys, values, names without case, enumeration, buffers and rights through the API.
#include "regtest.h"
#include "support/scratch.h"

#include <vector>

using namespace zem;
using namespace regtest;

namespace {

std::vector<std::string> SubKeys(HKEY key)
{
    std::vector<std::string> names;
    std::string name;
    for (DWORD i = 0; RegEnumKeyEx(key, i, &name) == ERROR_SUCCESS; ++i)
        names.push_back(name);
    return names;
}

std::vector<std::string> ValueNames(HKEY key)
{
    std::vector<std::string> names;
    std::string name;
    for (DWORD i = 0; RegEnumValue(key, i, &name, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i)
        names.push_back(name);
    return names;
}

}  // namespace

using Registry = RegistryTest;

TEST_F(Registry, CreateReportsNewOrExistingAndOpenFindsOnlyWhatExists)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\A\\B", KEY_ALL_ACCESS, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\A\\B", KEY_READ, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);

    const struct {
        HKEY root;
        const char* path;
        LSTATUS expected;
    } cases[] = {
        {HKEY_CURRENT_USER, "Software\\A", ERROR_SUCCESS},
        {HKEY_CURRENT_USER, "software\\a\\b", ERROR_SUCCESS},
        {HKEY_CURRENT_USER, "", ERROR_SUCCESS},
        {HKEY_CURRENT_USER, "Software\\A\\C", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, "Software\\A", ERROR_FILE_NOT_FOUND},
        {HKEY_CURRENT_USER, "Software\\\\A", ERROR_BAD_PATHNAME},
        {HKEY_CURRENT_USER, "\\Software", ERROR_BAD_PATHNAME},
        {HKEY_CURRENT_USER, "Software\nA", ERROR_BAD_PATHNAME},
        {reinterpret_cast<HKEY>(uintptr_t{0x77}), "Software", ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        HKEY opened = nullptr;
        EXPECT_EQ(RegOpenKeyEx(c.root, c.path, KEY_READ, &opened), c.expected) << c.path;
        if (opened) {
            EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
        }
    }
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(uintptr_t{0x77})), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, NamesMatchWithoutCaseAndKeepTheirFirstSpelling)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\KESTRALON\\zemwave.ocx");
    ASSERT_EQ(SetString(key, "SndDevName", "Speakers"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "SNDDEVNAME", "Headset"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Gr\xfc\xdf" "e", 1), ERROR_SUCCESS);  // Latin-1 letters
    EXPECT_EQ(QueryString(key, "SndDevname"), "Headset");
    EXPECT_EQ(QueryString(key, "snddevname"), "Headset");
    EXPECT_EQ(QueryBytes(key, "GR\xdc\xdf" "E").size(), 4u);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"SndDevName", "Gr\xfc\xdf" "e"}));
    RegCloseKey(key);

    RegCloseKey(Create(HKEY_CURRENT_USER, "SOFTWARE\\kestralon\\Other"));
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software", KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(software), std::vector<std::string>{"KESTRALON"});
    RegCloseKey(software);
    EXPECT_EQ(SubKeys(HKEY_CURRENT_USER), std::vector<std::string>{"Software"});
}

TEST_F(Registry, KeysEnumerateSortedValuesInFirstWrittenOrder)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Order");
    for (const char* name : {"zeta", "Alpha", "a_b", "AB", "beta", "10", "9"})
        RegCloseKey(Create(key, name));
    for (const char* name : {"Zulu", "alpha", "", "Mike"})
        ASSERT_EQ(SetDword(key, name, 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "ZULU", 2), ERROR_SUCCESS);  // rewriting keeps the place

    // Sorted as upper case, so "_" comes after the letters.
    const std::vector<std::string> keys{"10", "9", "AB", "Alpha", "a_b", "beta", "zeta"};
    const std::vector<std::string> values{"Zulu", "alpha", "", "Mike"};
    EXPECT_EQ(SubKeys(key), keys);
    EXPECT_EQ(ValueNames(key), values);
    std::string name;
    EXPECT_EQ(RegEnumKeyEx(key, 7, &name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumValue(key, 4, &name, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);

    // The same order after the hive is read back from its file.
    const std::string text = zemtest::ReadFile(HivePath("HKCU"));
    RemoveHives();
    ReplaceHive("HKCU", text);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Order", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(key), keys);
    EXPECT_EQ(ValueNames(key), values);
    RegCloseKey(key);
}

TEST_F(Registry, QueryReportsSizesAndFailsOnSmallBuffers)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Sizes");
    ASSERT_EQ(SetString(key, "Name", "abc"), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Name", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);

    const struct {
        DWORD bufferSize;
        LSTATUS expected;
    } cases[] = {{0, ERROR_MORE_DATA}, {3, ERROR_MORE_DATA}, {4, ERROR_SUCCESS}, {512, ERROR_SUCCESS}};
    for (const auto& c : cases) {
        std::vector<BYTE> buffer(c.bufferSize + 1, 0xAA);
        size = c.bufferSize;
        EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, buffer.data(), &size), c.expected)
            << c.bufferSize;
        EXPECT_EQ(size, 4u) << c.bufferSize;
        if (c.expected == ERROR_SUCCESS)
            EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4), std::string("abc\0", 4));
        else
            EXPECT_EQ(buffer[0], 0xAA) << "nothing copied into a small buffer";
    }
    BYTE data[4];
    EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    std::string name;
    size = 2;
    EXPECT_EQ(RegEnumValue(key, 0, &name, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    RegCloseKey(key);
}

TEST_F(Registry, DeletingValuesAndTrees)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Del");
    RegCloseKey(Create(key, "Sub\\Deeper"));
    ASSERT_EQ(SetDword(key, "Keep", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Drop", 2), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteValue(key, "DROP"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "Drop"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ValueNames(key), std::vector<std::string>{"Keep"});

    EXPECT_EQ(RegDeleteTree(key, "sub"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTree(key, "Sub"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(SubKeys(key).empty());

    RegCloseKey(Create(key, "Again"));
    EXPECT_EQ(RegDeleteTree(key, ""), ERROR_SUCCESS);  // empties the key, keeps it
    EXPECT_TRUE(SubKeys(key).empty());
    EXPECT_TRUE(ValueNames(key).empty());

    // A handle whose key was deleted under it.
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software\\Del"), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, "Late", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(QueryBytes(key, "Keep"), "");
    std::string name;
    EXPECT_EQ(RegEnumKeyEx(key, 0, &name), ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyEx(key, "Child", KEY_ALL_ACCESS, &child), ERROR_KEY_DELETED);
    RegCloseKey(key);
}

TEST_F(Registry, HandlesOpenedForReadingCannotWrite)
{
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Rights"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Rights", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, "X", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(key, "X"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTree(key, ""), ERROR_ACCESS_DENIED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyEx(key, "Child", KEY_READ, &child), ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Rights", KEY_WRITE, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, "X", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, "Bad\nName", REG_DWORD, nullptr, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(key, "NoData", REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(Registry, ClassesRootMergesUserOverMachine)
{
    HKEY machine = Create(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{1}");
    HKEY user = Create(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{1}");
    ASSERT_EQ(SetString(machine, "", "machine default"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(machine, "Shared", "from machine"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(user, "Shared", "from user"), ERROR_SUCCESS);
    RegCloseKey(Create(machine, "InprocServer32"));
    RegCloseKey(Create(user, "ProgID"));
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{2}"));

    HKEY merged = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "clsid\\{1}", KEY_ALL_ACCESS, &merged),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryString(merged, ""), "machine default");
    EXPECT_EQ(QueryString(merged, "Shared"), "from user");
    EXPECT_EQ(SubKeys(merged), (std::vector<std::string>{"InprocServer32", "ProgID"}));
    EXPECT_EQ(ValueNames(merged), (std::vector<std::string>{"Shared", ""}));

    // The key exists in the user's copy, so writes through the merged view go there.
    ASSERT_EQ(SetString(merged, "", "user default"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(user, ""), "user default");
    EXPECT_EQ(QueryString(machine, ""), "machine default");

    HKEY onlyMachine = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{2}", KEY_ALL_ACCESS, &onlyMachine),
              ERROR_SUCCESS);
    ASSERT_EQ(SetString(onlyMachine, "Name", "two"), ERROR_SUCCESS);
    HKEY check = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{2}", KEY_READ, &check),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryString(check, "Name"), "two");
    RegCloseKey(check);

    HKEY clsid = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "CLSID", KEY_ALL_ACCESS, &clsid), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(clsid), (std::vector<std::string>{"{1}", "{2}"}));
    // Deleting through the merged view removes both copies.
    EXPECT_EQ(RegDeleteTree(clsid, "{1}"), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(clsid), std::vector<std::string>{"{2}"});
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{1}", KEY_READ, &check),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{1}", KEY_READ, &check),
              ERROR_FILE_NOT_FOUND);

    for (HKEY key : {machine, user, merged, onlyMachine, clsid})
        RegCloseKey(key);
}
