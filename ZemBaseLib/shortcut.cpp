#include "ZemBaseLib/shortcut.h"

#include "base/paths.h"
#include "base/tempname.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {

bool EndsWithLnk(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".lnk";
}

// The system's text is Latin-1; desktop entries are UTF-8.
std::string Latin1ToUtf8(const std::string& text)
{
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// A desktop entry value: one line, backslash escapes.
std::string EntryValue(const std::string& text)
{
    std::string out;
    for (char c : Latin1ToUtf8(text)) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

std::string FileUrl(const std::string& path)
{
    std::string url = "file://";
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            url += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", u);
            url += escaped;
        }
    }
    return url;
}

}  // namespace

bool CreateShortcut(const std::string& target, const std::string& linkPath,
                    const std::string& description)
{
    if (target.empty())
        return false;
    std::string name = linkPath.empty() ? target : linkPath;
    // Names of three characters or fewer are taken as they are.
    if (name.size() > 3 && !EndsWithLnk(name))
        name += ".lnk";

    std::error_code ec;
    const std::filesystem::path targetPath = std::filesystem::absolute(zem::MapPath(target), ec);
    if (ec)
        return false;
    const std::filesystem::path linkFile = zem::MapPath(name);
    std::string title = linkFile.filename().native();
    if (EndsWithLnk(title))
        title.resize(title.size() - 4);

    const std::string entry = "[Desktop Entry]\n"
                              "Version=1.0\n"
                              "Type=Link\n"
                              "Name=" + EntryValue(title) + "\n"
                              "Comment=" + EntryValue(description) + "\n"
                              "URL=" + FileUrl(targetPath.lexically_normal().native()) + "\n";
    return zem::WriteFileAtomically(linkFile.native(), entry);
}
