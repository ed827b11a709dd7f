// Shared helpers of the registry tests: value shortcuts and hive files written by hand.
#pragma once

#include "registry/registry.h"

#include <gtest/gtest.h>
#include <string>

namespace regtest {

std::string HivePath(const char* hive);
// Puts text in place of the hive file the way a writer does (new file, renamed over), so
// the registry sees a new version.
void ReplaceHive(const char* hive, const std::string& text);
void RemoveHives();

zem::LSTATUS SetString(zem::HKEY key, const std::string& name, const std::string& text);
zem::LSTATUS SetDword(zem::HKEY key, const std::string& name, zem::DWORD value);
zem::LSTATUS SetBytes(zem::HKEY key, const std::string& name, zem::DWORD type,
                      const std::string& bytes);
// The value's raw bytes; empty with status set when it cannot be read.
std::string QueryBytes(zem::HKEY key, const std::string& name, zem::DWORD* type = nullptr,
                       zem::LSTATUS* status = nullptr);
// The REG_SZ text without its terminating zero; "<missing>" when it cannot be read.
std::string QueryString(zem::HKEY key, const std::string& name);

zem::HKEY Create(zem::HKEY parent, const std::string& path);  // KEY_ALL_ACCESS, must work

// Each test starts with no hive files.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveHives(); }
};

}  // namespace regtest
