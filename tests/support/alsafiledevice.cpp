#include "support/alsafiledevice.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <unistd.h>

namespace zemtest {
namespace {

namespace fs = std::filesystem;

// The file plugin puts the rate and channels in the name (%r, %c). With truncate false it
// never overwrites: a later set-up writes a new file with a numbered suffix instead.
const std::regex kTakeName(R"(take-(\d+)-(\d+)\.raw(\.\d+)?)");

std::string Configuration(AlsaFileDevice::Kind kind, const std::string& folder)
{
    switch (kind) {
    case AlsaFileDevice::Kind::Recording:
        return "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"" + folder +
               "/take-%r-%c.raw\"\n  format \"raw\"\n  truncate false\n}\n";
    case AlsaFileDevice::Kind::FailsWhilePlaying:
        return "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"/dev/full\"\n  format \"raw\"\n}\n";
    case AlsaFileDevice::Kind::Missing:
        break;
    }
    return "pcm.!default {\n  type hw\n  card 31\n}\n";
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

AlsaFileDevice::AlsaFileDevice(Kind kind)
{
    static int count = 0;
    const char* tmp = std::getenv("TMPDIR");
    folder_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/alsahome-" + std::to_string(getpid()) + "-" +
              std::to_string(++count);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::ofstream(folder_ + "/.asoundrc") << Configuration(kind, folder_);
    const char* home = std::getenv("HOME");
    hadHome_ = home != nullptr;
    savedHome_ = home ? home : "";
    setenv("HOME", folder_.c_str(), 1);
}

AlsaFileDevice::~AlsaFileDevice()
{
    if (hadHome_)
        setenv("HOME", savedHome_.c_str(), 1);
    else
        unsetenv("HOME");
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::vector<std::string> AlsaFileDevice::Files() const
{
    std::vector<std::pair<fs::file_time_type, std::string>> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, kTakeName) && entry.file_size() > 0)
            found.emplace_back(entry.last_write_time(), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [time, path] : found)
        paths.push_back(path);
    return paths;
}

std::vector<AlsaFileDevice::Take> AlsaFileDevice::Takes() const
{
    std::vector<Take> takes;
    for (const std::string& path : Files()) {
        std::smatch match;
        const std::string name = fs::path(path).filename().string();
        std::regex_match(name, match, kTakeName);
        Take take;
        take.rate = std::stoi(match[1]);
        take.channels = std::stoi(match[2]);
        const std::string bytes = ReadAll(path);
        take.samples.resize(bytes.size() / 2);
        for (size_t i = 0; i < take.samples.size(); ++i)
            take.samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                                   static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
        takes.push_back(std::move(take));
    }
    return takes;
}

std::string AlsaFileDevice::NewestPath() const
{
    const std::vector<std::string> files = Files();
    return files.empty() ? std::string() : files.back();
}

std::vector<int16_t> AlsaFileDevice::Take::Channel(int channel, size_t from, size_t count) const
{
    std::vector<int16_t> out;
    const size_t ch = static_cast<size_t>(channels);
    for (size_t frame = from; frame < Frames() && out.size() < count; ++frame)
        out.push_back(samples[frame * ch + static_cast<size_t>(channel)]);
    return out;
}

}  // namespace zemtest
