#include "registry/regtext.h"

#include <cstdio>

namespace zem::registry {
namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr size_t kHexBytesPerLine = 25;

// How strictly value data is read. Hive files are written only by FormatHive, so data that
// is not in the form it writes is a file cut short or damaged; .reg files written by hand
// may shorten numbers.
enum class DataForm { Lenient, AsWritten };

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           FoldName(text.substr(0, prefix.size())) == FoldName(prefix);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// minDigits to maxDigits hex digits, nothing else.
bool ParseHexNumber(std::string_view text, size_t minDigits, size_t maxDigits, uint32_t& value)
{
    if (text.empty() || text.size() < minDigits || text.size() > maxDigits)
        return false;
    value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

bool ParseRootName(std::string_view text, RootKey& root)
{
    for (RootKey candidate :
         {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine}) {
        if (FoldName(text) == RootName(candidate)) {
            root = candidate;
            return true;
        }
    }
    return false;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends behind the closing quote.
// Only \\ and \" are escapes, as the format has them.
bool ParseQuoted(std::string_view text, size_t& pos, std::string& out, std::string& why)
{
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (pos + 1 >= text.size() || (text[pos + 1] != '\\' && text[pos + 1] != '"')) {
                why = "unknown escape in quoted text (write \\\\ for a backslash)";
                return false;
            }
            ++pos;
        }
        out += text[pos];
    }
    why = "quoted text without its closing quote";
    return false;
}

bool ParseHexList(std::string_view list, DataForm form, std::string& bytes)
{
    const size_t minDigits = form == DataForm::AsWritten ? 2 : 1;
    bytes.clear();
    list = Trim(list);
    if (list.empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t comma = list.find(',', start);
        uint32_t byte = 0;
        if (!ParseHexNumber(Trim(list.substr(start, comma - start)), minDigits, 2, byte))
            return false;
        bytes += static_cast<char>(byte);
        if (comma == std::string_view::npos)
            return true;
        start = comma + 1;
    }
}

// The data after "=": a quoted text, dword:, hex:, hex(n): or "-" (delete).
bool ParseData(std::string_view data, DataForm form, RegEdit& edit, std::string& why)
{
    if (data == "-") {
        edit.kind = RegEdit::Kind::DeleteValue;
        return true;
    }
    edit.kind = RegEdit::Kind::SetValue;
    if (!data.empty() && data.front() == '"') {
        size_t pos = 0;
        std::string text;
        if (!ParseQuoted(data, pos, text, why))
            return false;
        if (!Trim(data.substr(pos)).empty()) {
            why = "text after the closing quote";
            return false;
        }
        edit.type = kRegSz;
        edit.data = text + '\0';
        return true;
    }
    if (StartsWithNoCase(data, "dword:")) {
        uint32_t value = 0;
        const size_t minDigits = form == DataForm::AsWritten ? 8 : 1;
        if (!ParseHexNumber(Trim(data.substr(6)), minDigits, 8, value)) {
            why = form == DataForm::AsWritten ? "dword: cut short (a hive has 8 hex digits)"
                                              : "dword: needs 1 to 8 hex digits";
            return false;
        }
        edit.type = kRegDword;
        edit.data.clear();
        for (int i = 0; i < 4; ++i)
            edit.data += static_cast<char>((value >> (8 * i)) & 0xFF);
        return true;
    }
    if (StartsWithNoCase(data, "hex:") || StartsWithNoCase(data, "hex(")) {
        const size_t colon = data.find(':');
        edit.type = kRegBinary;
        if (data[3] == '(') {
            const size_t close = data.find(')');
            if (close == std::string_view::npos || close + 1 != colon ||
                !ParseHexNumber(data.substr(4, close - 4), 1, 8, edit.type)) {
                why = "hex(n): needs a hex type number";
                return false;
            }
        }
        if (!ParseHexList(data.substr(colon + 1), form, edit.data)) {
            why = form == DataForm::AsWritten
                      ? "hex data cut short (a hive has bytes of 2 hex digits)"
                      : "hex data must be bytes of 1 or 2 hex digits separated by commas";
            return false;
        }
        return true;
    }
    why = "unknown value data (expected \"text\", dword:, hex:, hex(n): or -)";
    return false;
}


// A REG_SZ written as "text" must read back byte for byte: one terminating zero, no other
// zero, no line break.
bool FitsQuotedText(const RegValue& value)
{
    const std::string& data = value.data;
    if (value.type != kRegSz || data.empty() || data.back() != '\0')
        return false;
    return data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
}

void AppendValue(std::string& out, const RegValue& value)
{
    std::string line = value.name.empty() ? "@=" : QuoteRegString(value.name) + "=";
    char number[32];
    if (FitsQuotedText(value)) {
        line += QuoteRegString(std::string_view(value.data).substr(0, value.data.size() - 1));
    } else if (value.type == kRegDword && value.data.size() == 4) {
        uint32_t dword = 0;
        for (int i = 3; i >= 0; --i)
            dword = (dword << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
        std::snprintf(number, sizeof number, "dword:%08x", dword);
        line += number;
    } else {
        if (value.type == kRegBinary) {
            line += "hex:";
        } else {
            std::snprintf(number, sizeof number, "hex(%x):", value.type);
            line += number;
        }
        for (size_t i = 0; i < value.data.size(); ++i) {
            if (i > 0)
                line += (i % kHexBytesPerLine == 0) ? ",\\\n  " : ",";
            std::snprintf(number, sizeof number, "%02x",
                          static_cast<unsigned char>(value.data[i]));
            line += number;
        }
    }
    out += line;
    out += '\n';
}

void AppendKey(std::string& out, const KeyNode& key, const std::string& path, bool isRoot)
{
    if (!isRoot || !key.Values().empty()) {
        out += "[" + path + "]\n";
        for (const RegValue& value : key.Values())
            AppendValue(out, value);
        out += '\n';
    }
    for (size_t i = 0; i < key.ChildCount(); ++i) {
        const KeyNode* child = key.ChildAt(i);
        AppendKey(out, *child, path + "\\" + child->Name(), false);
    }
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string QuoteRegString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string_view RootName(RootKey root)
{
    switch (root) {
    case RootKey::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RootKey::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RootKey::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    }
    return {};
}

bool IsStorableName(std::string_view name, bool isKey)
{
    if (isKey && name.empty())
        return false;
    for (char c : name) {
        if (c == '\0' || c == '\r' || c == '\n' || (isKey && c == '\\'))
            return false;
    }
    return true;
}

bool SplitKeyPath(std::string_view text, KeyPath& path)
{
    path.clear();
    if (text.empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t slash = text.find('\\', start);
        std::string_view name = text.substr(start, slash - start);
        if (!IsStorableName(name, true))
            return false;
        path.emplace_back(name);
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

namespace {

// ParseRegText, with value data read in the given form.
bool ParseRegTextAs(std::string_view text, DataForm form, std::vector<RegEdit>& edits,
                    std::string& error)
{
    edits.clear();
    const std::vector<std::string_view> lines = SplitLines(text);
    bool headerSeen = false;
    bool inSection = false;
    bool deletingSection = false;
    RootKey root = RootKey::CurrentUser;
    KeyPath path;

    auto fail = [&](int lineNo, const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };

    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        std::string line(Trim(lines[i]));
        if (!headerSeen) {
            if (line.empty())
                continue;
            if (line != "REGEDIT4")
                return fail(lineNo, "the file does not start with REGEDIT4");
            headerSeen = true;
            continue;
        }
        if (line.empty() || line[0] == ';')
            continue;
        // Long hex data goes on over lines that end in a backslash.
        while (line.back() == '\\' && line[0] != '[' && i + 1 < lines.size()) {
            line.pop_back();
            line += Trim(lines[++i]);
            if (line.empty())
                break;
        }
        if (line.empty())
            continue;

        if (line[0] == '[') {
            if (line.back() != ']')
                return fail(lineNo, "a key line must end with ]");
            std::string_view inner = std::string_view(line).substr(1, line.size() - 2);
            deletingSection = !inner.empty() && inner[0] == '-';
            if (deletingSection)
                inner.remove_prefix(1);
            const size_t slash = inner.find('\\');
            if (!ParseRootName(inner.substr(0, slash), root))
                return fail(lineNo, "unknown root key");
            if (!SplitKeyPath(slash == std::string_view::npos ? std::string_view()
                                                               : inner.substr(slash + 1),
                              path) ||
                (slash != std::string_view::npos && path.empty()))
                return fail(lineNo, "a key path with an empty or unusable name");
            RegEdit edit;
            edit.kind = deletingSection ? RegEdit::Kind::DeleteKey : RegEdit::Kind::CreateKey;
            edit.root = root;
            edit.path = path;
            edit.line = lineNo;
            edits.push_back(std::move(edit));
            inSection = true;
            continue;
        }

        if (line[0] != '"' && line[0] != '@')
            return fail(lineNo, "cannot read this line");
        if (!inSection)
            return fail(lineNo, "a value before the first key line");
        if (deletingSection)
            return fail(lineNo, "a value below a key that is being deleted");

        RegEdit edit;
        edit.root = root;
        edit.path = path;
        edit.line = lineNo;
        size_t pos = 1;
        std::string why;
        if (line[0] == '"') {
            pos = 0;
            if (!ParseQuoted(line, pos, edit.name, why))
                return fail(lineNo, why);
            if (!IsStorableName(edit.name, false))
                return fail(lineNo, "a value name with a line break or zero byte");
        }
        std::string_view rest = Trim(std::string_view(line).substr(pos));
        if (rest.empty() || rest[0] != '=')
            return fail(lineNo, "= expected after the value name");
        if (!ParseData(Trim(rest.substr(1)), form, edit, why))
            return fail(lineNo, why);
        edits.push_back(std::move(edit));
    }
    if (!headerSeen)
        return fail(1, "the file does not start with REGEDIT4");
    return true;
}

}  // namespace

bool ParseRegText(std::string_view text, std::vector<RegEdit>& edits, std::string& error)
{
    return ParseRegTextAs(text, DataForm::Lenient, edits, error);
}

bool ParseHive(std::string_view text, RootKey root, KeyNode& tree, std::string& error)
{
    if (text.find_first_not_of("\r\n \t") == std::string_view::npos)
        return true;
    // The system ends every line it writes; a hive that stops mid-line was cut short, even
    // where the cut leaves a value that reads well (hex data cut between two bytes).
    if (text.back() != '\n') {
        error = "the hive ends in the middle of a line";
        return false;
    }
    std::vector<RegEdit> edits;
    if (!ParseRegTextAs(text, DataForm::AsWritten, edits, error))
        return false;
    for (const RegEdit& edit : edits) {
        if (edit.root != root) {
            error = "line " + std::to_string(edit.line) + ": a key of another hive";
            return false;
        }
        switch (edit.kind) {
        case RegEdit::Kind::CreateKey:
            tree.FindOrCreate(edit.path);
            break;
        case RegEdit::Kind::SetValue:
            tree.FindOrCreate(edit.path).SetValue(edit.name, edit.type, edit.data);
            break;
        case RegEdit::Kind::DeleteKey:
        case RegEdit::Kind::DeleteValue:
            error = "line " + std::to_string(edit.line) + ": a deletion in a hive file";
            return false;
        }
    }
    return true;
}

std::string FormatHive(const KeyNode& tree, RootKey root)
{
    std::string out = "REGEDIT4\n\n";
    AppendKey(out, tree, std::string(RootName(root)), true);
    return out;
}

}  // namespace zem::registry
