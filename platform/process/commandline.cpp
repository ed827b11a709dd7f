#include "process/commandline.h"

#include "base/paths.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zem {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsProgramFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The path as it is, or with ".exe" when its file name has no extension.
std::string WithOptionalExe(const std::string& path)
{
    if (IsProgramFile(path))
        return path;
    const std::string name = std::filesystem::path(path).filename().string();
    if (name.find('.') == std::string::npos && IsProgramFile(path + ".exe"))
        return path + ".exe";
    return {};
}

std::string RunningProgramFolder()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view text)
{
    std::vector<std::string> args;
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size())
            return args;
        std::string arg;
        bool quoted = false;
        while (i < text.size() && (quoted || !IsBlank(text[i]))) {
            size_t slashes = 0;
            while (i < text.size() && text[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < text.size() && text[i] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    arg += '"';
                } else if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    arg += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(slashes, '\\');
                if (i < text.size() && (quoted || !IsBlank(text[i])))
                    arg += text[i++];
            }
        }
        args.push_back(std::move(arg));
    }
}

std::string FindProgram(std::string_view name)
{
    const std::string native = MapPath(name);
    if (native.empty())
        return {};
    if (native.find('/') != std::string::npos) {
        std::error_code ec;
        const std::string absolute = std::filesystem::absolute(native, ec).string();
        return ec ? std::string() : WithOptionalExe(absolute);
    }
    std::vector<std::string> folders{RunningProgramFolder()};
    const char* path = std::getenv("PATH");
    for (std::string_view rest = path ? path : ""; !rest.empty();) {
        const size_t colon = rest.find(':');
        folders.emplace_back(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        if (std::string found = WithOptionalExe(folder + "/" + native); !found.empty())
            return found;
    }
    return {};
}

bool ParseCommandLine(std::string_view commandLine, CommandLine& out)
{
    size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start]))
        ++start;
    const std::string_view line = commandLine.substr(start);
    if (line.empty())
        return false;

    if (line[0] == '"') {
        const size_t close = line.find('"', 1);
        const std::string_view name = line.substr(1, close == std::string_view::npos ? line.npos : close - 1);
        out.program = FindProgram(name);
        if (out.program.empty())
            return false;
        out.argv = {std::string(name)};
        const std::vector<std::string> rest =
            SplitArguments(close == std::string_view::npos ? std::string_view() : line.substr(close + 1));
        out.argv.insert(out.argv.end(), rest.begin(), rest.end());
        return true;
    }

    // Longer and longer prefixes, each ending at a blank, then the whole line.
    for (size_t end = 0; end <= line.size(); ++end) {
        if (end < line.size() && !IsBlank(line[end]))
            continue;
        if (IsBlank(line[end - 1]))
            continue;  // a run of blanks ends the same prefix once
        const std::string_view name = line.substr(0, end);
        std::string found = FindProgram(name);
        if (found.empty())
            continue;
        out.program = std::move(found);
        out.argv = {std::string(name)};
        const std::vector<std::string> rest = SplitArguments(line.substr(end));
        out.argv.insert(out.argv.end(), rest.begin(), rest.end());
        return true;
    }
    return false;
}

}  // namespace zem
