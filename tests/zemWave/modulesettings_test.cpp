// The module settings over the user's settings key.
#include "zemWave/modulesettings.h"

#include "base/paths.h"
#include "registry/registry.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

using namespace zem;

namespace {

class ModuleSettings : public ::testing::Test {
protected:
    void SetUp() override { std::remove(HiveFilePath("HKCU").c_str()); }

    static HKEY Key()
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kZemWaveSettingsKey, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        return key;
    }
    static void Set(const char* name, DWORD type, const std::string& bytes)
    {
        HKEY key = Key();
        ASSERT_EQ(RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static std::string Dword(uint32_t value)
    {
        return std::string(reinterpret_cast<const char*>(&value), 4);
    }
    static std::string Query(const char* name, DWORD* type)
    {
        HKEY key = Key();
        char buffer[64];
        DWORD size = sizeof buffer;
        const LSTATUS status =
            RegQueryValueEx(key, name, type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? std::string(buffer, size) : "<missing>";
    }
};

void ExpectDefaults(const ZemWaveSettings& s)
{
    EXPECT_EQ(s.Volume, 255u);
    EXPECT_EQ(s.Loop, 0u);
    EXPECT_EQ(s.SkipSilence, 0u);
    EXPECT_EQ(s.UICEnabled, 0u);
    EXPECT_EQ(s.SaveGroupSettings, 0u);
    EXPECT_EQ(s.SndDevId, 0u);
    EXPECT_EQ(s.SndDevname, "");
}

}  // namespace

TEST_F(ModuleSettings, NoKeyGivesTheDefaultsOverAnythingHeldBefore)
{
    ZemWaveSettings settings;
    settings.Volume = 3;
    settings.SndDevname = "old";
    settings.LoadSettings();
    ExpectDefaults(settings);
}

TEST_F(ModuleSettings, NumbersAreClampedAndOnlyFourByteDwordsCount)
{
    const struct {
        const char* name;
        DWORD type;
        std::string data;
        uint32_t ZemWaveSettings::*field;
        uint32_t expected;
    } cases[] = {
        {"Volume", REG_DWORD, Dword(300), &ZemWaveSettings::Volume, 255},
        {"Volume", REG_DWORD, Dword(1000), &ZemWaveSettings::Volume, 255},
        {"Volume", REG_DWORD, Dword(200), &ZemWaveSettings::Volume, 200},
        {"Volume", REG_DWORD, Dword(0), &ZemWaveSettings::Volume, 0},
        {"Loop", REG_DWORD, Dword(5), &ZemWaveSettings::Loop, 1},
        {"SkipSilence", REG_DWORD, Dword(7), &ZemWaveSettings::SkipSilence, 1},
        {"UICEnabled", REG_DWORD, Dword(2), &ZemWaveSettings::UICEnabled, 1},
        {"SaveGroupSettings", REG_DWORD, Dword(1), &ZemWaveSettings::SaveGroupSettings, 1},
        {"SndDevId", REG_DWORD, Dword(7), &ZemWaveSettings::SndDevId, 7},
        {"sndDEVid", REG_DWORD, Dword(0xFFFFFFFF), &ZemWaveSettings::SndDevId, 0xFFFFFFFF},
        // Wrong type or size: the default stands.
        {"Loop", REG_SZ, std::string("1\0", 2), &ZemWaveSettings::Loop, 0},
        {"Volume", REG_SZ, std::string("12\0", 3), &ZemWaveSettings::Volume, 255},
        {"Volume", REG_BINARY, Dword(100), &ZemWaveSettings::Volume, 255},
        {"Volume", REG_DWORD, "\x10\x00", &ZemWaveSettings::Volume, 255},
        {"Volume", REG_DWORD, Dword(100) + Dword(0), &ZemWaveSettings::Volume, 255},
    };
    for (const auto& c : cases) {
        std::remove(HiveFilePath("HKCU").c_str());
        Set(c.name, c.type, c.data);
        ZemWaveSettings settings;
        settings.LoadSettings();
        EXPECT_EQ(settings.*c.field, c.expected) << c.name << " type " << c.type;
    }
}

TEST_F(ModuleSettings, DriverNameIsReadWhateverTheCaseOfItsValueName)
{
    const struct {
        const char* name;
        DWORD type;
        std::string data;
        const char* expected;
    } cases[] = {
        {"SndDevName", REG_SZ, std::string("Speakers (USB)\0", 15), "Speakers (USB)"},
        {"SNDDEVNAME", REG_SZ, std::string("Headset\0", 8), "Headset"},
        {"SndDevName", REG_SZ, "no terminator", "no terminator"},
        {"SndDevName", REG_SZ, std::string(511, 'n') + '\0', nullptr},  // fits 512 bytes
        {"SndDevName", REG_SZ, std::string(600, 'n') + '\0', ""},       // too long: default
        {"SndDevName", REG_BINARY, "bytes", ""},
    };
    for (const auto& c : cases) {
        std::remove(HiveFilePath("HKCU").c_str());
        Set(c.name, c.type, c.data);
        ZemWaveSettings settings;
        settings.LoadSettings();
        const std::string expected = c.expected ? c.expected : std::string(511, 'n');
        EXPECT_EQ(settings.SndDevname, expected) << c.name;
    }
}

TEST_F(ModuleSettings, SaveWritesOnlyVolumeLoopAndSkipSilence)
{
    Set("UICEnabled", REG_DWORD, Dword(1));
    Set("Volume", REG_SZ, std::string("x\0", 2));
    ZemWaveSettings settings;
    settings.LoadSettings();
    settings.Volume = 128;
    settings.Loop = 1;
    settings.SkipSilence = 1;
    settings.UICEnabled = 0;
    settings.SndDevId = 9;
    settings.SndDevname = "not written";
    settings.SaveSettings();

    DWORD type = 0;
    EXPECT_EQ(Query("Volume", &type), Dword(128));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(Query("Loop", &type), Dword(1));
    EXPECT_EQ(Query("SkipSilence", &type), Dword(1));
    EXPECT_EQ(Query("UICEnabled", &type), Dword(1));
    EXPECT_EQ(Query("SndDevId", &type), "<missing>");
    EXPECT_EQ(Query("SndDevName", &type), "<missing>");
}

TEST_F(ModuleSettings, LoadThenSaveWithoutAControlWritesBackWhatWasRead)
{
    ZemWaveSettings settings;
    settings.LoadSettings();
    settings.SaveSettings();  // creates the key with the defaults
    DWORD type = 0;
    EXPECT_EQ(Query("Volume", &type), Dword(255));
    EXPECT_EQ(Query("Loop", &type), Dword(0));
    EXPECT_EQ(Query("SkipSilence", &type), Dword(0));

    Set("Volume", REG_DWORD, Dword(1000));
    settings.LoadSettings();
    settings.SaveSettings();
    EXPECT_EQ(Query("Volume", &type), Dword(255));  // the clamped value
}
