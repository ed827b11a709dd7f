#include "support/scratch.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zemtest {

std::string g_root;  // set by the test main

const std::string& RootFolder()
{
    return g_root;
}

std::string NewFolder(std::string_view hint)
{
    static std::atomic<int> counter{0};
    const std::string path = g_root + "/" + std::string(hint) + std::to_string(++counter);
    std::filesystem::create_directories(path);
    return path;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace zemtest
