// What the engine writes into the user's settings key: the output driver names at start-up
// and each group's volume, balance and effect at shut-down.
#include "enginerig.h"

#include "registry/registry.h"

#include <cstring>
#include <optional>

namespace {

using enginetest::At;
using enginetest::EngineRig;
using enginetest::WriteTone;

const std::string kGroups = std::string(kEngineSettingsKey) + "\\Groups";

void ResetSettingsKey(bool create)
{
    zem::RegDeleteTree(zem::HKEY_CURRENT_USER, "Software\\KESTRALON");
    if (!create)
        return;
    zem::HKEY key = nullptr;
    ASSERT_EQ(zem::RegCreateKeyEx(zem::HKEY_CURRENT_USER, kEngineSettingsKey, zem::KEY_ALL_ACCESS, &key),
              zem::ERROR_SUCCESS);
    zem::RegCloseKey(key);
}

bool KeyExists(const std::string& path)
{
    zem::HKEY key = nullptr;
    if (zem::RegOpenKeyEx(zem::HKEY_CURRENT_USER, path, zem::KEY_READ, &key) != zem::ERROR_SUCCESS)
        return false;
    zem::RegCloseKey(key);
    return true;
}

// A value's bytes when it exists with that type.
std::optional<std::string> Read(const std::string& path, const std::string& name, zem::DWORD type)
{
    zem::HKEY key = nullptr;
    if (zem::RegOpenKeyEx(zem::HKEY_CURRENT_USER, path, zem::KEY_READ, &key) != zem::ERROR_SUCCESS)
        return std::nullopt;
    char data[512] = {};
    zem::DWORD size = sizeof data;
    zem::DWORD stored = 0;
    const zem::LSTATUS status = zem::RegQueryValueEx(key, name, &stored, reinterpret_cast<zem::BYTE*>(data), &size);
    zem::RegCloseKey(key);
    if (status != zem::ERROR_SUCCESS || stored != type)
        return std::nullopt;
    return std::string(data, size);
}

std::optional<zem::DWORD> ReadNumber(const std::string& path, const std::string& name)
{
    const std::optional<std::string> bytes = Read(path, name, zem::REG_DWORD);
    zem::DWORD value = 0;
    if (!bytes || bytes->size() != sizeof value)
        return std::nullopt;
    std::memcpy(&value, bytes->data(), sizeof value);
    return value;
}

TEST(EngineSettings, DriverNamesAreWrittenOncePerDriverWhenNoDriverNameIsSet)
{
    struct Case {
        const char* what;
        const char* deviceName;
        bool keyExists;
        bool written;
    };
    const Case cases[] = {
        {"no driver name", "", true, true},
        {"a driver name that matches no driver", "Speakers", true, false},
        {"no settings key: it is not created", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSettingsKey(c.keyExists);
        EngineSettings settings;
        settings.SndDevname = c.deviceName;
        settings.SndDevId = 7;  // beyond the one driver: driver 0
        EngineRig rig(settings);
        const std::optional<std::string> first = Read(kEngineSettingsKey, "SndDevName0", zem::REG_SZ);
        EXPECT_EQ(first, c.written ? std::optional(rig.sound().DriverName(0) + '\0') : std::nullopt);
        EXPECT_FALSE(Read(kEngineSettingsKey, "SndDevName1", zem::REG_SZ)) << "the wav output has one driver";
        EXPECT_EQ(KeyExists(kEngineSettingsKey), c.keyExists);
        // Whichever way the driver was chosen, the sound layer is open.
        EXPECT_TRUE(rig.sound().WaitForMixedMs(0));
    }
}

TEST(EngineSettings, GroupSettingsAreWrittenPerGroupAtShutDownWhenAskedFor)
{
    struct File {
        const char* group;
        uint32_t volume, balance;
        int effect;
    };
    const File files[] = {
        {"Left", 100, 0, -1},
        {"Right", 200, 255, 3},
        {"Left", 50, 60, 2},  // not the first of its group: not written
        {"", 10, 20, 1},      // no group: no key
    };
    struct Expected {
        const char* group;
        zem::DWORD volume, balance, effect;
    };
    const Expected written[] = {{"Left", 100, 0, 0xFFFFFFFF}, {"Right", 200, 255, 3}};

    for (const bool save : {true, false}) {
        SCOPED_TRACE(save ? "saved" : "not saved");
        ResetSettingsKey(true);
        {
            EngineSettings settings;
            settings.SaveGroupSettings = save;
            EngineRig rig(settings);
            int n = 0;
            for (const File& f : files) {
                const FileHandle h = rig.Add(WriteTone(rig.Path("f" + std::to_string(n++) + ".wav"), 440, 200), At(0));
                rig.engine().SetFileGroup(h, f.group);
                rig.engine().SetFileVolume(h, f.volume);
                rig.engine().SetFileBalance(h, f.balance);
                rig.engine().SetFileEffect(h, f.effect);
            }
            EXPECT_FALSE(KeyExists(kGroups)) << "written at shut-down only";
        }
        if (!save) {
            EXPECT_FALSE(KeyExists(kGroups));
            continue;
        }
        for (const Expected& e : written) {
            SCOPED_TRACE(e.group);
            const std::string key = kGroups + "\\" + e.group;
            EXPECT_EQ(ReadNumber(key, "Volume"), e.volume);
            EXPECT_EQ(ReadNumber(key, "Balance"), e.balance);
            EXPECT_EQ(ReadNumber(key, "Effect"), e.effect);
        }
        EXPECT_FALSE(ReadNumber(kGroups, "Volume").has_value()) << "a file without a group writes nothing";
    }
}

}  // namespace
