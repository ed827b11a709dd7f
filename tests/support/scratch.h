// Test scratch space: every test binary runs with ZEM_ROOT and TMP pointing at a fresh
// folder of its own (made by the shared test main) and writes nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace zemtest {

// The binary's fresh root folder (also ZEM_ROOT).
const std::string& RootFolder();

// A new empty folder below the root, unique per call.
std::string NewFolder(std::string_view hint = "t");

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);
bool Exists(const std::string& path);

}  // namespace zemtest
