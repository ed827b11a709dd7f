#include "ZemBaseLib/xmlelement.h"

#include <cstdlib>
#include <cstring>
#include <expat.h>

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The seven German letters, UTF-8 to Latin-1, in the order they are replaced.
std::string FoldUmlauts(std::string text)
{
    if (text.find('\xC3') == std::string::npos)
        return text;
    static const struct {
        char utf8Second;
        char latin1;
    } kFolds[] = {{'\xB6', '\xF6'}, {'\xA4', '\xE4'}, {'\xBC', '\xFC'}, {'\x96', '\xD6'},
                  {'\x84', '\xC4'}, {'\x9C', '\xDC'}, {'\x9F', '\xDF'}};
    for (const auto& fold : kFolds) {
        const char pair[] = {'\xC3', fold.utf8Second, 0};
        for (size_t pos = text.find(pair); pos != std::string::npos; pos = text.find(pair, pos + 1))
            text.replace(pos, 2, 1, fold.latin1);
    }
    return text;
}

std::string IntText(int32_t value)
{
    return std::to_string(value);
}

// Text content: & < > become entities so the output parses back.
void AppendEscapedText(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
}

// Attribute values are written inside double quotes: & < " become entities.
void AppendEscapedValue(std::string& out, std::string_view value)
{
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
}

struct StringSink {
    std::string& out;
    void operator()(const std::string& piece) { out += piece; }
};

struct FileSink {
    std::FILE* file;
    void operator()(const std::string& piece) { std::fwrite(piece.data(), 1, piece.size(), file); }
};

}  // namespace

// Shared by the expat handlers during one Parse.
struct XmlParseState {
    // Deeper documents are refused: every tree operation recurses once per level.
    static constexpr int kMaxDepth = 1000;

    XML_Parser parser;
    XmlElement* root;
    XmlElement* current;
    int depth = 0;
    bool tooDeep = false;

    static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attrs)
    {
        auto* state = static_cast<XmlParseState*>(data);
        if (++state->depth > kMaxDepth) {
            state->tooDeep = true;
            XML_StopParser(state->parser, XML_FALSE);
            return;
        }
        if (!state->current->GetName().empty())
            state->current = state->current->AddChild({}, {});
        state->current->SetName(name);
        for (int i = 0; attrs[i] && attrs[i + 1]; i += 2)
            state->current->SetAttribute(attrs[i], attrs[i + 1]);
    }

    static void XMLCALL End(void* data, const XML_Char*)
    {
        auto* state = static_cast<XmlParseState*>(data);
        --state->depth;
        if (state->current != state->root)
            state->current = state->current->GetParent();
    }

    static void XMLCALL Characters(void* data, const XML_Char* chars, int length)
    {
        auto* state = static_cast<XmlParseState*>(data);
        const std::string_view piece = Trim(std::string_view(chars, static_cast<size_t>(length)));
        if (piece.empty())
            return;
        state->current->SetText(state->current->GetText() + std::string(piece));
    }
};

void XmlElement::SetName(std::string_view name)
{
    name_ = Lower(name);
}

void XmlElement::SetText(std::string_view text)
{
    std::string trimmed(Trim(text));
    std::erase(trimmed, '\t');
    text_ = FoldUmlauts(std::move(trimmed));
}

XmlElement::AttrPair* XmlElement::FindAttribute(std::string_view lowerName)
{
    for (auto& attr : attributes_) {
        if (attr.first == lowerName)
            return &attr;
    }
    return nullptr;
}

const XmlElement::AttrPair* XmlElement::FindAttribute(std::string_view lowerName) const
{
    return const_cast<XmlElement*>(this)->FindAttribute(lowerName);
}

void XmlElement::SetAttribute(std::string_view name, std::string_view value)
{
    std::string key = Lower(name);
    std::string folded = FoldUmlauts(std::string(value));
    if (AttrPair* attr = FindAttribute(key))
        attr->second = std::move(folded);
    else
        attributes_.emplace_back(std::move(key), std::move(folded));
}

void XmlElement::SetAttributeInt(std::string_view name, int32_t value)
{
    SetAttribute(name, IntText(value));
}

bool XmlElement::GetAttribute(std::string_view name, std::string& value) const
{
    value.clear();
    const AttrPair* attr = FindAttribute(Lower(name));
    if (!attr)
        return false;
    value = attr->second;
    return true;
}

bool XmlElement::GetAttributeInt(std::string_view name, int32_t& value) const
{
    value = -1;
    std::string text;
    if (!GetAttribute(name, text))
        return false;
    value = static_cast<int32_t>(std::atol(text.c_str()));
    return true;
}

