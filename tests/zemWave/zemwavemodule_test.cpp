// zemwave.ocx's static application object: loading the module starts it, unloading shuts it
// down, once each, and the settings it read are written back on the way out. Its own binary,
// so that nothing traced before the trace file is chosen.
#include "zemWave/modulesettings.h"

#include "base/paths.h"
#include "base/trace.h"
#include "registry/registry.h"
#include "support/scratch.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

int CountLines(const std::string& text, const std::string& line)
{
    std::istringstream lines(text);
    int count = 0;
    for (std::string got; std::getline(lines, got);)
        count += got.find(line) != std::string::npos ? 1 : 0;
    return count;
}

zem::DWORD ReadVolume()
{
    zem::HKEY key = nullptr;
    if (zem::RegOpenKeyEx(zem::HKEY_CURRENT_USER, kZemWaveSettingsKey, zem::KEY_READ, &key) != zem::ERROR_SUCCESS)
        return 0xDEADBEEF;
    zem::DWORD value = 0xDEADBEEF, size = sizeof value, type = 0;
    zem::RegQueryValueEx(key, "Volume", &type, reinterpret_cast<zem::BYTE*>(&value), &size);
    zem::RegCloseKey(key);
    return value;
}

TEST(ZemWaveModule, LoadingStartsTheApplicationObjectAndUnloadingShutsItDownOnceEach)
{
    const std::string trace = zemtest::NewFolder("trace") + "/trace.log";
    setenv("ZEM_TRACE", trace.c_str(), 1);
    ASSERT_TRUE(zem::TraceEnabled()) << "traced before the file was chosen";
    std::remove(zem::HiveFilePath("HKCU").c_str());

    void* module = dlopen(ZEM_OCX, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    EXPECT_EQ(CountLines(zemtest::ReadFile(trace), "CZemWaveApp::InitInstance"), 1);
    EXPECT_EQ(CountLines(zemtest::ReadFile(trace), "CZemWaveApp::ExitInstance"), 0);
    EXPECT_EQ(ReadVolume(), 0xDEADBEEFu) << "nothing written while loaded";

    ASSERT_EQ(dlclose(module), 0);
    EXPECT_EQ(dlopen(ZEM_OCX, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the module stays loaded";
    EXPECT_EQ(CountLines(zemtest::ReadFile(trace), "CZemWaveApp::InitInstance"), 1);
    EXPECT_EQ(CountLines(zemtest::ReadFile(trace), "CZemWaveApp::ExitInstance"), 1);
    EXPECT_EQ(ReadVolume(), 255u) << "the settings read at start-up are written back";
}

}  // namespace
