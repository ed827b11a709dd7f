// Copying registry keys within a hive generated for each test.
#include "ZemBaseLib/registrycopy.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace zem;

namespace {

const char* const kHive = R"(REGEDIT4

[HKEY_CURRENT_USER\Software\CopyTest\S]
@="default"
"Name"="text"
"Count"=dword:0000002a
"Blob"=hex:00,01,fe

[HKEY_CURRENT_USER\Software\CopyTest\S\A]
"InA"="a"

[HKEY_CURRENT_USER\Software\CopyTest\S\A\Deep]
"InDeep"=dword:00000001

[HKEY_CURRENT_USER\Software\CopyTest\S\ABC]
"InABC"="abc"

[HKEY_CURRENT_USER\Software\CopyTest\S\B]
)";

std::string Below(const std::string& path)
{
    return path.empty() ? "Software\\CopyTest" : "Software\\CopyTest\\" + path;
}

HKEY Open(const std::string& path)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, Below(path), KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS)
        << path;
    return key;
}

// Every value and key below path, one line each, in enumeration order.
std::string Dump(const std::string& path, const std::string& indent = "")
{
    HKEY key = Open(path);
    std::string text;
    std::vector<BYTE> data(70000);
    std::string name;
    DWORD type = 0;
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValue(key, i, &name, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        text += indent + "\"" + name + "\" " + std::to_string(type) + " " +
                std::string(reinterpret_cast<char*>(data.data()), size) + "\n";
    }
    for (DWORD i = 0; RegEnumKeyEx(key, i, &name) == ERROR_SUCCESS; ++i)
        text += indent + "[" + name + "]\n" +
                Dump(path.empty() ? name : path + "\\" + name, indent + "  ");
    RegCloseKey(key);
    return text;
}

class RegistryCopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTree(HKEY_CURRENT_USER, "Software\\CopyTest");
        ASSERT_EQ(RegImportText(kHive), ERROR_SUCCESS);
        source_ = Open("S");
    }
    void TearDown() override { RegCloseKey(source_); }

    HKEY source_ = nullptr;
};

}  // namespace

TEST_F(RegistryCopyTest, CopiesEveryValueAndKeyElsewhere)
{
    // Larger than the first data buffer, so the copy has to grow it.
    const std::string big(5000, 'x');
    ASSERT_EQ(RegSetValueEx(source_, "Big", REG_BINARY, reinterpret_cast<const BYTE*>(big.data()),
                            static_cast<DWORD>(big.size())),
              ERROR_SUCCESS);
    HKEY parent = Open("Elsewhere");
    EXPECT_EQ(CopyRegistryKey(source_, parent, "Copy"), ERROR_SUCCESS);
    RegCloseKey(parent);
    EXPECT_EQ(Dump("Elsewhere\\Copy"), Dump("S"));
    EXPECT_NE(Dump("S").find(big), std::string::npos);
}

TEST_F(RegistryCopyTest, CopyIntoItselfLeavesOutOnlyTheNewKey)
{
    const struct {
        const char* name;
        const char* existing;  // an empty sub-key made before the copy, or null
    } cases[] = {
        {"AB", nullptr},  // "A" is a leading part of the new name and is copied all the same
        {"ab", "AB"},     // names compared without case: "AB" is the new key
        {"B", "B"},
        {"Z", nullptr},
    };
    for (const auto& c : cases) {
        SetUp();
        if (c.existing)
            RegCloseKey(Open(std::string("S\\") + c.existing));
        std::string expected = Dump("S");
        if (c.existing)
            expected.erase(expected.find(std::string("[") + c.existing + "]\n"),
                           std::strlen(c.existing) + 3);
        EXPECT_EQ(CopyRegistryKey(source_, source_, c.name), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(Dump(std::string("S\\") + c.name), expected) << c.name;
        TearDown();
    }
}

TEST_F(RegistryCopyTest, CopyIntoADescendantIsRefusedAndChangesNothing)
{
    const struct {
        const char* parent;
        const char* name;
    } cases[] = {
        {"S\\A", "Copy"},        // would hold a copy of itself at every level
        {"S\\A\\Deep", "Copy"},
        {"", "S\\Copy"},         // the new key below S, reached through S's parent
        {"", "S"},               // onto itself
        {"S\\A", ""},            // onto a sub-key of its own
    };
    for (const auto& c : cases) {
        const std::string before = Dump("");
        HKEY parent = Open(c.parent);
        EXPECT_EQ(CopyRegistryKey(source_, parent, c.name), ERROR_INVALID_PARAMETER)
            << c.parent << " " << c.name;
        RegCloseKey(parent);
        EXPECT_EQ(Dump(""), before) << c.parent << " " << c.name;
    }
}

TEST_F(RegistryCopyTest, ValueNamesLongerThanTheNameBufferEndTheCopy)
{
    const DWORD one = 1;
    const auto* data = reinterpret_cast<const BYTE*>(&one);
    ASSERT_EQ(RegSetValueEx(source_, std::string(260, 'n'), REG_DWORD, data, sizeof one),
              ERROR_SUCCESS);
    HKEY parent = Open("Elsewhere");
    EXPECT_EQ(CopyRegistryKey(source_, parent, "Fits"), ERROR_SUCCESS);
    EXPECT_EQ(Dump("Elsewhere\\Fits"), Dump("S"));

    ASSERT_EQ(RegSetValueEx(source_, std::string(261, 'n'), REG_DWORD, data, sizeof one),
              ERROR_SUCCESS);
    EXPECT_EQ(CopyRegistryKey(source_, parent, "TooLong"), ERROR_MORE_DATA);
    RegCloseKey(parent);
}