void XmlElement::RemoveAttribute(std::string_view name)
{
    const std::string key = Lower(name);
    std::erase_if(attributes_, [&](const AttrPair& attr) { return attr.first == key; });
}

void XmlElement::Reset(std::string_view name, std::string_view text)
{
    RemoveAllChildren();
    RemoveAllAttributes();
    SetName(name);
    SetText(text);
}

void XmlElement::Clear()
{
    RemoveAllChildren();
    RemoveAllAttributes();
}

uint16_t XmlElement::CountChildren(std::string_view name) const
{
    if (name.empty())
        return static_cast<uint16_t>(children_.size());
    uint16_t count = 0;
    for (const auto& child : children_) {
        if (EqualNoCase(child->name_, name))
            ++count;
    }
    return count;
}

XmlElement* XmlElement::GetChild(uint16_t index) const
{
    return index < children_.size() ? children_[index].get() : nullptr;
}

int XmlElement::FindChildIndex(std::string_view name, int start) const
{
    for (size_t i = start < 0 ? 0 : static_cast<size_t>(start); i < children_.size(); ++i) {
        if (EqualNoCase(children_[i]->name_, name))
            return static_cast<int>(i);
    }
    return -1;
}

XmlElement* XmlElement::FindChild(std::string_view name) const
{
    const int index = FindChildIndex(name);
    return index < 0 ? nullptr : children_[static_cast<size_t>(index)].get();
}

XmlElement* XmlElement::FindChild(std::string_view name, bool) const
{
    return FindChild(name);
}

XmlElement* XmlElement::FindNthChild(std::string_view name, uint16_t n) const
{
    if (n == 0)
        return nullptr;
    for (const auto& child : children_) {
        if (EqualNoCase(child->name_, name) && --n == 0)
            return child.get();
    }
    return nullptr;
}

int XmlElement::FindChildIndexByAttr(std::string_view name, const std::vector<AttrPair>& pairs,
                                     int start) const
{
    for (int index = FindChildIndex(name, start); index >= 0;
         index = FindChildIndex(name, index + 1)) {
        const XmlElement& child = *children_[static_cast<size_t>(index)];
        bool all = true;
        for (const auto& [attrName, wanted] : pairs) {
            const AttrPair* attr = child.FindAttribute(Lower(attrName));
            if (!attr || !EqualNoCase(attr->second, wanted)) {
                all = false;
                break;
            }
        }
        if (all)
            return index;
    }
    return -1;
}

int XmlElement::FindChildIndexByAttr(std::string_view name, std::string_view attrName,
                                     int32_t value) const
{
    return FindChildIndexByAttr(name, {{std::string(attrName), IntText(value)}}, 0);
}

XmlElement* XmlElement::FindChildByAttr(std::string_view name, const std::vector<AttrPair>& pairs,
                                        int start) const
{
    const int index = FindChildIndexByAttr(name, pairs, start);
    return index < 0 ? nullptr : children_[static_cast<size_t>(index)].get();
}

XmlElement* XmlElement::AddChild(std::string_view name, std::string_view text)
{
    children_.push_back(std::make_unique<XmlElement>(this));
    XmlElement* child = children_.back().get();
    child->SetName(name);
    child->SetText(text);
    return child;
}

void XmlElement::RemoveChild(XmlElement* child)
{
    std::erase_if(children_, [child](const auto& owned) { return owned.get() == child; });
}

bool XmlElement::SetChildText(std::string_view name, std::string_view text)
{
    if (XmlElement* child = FindChild(name))
        child->SetText(text);
    else
        AddChild(name, text);
    return true;
}

bool XmlElement::SetChildTextInt(std::string_view name, int32_t value)
{
    return SetChildText(name, IntText(value));
}

std::string XmlElement::GetChildText(std::string_view name) const
{
    const XmlElement* child = FindChild(name);
    return child ? child->text_ : std::string();
}

bool XmlElement::SetChildAttribute(std::string_view childName, std::string_view attrName,
                                   std::string_view value)
{
    XmlElement* child = FindChild(childName);
    if (!child)
        child = AddChild(childName, {});
    child->SetAttribute(attrName, value);
    return true;
}

bool XmlElement::SetChildAttributeInt(std::string_view childName, std::string_view attrName,
                                      int32_t value)
{
    return SetChildAttribute(childName, attrName, IntText(value));
}

std::string XmlElement::GetChildAttribute(std::string_view childName,
                                          std::string_view attrName) const
{
    std::string value;
    if (const XmlElement* child = FindChild(childName))
        child->GetAttribute(attrName, value);
    return value;
}

