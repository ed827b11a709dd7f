#include "tools/regtools/rgsscript.h"

#include "registry/regtext.h"

#include <cctype>
#include <set>
#include <strings.h>

namespace zem {

namespace {

struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const
    {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};
using NameSet = std::set<std::string, NoCase>;

struct ParseError {
    int line;
    std::string why;
};

// Replaces %NAME% by its parameter and %% by %; an unknown name is an error.
std::string Substitute(const std::string& text, const RgsParameters& parameters)
{
    std::map<std::string, std::string, NoCase> byName(parameters.begin(), parameters.end());
    std::string out;
    int line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            ++line;
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const size_t end = text.find('%', i + 1);
        if (end == std::string::npos)
            throw ParseError{line, "a % without its closing %"};
        const std::string name = text.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out += '%';
        } else {
            auto found = byName.find(name);
            if (found == byName.end())
                throw ParseError{line, "no value given for %" + name + "%"};
            out += found->second;
        }
        i = end;
    }
    return out;
}

class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {}

    RgsScript Script()
    {
        RgsScript script;
        while (!AtEnd()) {
            RgsKey root;
            root.line = line_;
            const std::string name = Word("a root key");
            root.name = RootName(name);
            if (root.name.empty())
                throw ParseError{root.line, "unknown root key \"" + name + "\""};
            root.mark = RgsKey::Mark::NoRemove;
            Expect('{');
            Body(root, false);
            script.roots.push_back(std::move(root));
        }
        return script;
    }

private:
    static std::string RootName(const std::string& name)
    {
        static const char* const kRoots[][2] = {{"HKCR", "HKEY_CLASSES_ROOT"},
                                                {"HKCU", "HKEY_CURRENT_USER"},
                                                {"HKLM", "HKEY_LOCAL_MACHINE"}};
        for (const auto& root : kRoots) {
            if (strcasecmp(name.c_str(), root[0]) == 0 || strcasecmp(name.c_str(), root[1]) == 0)
                return root[1];
        }
        return {};
    }

    // The inside of a key's block: its named values and sub-keys, up to the closing brace.
    void Body(RgsKey& key, bool valuesAllowed)
    {
        while (!TryTake('}')) {
            if (AtEnd())
                throw ParseError{line_, "a block without its closing }"};
            const size_t save = pos_;
            const int saveLine = line_;
            if (strcasecmp(Word("a key or value").c_str(), "val") == 0) {
                if (!valuesAllowed)
                    throw ParseError{saveLine, "a root key holds no values"};
                const std::string name = Word("a value name");
                Expect('=');
                key.values.push_back(Value(name));
                continue;
            }
            pos_ = save;
            line_ = saveLine;
            key.children.push_back(OneKey());
        }
    }

    // [mark] name [= type 'value'] [{ ... }]
    RgsKey OneKey()
    {
        RgsKey key;
        key.line = line_;
        const std::string word = Word("a key name");
        key.mark = MarkOf(word);
        key.name = key.mark == RgsKey::Mark::Plain ? word : Word("a key name");
        if (key.name.find('\\') != std::string::npos)
            throw ParseError{key.line, "a key name with a back slash; nest the keys instead"};
        if (TryTake('='))
            key.values.push_back(Value(""));
        if (TryTake('{'))
            Body(key, true);
        return key;
    }

    static RgsKey::Mark MarkOf(const std::string& word)
    {
        if (strcasecmp(word.c_str(), "NoRemove") == 0)
            return RgsKey::Mark::NoRemove;
        if (strcasecmp(word.c_str(), "ForceRemove") == 0)
            return RgsKey::Mark::ForceRemove;
        if (strcasecmp(word.c_str(), "Delete") == 0)
            return RgsKey::Mark::Delete;
        return RgsKey::Mark::Plain;
    }

    // "s 'text'" or "d 'number'" after the "=".
    RgsValue Value(const std::string& name)
    {
        const int line = line_;
        const std::string type = Word("a value type (s or d)");
        RgsValue value;
        value.name = name;
        value.text = Word("a quoted value");
        if (strcasecmp(type.c_str(), "s") == 0) {
            value.type = REG_SZ;
        } else if (strcasecmp(type.c_str(), "d") == 0) {
            value.type = REG_DWORD;
            char* end = nullptr;
            const unsigned long long number = std::strtoull(value.text.c_str(), &end, 0);
            if (value.text.empty() || *end != '\0' || number > 0xFFFFFFFFull)
                throw ParseError{line, "\"" + value.text + "\" is not a 32-bit number"};
        } else {
            throw ParseError{line, "unknown value type \"" + type + "\" (s or d)"};
        }
        return value;
    }

    void SkipBlanks()
    {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n')
                ++line_;
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (text_.compare(pos_, 2, "//") == 0) {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    bool AtEnd()
    {
        SkipBlanks();
        return pos_ >= text_.size();
    }

    // A block brace stands alone: "{" followed by a blank or the end, and "}".
    bool IsBlockBrace(size_t at) const
    {
        if (text_[at] == '}')
            return true;
        return text_[at] == '{' &&
               (at + 1 >= text_.size() || std::isspace(static_cast<unsigned char>(text_[at + 1])));
    }

    bool TryTake(char c)
    {
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c && (c == '=' || IsBlockBrace(pos_))) {
            ++pos_;
            return true;
        }
        return false;
    }

    void Expect(char c)
    {
        if (!TryTake(c))
            throw ParseError{line_, std::string("\"") + c + "\" expected"};
    }

    // A name or a quoted text ('...' with '' for a quote).
    std::string Word(const char* what)
    {
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] == '=' || IsBlockBrace(pos_))
            throw ParseError{line_, std::string(what) + " expected"};
        std::string word;
        if (text_[pos_] == '\'') {
            for (++pos_;; ++pos_) {
                if (pos_ >= text_.size() || text_[pos_] == '\n')
                    throw ParseError{line_, "a quoted text without its closing '"};
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        word += '\'';
                        ++pos_;
                        continue;
                    }
                    ++pos_;
                    return word;
                }
                word += text_[pos_];
            }
        }
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
               text_[pos_] != '=' && text_[pos_] != '}')
            word += text_[pos_++];
        if (pos_ < text_.size() && text_[pos_] == '}' && !word.empty() && word[0] == '{')
            word += text_[pos_++];  // a "{GUID}" key name
        return word;
    }

    const std::string& text_;
    size_t pos_ = 0;
    int line_ = 1;
};


