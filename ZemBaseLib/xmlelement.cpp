#include "ZemBaseLib/xmlelement.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <expat.h>
#include <sanitizer/asan_interface.h>

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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

// The seven German letters: the second byte of their UTF-8 form (the first is C3) and their
// Latin-1 byte.
struct GermanLetter {
    char utf8Second;
    char latin1;
};
constexpr GermanLetter kGermanLetters[] = {
    {'\xB6', '\xF6'}, {'\xA4', '\xE4'}, {'\xBC', '\xFC'}, {'\x96', '\xD6'},
    {'\x84', '\xC4'}, {'\x9C', '\xDC'}, {'\x9F', '\xDF'},
};

// The German letters, UTF-8 to Latin-1; every other byte stays.
void FoldUmlauts(std::string& text)
{
    // A plain loop: the texts are short, and most have no C3 at all.
    size_t out = 0;
    while (out < text.size() && text[out] != '\xC3')
        ++out;
    if (out == text.size())
        return;
    for (size_t in = out; in < text.size(); ++in, ++out) {
        char c = text[in];
        if (c == '\xC3' && in + 1 < text.size()) {
            for (const GermanLetter& letter : kGermanLetters) {
                if (text[in + 1] == letter.utf8Second) {
                    c = letter.latin1;
                    ++in;
                    break;
                }
            }
        }
        text[out] = c;
    }
    text.resize(out);
}

// Latin-1 read as such comes out of expat as UTF-8 C2 or C3 sequences: back to its bytes.
void FoldLatin1(std::string& text)
{
    size_t out = 0;
    for (size_t in = 0; in < text.size(); ++in, ++out) {
        char c = text[in];
        if ((c == '\xC2' || c == '\xC3') && in + 1 < text.size() && (text[in + 1] & 0xC0) == 0x80) {
            c = static_cast<char>((c == '\xC3' ? 0xC0 : 0x80) | (text[in + 1] & 0x3F));
            ++in;
        }
        text[out] = c;
    }
    text.resize(out);
}

// Stores a name in out with the ASCII capitals lowered and every Latin-1 letter as its byte:
// a name cannot carry a character reference, so only raw Latin-1, which the Latin-1 retry of
// Parse reads, lets a written name with any of them parse back.
void AssignName(std::string& out, std::string_view text)
{
    out.resize(text.size());
    bool utf8 = false;
    for (size_t i = 0; i < text.size(); ++i) {
        out[i] = LowerAscii(text[i]);
        utf8 |= text[i] == '\xC2' || text[i] == '\xC3';
    }
    if (utf8)
        FoldLatin1(out);
}

// An attribute's name as the element keeps it.
std::string Lower(std::string_view text)
{
    std::string out;
    AssignName(out, text);
    return out;
}

std::string IntText(int32_t value)
{
    return std::to_string(value);
}

// Text content: & < > become entities so the output parses back.
const char* TextEntity(char c)
{
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return nullptr;
    }
}

// Attribute values are written inside double quotes: & < " become entities, and TAB, LF and
// CR character references, which a parser would otherwise read back as blanks.
const char* ValueEntity(char c)
{
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '"': return "&quot;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    default: return nullptr;
    }
}

// Appends text in runs, with each byte that has an entity replaced by it.
template <const char* (*entityOf)(char)>
void AppendEscaped(std::string& out, std::string_view text)
{
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (const char* entity = entityOf(text[i])) {
            out.append(text.substr(runStart, i - runStart));
            out += entity;
            runStart = i + 1;
        }
    }
    out.append(text.substr(runStart));
}

void AppendIndent(std::string& out, std::string_view unit, int depth)
{
    for (int i = 0; i < depth; ++i)
        out += unit;
}

}  // namespace

// The elements of one tree: made in blocks, and a removed one is emptied and kept for the
// tree's next AddChild, with the room of its text and lists; all of them go with the root.
class XmlElement::Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    ~Arena()
    {
        for (const Block& block : blocks_) {
            ASAN_UNPOISON_MEMORY_REGION(block.nodes, block.used * sizeof(XmlElement));
            for (size_t i = 0; i < block.used; ++i)
                block.nodes[i].~XmlElement();
            ::operator delete(block.nodes);
        }
    }

    XmlElement* New(XmlElement* parent)
    {
        XmlElement* node;
        if (!free_.empty()) {
            node = free_.back();
            free_.pop_back();
            ASAN_UNPOISON_MEMORY_REGION(node, sizeof(XmlElement));
        } else {
            if (blocks_.empty() || blocks_.back().used == blocks_.back().size)
                AddBlock();
            Block& block = blocks_.back();
            node = new (&block.nodes[block.used++]) XmlElement();
            node->arena_ = this;
        }
        node->parent_ = parent;
        return node;
    }

    // Takes back node and its whole subtree; a sanitizer build reports any later use.
    void Release(XmlElement* node)
    {
        for (XmlElement* child : node->children_)
            Release(child);
        node->Empty();
        free_.push_back(node);
        ASAN_POISON_MEMORY_REGION(node, sizeof(XmlElement));
    }

