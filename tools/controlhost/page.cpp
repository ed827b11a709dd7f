#include "tools/controlhost/page.h"

#include "base/paths.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <strings.h>

namespace zem {

namespace {

bool ReadWhole(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    *text = out.str();
    return true;
}

int LineAt(const std::string& text, size_t pos)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(pos), '\n'));
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The attributes of a start tag's inside ("object id=a width='3'"), names lower-cased.
std::map<std::string, std::string> Attributes(const std::string& tag)
{
    std::map<std::string, std::string> attributes;
    size_t pos = 0;
    while (pos < tag.size() && !std::isspace(static_cast<unsigned char>(tag[pos])))
        ++pos;  // the element name
    while (pos < tag.size()) {
        while (pos < tag.size() && (std::isspace(static_cast<unsigned char>(tag[pos])) || tag[pos] == '/'))
            ++pos;
        const size_t nameStart = pos;
        while (pos < tag.size() && tag[pos] != '=' && !std::isspace(static_cast<unsigned char>(tag[pos])))
            ++pos;
        const std::string name = Lower(tag.substr(nameStart, pos - nameStart));
        while (pos < tag.size() && std::isspace(static_cast<unsigned char>(tag[pos])))
            ++pos;
        std::string value;
        if (pos < tag.size() && tag[pos] == '=') {
            ++pos;
            while (pos < tag.size() && std::isspace(static_cast<unsigned char>(tag[pos])))
                ++pos;
            if (pos < tag.size() && (tag[pos] == '"' || tag[pos] == '\'')) {
                const char quote = tag[pos++];
                const size_t end = std::min(tag.find(quote, pos), tag.size());
                value = tag.substr(pos, end - pos);
                pos = end + 1;
            } else {
                const size_t start = pos;
                while (pos < tag.size() && !std::isspace(static_cast<unsigned char>(tag[pos])))
                    ++pos;
                value = tag.substr(start, pos - start);
            }
        }
        if (!name.empty())
            attributes[name] = value;
    }
    return attributes;
}

// "clsid:XXXXXXXX-..." (braces optional) becomes "{XXXXXXXX-...}"; a ProgID stays.
std::string ClassOf(const std::map<std::string, std::string>& attributes)
{
    auto found = attributes.find("classid");
    if (found == attributes.end())
        found = attributes.find("progid");
    if (found == attributes.end())
        return {};
    std::string value = found->second;
    if (strncasecmp(value.c_str(), "clsid:", 6) == 0) {
        value = value.substr(6);
        if (value.empty() || value.front() != '{')
            value = "{" + value + "}";
    }
    return value;
}

int Pixels(const std::map<std::string, std::string>& attributes, const char* name, int fallback)
{
    auto found = attributes.find(name);
    if (found == attributes.end())
        return fallback;
    const int value = std::atoi(found->second.c_str());
    return value > 0 ? value : fallback;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string BlankHtmlCommentLines(std::string text)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t first = start;
        while (first < end && (text[first] == ' ' || text[first] == '\t'))
            ++first;
        if (text.compare(first, 4, "<!--") == 0 || text.compare(first, 3, "-->") == 0) {
            for (size_t i = first; i < end; ++i) {
                if (text[i] != '\r')
                    text[i] = ' ';
            }
        }
        start = end + 1;
    }
    return text;
}

namespace {

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::optional<Page> ParsePage(const std::string& path, const std::string& text, std::string* error)
{
    Page page;
    page.path = path;
    const std::string lower = Lower(text);
    bool inObject = false;
    size_t pos = 0;
    while ((pos = lower.find('<', pos)) != std::string::npos) {
        if (lower.compare(pos, 4, "<!--") == 0) {
            const size_t end = lower.find("-->", pos + 4);
            pos = end == std::string::npos ? lower.size() : end + 3;
            continue;
        }
        const size_t close = lower.find('>', pos);
        if (close == std::string::npos)
            break;
        const std::string tag = text.substr(pos + 1, close - pos - 1);
        const bool closing = !tag.empty() && tag[0] == '/';
        const std::string name = (closing ? "/" : "") + Lower(tag.substr(closing, tag.find_first_of(" \t\r\n/", closing) - closing));
        const int line = LineAt(text, pos);
        if (name == "object") {
            const auto attributes = Attributes(tag);
            PageObject object;
            object.id = attributes.count("id") ? attributes.at("id") : std::string();
            object.classId = ClassOf(attributes);
            object.width = Pixels(attributes, "width", 0);
            object.height = Pixels(attributes, "height", 0);
            object.line = line;
            if (object.classId.empty()) {
                if (error)
                    *error = path + ":" + std::to_string(line) + ": an <object> without classid";
                return std::nullopt;
            }
            page.objects.push_back(object);
            inObject = true;
        } else if (name == "title") {
            const size_t end = lower.find("</title", close);
            page.title = Trimmed(text.substr(close + 1, (end == std::string::npos ? text.size() : end) - close - 1));
        } else if (name == "/object") {  // params after it belong to no object
            inObject = false;
        } else if (name == "param" && inObject) {
            const auto attributes = Attributes(tag);
            if (const auto found = attributes.find("name"); found != attributes.end() && !found->second.empty())
                page.objects.back().params.emplace_back(found->second,
                                                        attributes.count("value") ? attributes.at("value") : "");
        } else if (name == "script") {
            const auto attributes = Attributes(tag);
            const size_t end = lower.find("</script", close);
            const size_t bodyEnd = end == std::string::npos ? text.size() : end;
            PageScript script;
            if (auto src = attributes.find("src"); src != attributes.end()) {
                script.fileName = FolderOf(path) + "/" + MapPath(src->second);
                if (!src->second.empty() && src->second[0] == '/')
                    script.fileName = src->second;
                if (!ReadWhole(script.fileName, &script.text)) {
                    if (error)
                        *error = path + ":" + std::to_string(line) + ": cannot read the script \"" +
                                 src->second + "\"";
                    return std::nullopt;
                }
            } else {
                script.fileName = path;
                script.text = text.substr(close + 1, bodyEnd - close - 1);
                script.firstLine = LineAt(text, close + 1);
            }
            script.text = BlankHtmlCommentLines(std::move(script.text));
            page.scripts.push_back(std::move(script));
            pos = bodyEnd;
            continue;
        }
        pos = close + 1;
    }
    return page;
}

std::optional<Page> LoadPage(const std::string& path, std::string* error)
{
    std::string text;
    if (!ReadWhole(MapPath(path), &text)) {
        if (error)
            *error = "cannot read the page \"" + path + "\"";
        return std::nullopt;
    }
    return ParsePage(MapPath(path), text, error);
}

}  // namespace zem