std::string ValueLine(const RgsValue& value)
{
    std::string line = value.name.empty() ? "@=" : registry::QuoteRegString(value.name) + "=";
    if (value.type == REG_DWORD) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08lx", std::strtoul(value.text.c_str(), nullptr, 0));
        return line + number + "\r\n";
    }
    return line + registry::QuoteRegString(value.text) + "\r\n";
}

void AddKey(const RgsKey& key, const std::string& path, std::string& out)
{
    if (key.mark == RgsKey::Mark::Delete) {
        out += "\r\n[-" + path + "]\r\n";
        return;
    }
    if (key.mark == RgsKey::Mark::ForceRemove)
        out += "\r\n[-" + path + "]\r\n";
    out += "\r\n[" + path + "]\r\n";
    for (const RgsValue& value : key.values)
        out += ValueLine(value);
    for (const RgsKey& child : key.children)
        AddKey(child, path + "\\" + child.name, out);
}

HKEY RootHandle(const std::string& root)
{
    if (root == "HKEY_CLASSES_ROOT")
        return HKEY_CLASSES_ROOT;
    return root == "HKEY_LOCAL_MACHINE" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// What a key holds now: whether it exists, its sub-key and value names.
struct KeyContents {
    bool exists = false;
    NameSet subKeys;
    NameSet values;
};

KeyContents Read(HKEY root, const std::string& subPath)
{
    KeyContents contents;
    HKEY key = nullptr;
    if (RegOpenKeyEx(root, subPath, KEY_READ, &key) != ERROR_SUCCESS)
        return contents;
    contents.exists = true;
    std::string name;
    for (DWORD i = 0; RegEnumKeyEx(key, i, &name) == ERROR_SUCCESS; ++i)
        contents.subKeys.insert(name);
    for (DWORD i = 0; RegEnumValue(key, i, &name, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i)
        contents.values.insert(name);
    RegCloseKey(key);
    return contents;
}

// Appends the edits that remove key (at subPath below root); true when the key goes whole.
bool RemoveKey(const RgsKey& key, HKEY root, const std::string& rootName,
               const std::string& subPath, std::string& out)
{
    if (key.mark == RgsKey::Mark::Delete)
        return false;
    const KeyContents now = Read(root, subPath);
    if (!now.exists)
        return false;
    const std::string path = subPath.empty() ? rootName : rootName + "\\" + subPath;
    if (key.mark == RgsKey::Mark::ForceRemove) {
        out += "\r\n[-" + path + "]\r\n";
        return true;
    }
    NameSet gone;
    std::string childEdits;
    for (const RgsKey& child : key.children) {
        const std::string childPath = subPath.empty() ? child.name : subPath + "\\" + child.name;
        if (RemoveKey(child, root, rootName, childPath, childEdits))
            gone.insert(child.name);
    }
    if (key.mark == RgsKey::Mark::Plain) {
        NameSet ownValues;
        for (const RgsValue& value : key.values)
            ownValues.insert(value.name);
        bool empty = true;
        for (const std::string& name : now.subKeys)
            empty &= gone.count(name) > 0;
        for (const std::string& name : now.values)
            empty &= ownValues.count(name) > 0;
        if (empty) {
            out += "\r\n[-" + path + "]\r\n";
            return true;
        }
    }
    out += childEdits;
    if (key.mark == RgsKey::Mark::Plain) {
        std::string valueEdits;
        for (const RgsValue& value : key.values) {
            if (now.values.count(value.name))
                valueEdits += (value.name.empty() ? "@" : registry::QuoteRegString(value.name)) + "=-\r\n";
        }
        if (!valueEdits.empty())
            out += "\r\n[" + path + "]\r\n" + valueEdits;
    }
    return false;
}

}  // namespace

std::optional<RgsScript> ParseRgsScript(const std::string& text, const RgsParameters& parameters,
                                        std::string* error)
{
    try {
        const std::string substituted = Substitute(text, parameters);
        return Parser(substituted).Script();
    } catch (const ParseError& e) {
        if (error)
            *error = "line " + std::to_string(e.line) + ": " + e.why;
        return std::nullopt;
    }
}

std::string RgsRegisterText(const RgsScript& script)
{
    std::string out = "REGEDIT4\r\n";
    for (const RgsKey& root : script.roots) {
        for (const RgsKey& key : root.children)
            AddKey(key, root.name + "\\" + key.name, out);
    }
    return out;
}

std::string RgsUnregisterText(const RgsScript& script)
{
    std::string out = "REGEDIT4\r\n";
    for (const RgsKey& root : script.roots) {
        for (const RgsKey& key : root.children)
            RemoveKey(key, RootHandle(root.name), root.name, key.name, out);
    }
    return out;
}

}  // namespace zem