bool XmlElement::CopyFrom(const XmlElement* source, bool)
{
    if (!source) {
        Reset("undefined", {});
        return false;
    }
    std::string text;
    source->Serialize(text, 0);
    return Parse(text, true);
}

bool XmlElement::CopyChildTo(XmlElement* destination, std::string_view childName) const
{
    if (!destination)
        return false;
    destination->Reset({}, {});
    const XmlElement* child = FindChild(childName);
    if (!child)
        return false;
    destination->CopyFrom(child);
    return true;
}

XmlElement* XmlElement::AddChildCopy(std::string_view name, const XmlElement* source)
{
    XmlElement* child = AddChild(name, {});
    child->CopyFrom(source);
    child->SetName(name);
    return child;
}

bool XmlElement::AddChildAndCopyTo(XmlElement* destination, std::string_view name,
                                   std::string_view text)
{
    XmlElement* child = AddChild(name, text);
    if (destination)
        destination->CopyFrom(child);
    return true;
}

XmlElement* XmlElement::SetChildCopy(const XmlElement* source, bool)
{
    if (!source || source->name_.empty())
        return nullptr;
    XmlElement* child = FindChild(source->name_);
    if (!child)
        child = AddChild(source->name_, {});
    child->CopyFrom(source);
    return child;
}

bool XmlElement::AddChildTree(const XmlElement* source, bool recursive)
{
    if (!source || source->name_.empty())
        return false;
    XmlElement* child = AddChild(source->name_, source->text_);
    for (const auto& [name, value] : source->attributes_)
        child->SetAttribute(name, value);
    if (!recursive)
        return true;
    for (const auto& grandChild : source->children_) {
        if (!child->AddChildTree(grandChild.get(), true))
            return false;
    }
    return true;
}

bool XmlElement::Parse(const std::string& text, bool retry)
{
    Reset({}, {});
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) {
        lastError_ = "out of memory";
        return false;
    }
    XmlParseState state{parser, this, this};
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, &XmlParseState::Start, &XmlParseState::End);
    XML_SetCharacterDataHandler(parser, &XmlParseState::Characters);

    const bool ok = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_ERROR;
    if (!ok) {
        char message[256];
        std::snprintf(message, sizeof message, "%s at line %d",
                      state.tooDeep ? "elements nested too deeply"
                                    : XML_ErrorString(XML_GetErrorCode(parser)),
                      static_cast<int>(XML_GetCurrentLineNumber(parser)));
        lastError_ = message;
    }
    XML_ParserFree(parser);
    if (ok || !retry)
        return ok;
    return Parse(EscapeUmlauts(text), false);
}

std::string XmlElement::EscapeUmlauts(std::string_view text)
{
    static const struct {
        char latin1;
        const char* reference;
    } kLetters[] = {{'\xE4', "&#xE4;"}, {'\xC4', "&#xC4;"}, {'\xF6', "&#xF6;"}, {'\xD6', "&#xD6;"},
                    {'\xFC', "&#xFC;"}, {'\xDC', "&#xDC;"}, {'\xDF', "&#xDF;"}};
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const char* reference = nullptr;
        for (const auto& letter : kLetters) {
            if (c == letter.latin1)
                reference = letter.reference;
        }
        if (reference)
            out += reference;
        else
            out += c;
    }
    return out;
}

template <typename Sink>
void XmlElement::Write(Sink& sink, const std::string& unit, int depth) const
{
    std::string indent;
    for (int i = 0; i < depth; ++i)
        indent += unit;

    std::string line = indent + "<" + name_;
    for (const auto& [name, value] : attributes_) {
        line += " " + name + "=\"";
        AppendEscapedValue(line, value);
        line += "\"";
    }
    if (children_.empty()) {
        if (text_.empty()) {
            line += " />\r\n";
        } else {
            line += ">";
            AppendEscapedText(line, text_);
            line += "</" + name_ + ">\r\n";
        }
        sink(line);
        return;
    }
    line += ">\r\n";
    if (!text_.empty()) {
        line += indent + "   ";
        AppendEscapedText(line, text_);
        line += "\r\n";
    }
    sink(line);
    for (const auto& child : children_)
        child->Write(sink, unit, depth + 1);
    sink(indent + "</" + name_ + ">\r\n");
}

void XmlElement::Serialize(std::string& out, int depth) const
{
    if (depth == 0)
        out.clear();
    StringSink sink{out};
    Write(sink, "    ", depth);
}

void XmlElement::WriteToFile(int depth, std::FILE* file) const
{
    if (!file)
        return;
    FileSink sink{file};
    Write(sink, "\t", depth);
}