private:
    struct Block {
        XmlElement* nodes;
        size_t size;
        size_t used;
    };
    // Small trees stay small; a large one grows in blocks of up to this many elements.
    static constexpr size_t kFirstBlock = 8;
    static constexpr size_t kLargestBlock = 1024;

    void AddBlock()
    {
        const size_t size = blocks_.empty() ? kFirstBlock : std::min(2 * blocks_.back().size, kLargestBlock);
        blocks_.reserve(blocks_.size() + 1);
        auto* nodes = static_cast<XmlElement*>(::operator new(size * sizeof(XmlElement)));
        blocks_.push_back({nodes, size, 0});
    }

    std::vector<Block> blocks_;
    std::vector<XmlElement*> free_;
};

XmlElement::XmlElement() = default;

XmlElement::XmlElement(XmlElement* parent) : parent_(parent) {}

XmlElement::XmlElement(std::string_view name) : name_(name) {}

// The arena ends the elements it made; a root's arena goes with the root.
XmlElement::~XmlElement() = default;

// A kept element's room beyond these is given back rather than kept for later.
constexpr size_t kKeptTextRoom = 256;
constexpr size_t kKeptListRoom = 64;

void XmlElement::Empty()
{
    children_.clear();
    attributes_.clear();
    name_.clear();
    text_.clear();
    lastError_.reset();
    parent_ = nullptr;
    if (text_.capacity() > kKeptTextRoom)
        std::string().swap(text_);
    if (children_.capacity() > kKeptListRoom)
        decltype(children_)().swap(children_);
    if (attributes_.capacity() > kKeptListRoom)
        decltype(attributes_)().swap(attributes_);
}

XmlElement::Arena& XmlElement::TreeArena()
{
    if (!arena_) {
        ownArena_ = std::make_unique<Arena>();
        arena_ = ownArena_.get();
    }
    return *arena_;
}

// Shared by the expat handlers during one Parse. Character data is gathered raw per element
// and stored once at its end, so pieces split at references or line ends stay as written.
struct XmlParseState {
    // Deeper documents are refused: every tree operation recurses once per level.
    static constexpr size_t kMaxDepth = 1000;

    XML_Parser parser;
    XmlElement* root;
    XmlElement* current;
    bool latin1;  // the text is read as Latin-1: expat's UTF-8 goes back to the bytes
    std::string gathered;
    // Where each open element's own character data begins in gathered, outermost first.
    std::vector<size_t> textStarts;
    bool tooDeep = false;

    void Store(std::string& out, const char* text) const
    {
        if (latin1) {
            out.assign(text);
            FoldLatin1(out);
        }
        AssignName(out, latin1 ? std::string_view(out) : std::string_view(text));
    }

    static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attrs)
    {
        auto* state = static_cast<XmlParseState*>(data);
        if (state->textStarts.size() >= kMaxDepth) {
            state->tooDeep = true;
            XML_StopParser(state->parser, XML_FALSE);
            return;
        }
        state->textStarts.push_back(state->gathered.size());
        XmlElement* element = state->current;
        if (!element->name_.empty()) {
            element = element->NewChild();
            state->current = element;
        }
        state->Store(element->name_, name);
        size_t count = 0;
        while (attrs[count])
            count += 2;
        element->attributes_.reserve(count / 2);
        for (size_t i = 0; i + 1 < count; i += 2) {
            XmlElement::AttrPair attr;
            state->Store(attr.first, attrs[i]);
            attr.second.assign(attrs[i + 1]);
            if (state->latin1)
                FoldLatin1(attr.second);
            FoldUmlauts(attr.second);
            // Names that differ only in case are one attribute here: the last value wins.
            if (XmlElement::AttrPair* same = element->FindAttribute(attr.first))
                same->second = std::move(attr.second);
            else
                element->attributes_.push_back(std::move(attr));
        }
    }

    static void XMLCALL End(void* data, const XML_Char*)
    {
        auto* state = static_cast<XmlParseState*>(data);
        if (!state->tooDeep)
            state->CloseElement();
    }

    static void XMLCALL Characters(void* data, const XML_Char* chars, int length)
    {
        static_cast<XmlParseState*>(data)->gathered.append(chars, static_cast<size_t>(length));
    }

    void CloseElement()
    {
        const size_t start = textStarts.back();
        textStarts.pop_back();
        if (latin1 && start < gathered.size()) {
            std::string text = gathered.substr(start);
            FoldLatin1(text);
            current->SetText(text);
        } else {
            current->SetText(std::string_view(gathered).substr(start));
        }
        gathered.resize(start);
        if (current != root)
            current = current->GetParent();
    }

    // After a failure the open elements keep the text gathered so far.
    void CloseOpenElements()
    {
        while (!textStarts.empty())
            CloseElement();
    }
};

const std::string& XmlElement::GetLastError() const
{
    static const std::string kNone;
    return lastError_ ? *lastError_ : kNone;
}

void XmlElement::SetName(std::string_view name)
{
    AssignName(name_, name);
}

void XmlElement::SetText(std::string_view text)
{
    text = Trim(text);
    text_.assign(text.data(), text.size());
    // One pass over the usually short text rather than a search for each.
    bool tab = false;
    bool utf8 = false;
    for (char c : text) {
        tab |= c == '\t';
        utf8 |= c == '\xC3';
    }
    if (tab)
        std::erase(text_, '\t');
    if (utf8)
        FoldUmlauts(text_);
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
    std::string folded(value);
    FoldUmlauts(folded);
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
    return index < children_.size() ? children_[index] : nullptr;
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
    return index < 0 ? nullptr : children_[static_cast<size_t>(index)];
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
            return child;
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
    return index < 0 ? nullptr : children_[static_cast<size_t>(index)];
}

XmlElement* XmlElement::NewChild()
{
    if (children_.empty())
        children_.reserve(kChildBlock);
    XmlElement* child = TreeArena().New(this);
    children_.push_back(child);
    return child;
}

XmlElement* XmlElement::AddChild(std::string_view name, std::string_view text)
{
    XmlElement* child = NewChild();
    child->SetName(name);
    child->SetText(text);
    return child;
}

void XmlElement::RemoveChild(XmlElement* child)
{
    const auto found = std::find(children_.begin(), children_.end(), child);
    if (found == children_.end())
        return;
    children_.erase(found);
    arena_->Release(child);
}

void XmlElement::RemoveAllChildren()
{
    for (XmlElement* child : children_)
        arena_->Release(child);
    children_.clear();
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
    // Callers take a copy as made: what did not parse back is simply missing.
    Parse(text, true);
    return true;
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
        if (!child->AddChildTree(grandChild, true))
            return false;
    }
    return true;
}

bool XmlElement::Parse(const std::string& text, bool retry)
{
    return Parse(text, retry ? ReadAs::Utf8ThenLatin1 : ReadAs::Utf8);
}

bool XmlElement::Parse(const std::string& text, ReadAs readAs)
{
    Reset({}, {});
    const bool latin1 = readAs == ReadAs::Latin1;
    XML_Parser parser = XML_ParserCreate(latin1 ? "ISO-8859-1" : nullptr);
    if (!parser) {
        lastError_ = std::make_unique<std::string>("out of memory");
        return false;
    }
    XmlParseState state{parser, this, this, latin1, {}, {}, false};
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
        lastError_ = std::make_unique<std::string>(message);
    }
    state.CloseOpenElements();
    XML_ParserFree(parser);
    if (ok || readAs != ReadAs::Utf8ThenLatin1)
        return ok;
    return Parse(text, ReadAs::Latin1);
}

void XmlElement::Write(std::string& out, std::string_view unit, int depth) const
{
    AppendIndent(out, unit, depth);
    out += '<';
    out += name_;
    for (const auto& [name, value] : attributes_) {
        out += ' ';
        out += name;
        out += "=\"";
        AppendEscaped<ValueEntity>(out, value);
        out += '"';
    }
    if (children_.empty()) {
        if (text_.empty()) {
            out += " />\r\n";
        } else {
            out += '>';
            AppendEscaped<TextEntity>(out, text_);
            out += "</";
            out += name_;
            out += ">\r\n";
        }
        return;
    }
    out += ">\r\n";
    if (!text_.empty()) {
        AppendIndent(out, unit, depth);
        out += "   ";
        AppendEscaped<TextEntity>(out, text_);
        out += "\r\n";
    }
    for (const auto& child : children_)
        child->Write(out, unit, depth + 1);
    AppendIndent(out, unit, depth);
    out += "</";
    out += name_;
    out += ">\r\n";
}

void XmlElement::Serialize(std::string& out, int depth) const
{
    if (depth == 0)
        out.clear();
    Write(out, "    ", depth);
}

void XmlElement::WriteToFile(int depth, std::FILE* file) const
{
    if (!file)
        return;
    std::string text;
    Write(text, "\t", depth);
    std::fwrite(text.data(), 1, text.size(), file);
}
