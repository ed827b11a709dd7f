#include "ZemBaseLib/xmlelement.h"

#include "ZemBaseLib/smallpieceresource.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <expat.h>
#include <functional>
#include <new>
#include <sanitizer/asan_interface.h>
#include <unordered_set>

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

// Blank, TAB, LF, VT, FF, CR.
bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
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

// The German letters from the first C3 at out on, UTF-8 to Latin-1; every other byte stays.
template <class Text>
void FoldUmlautsFrom(Text& text, size_t out)
{
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

// Most texts have no C3 at all: one look, in line, and only the others are folded.
template <class Text>
inline void FoldUmlauts(Text& text)
{
    if (const auto first = std::find(text.begin(), text.end(), '\xC3'); first != text.end())
        FoldUmlautsFrom(text, static_cast<size_t>(first - text.begin()));
}

// Text as an element keeps it: trimmed, without TABs, the German letters in Latin-1.
template <class Text>
void TidyText(Text& text)
{
    if (text.empty())
        return;
    const std::string_view kept = Trim(text);
    if (kept.size() != text.size()) {
        const size_t begin = static_cast<size_t>(kept.data() - text.data());
        text.erase(begin + kept.size());
        text.erase(0, begin);
    }
    // One look for either byte, as most texts have neither.
    if (std::none_of(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\xC3'; }))
        return;
    std::erase(text, '\t');
    FoldUmlauts(text);
}

// Latin-1 read as such comes out of expat as UTF-8 C2 or C3 sequences: back to its bytes.
template <class Text>
void FoldLatin1(Text& text)
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

// Names as elements keep them: the ASCII capitals lowered and every Latin-1 letter as its
// byte. A name cannot carry a character reference, so only raw Latin-1, which the Latin-1
// retry of Parse reads, lets a written name with any of them parse back.
bool IsKeptName(std::string_view name)
{
    return std::none_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c & 0x80) != 0;
    });
}

std::string KeptName(std::string_view name)
{
    std::string kept(name);
    for (char& c : kept)
        c = LowerAscii(c);
    FoldLatin1(kept);
    return kept;
}

std::string IntText(int32_t value)
{
    return std::to_string(value);
}

// Text content: & < > become entities so the output parses back. Attribute values are
// written inside double quotes: & < " become entities, and TAB, LF and CR character
// references, which a parser would otherwise read back as blanks.
std::string_view Entity(char c)
{
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    default: return {};
    }
}

// No entity above is longer.
constexpr size_t kLongestEntity = 6;

// The bytes of one kind of text that are written as their entities.
struct Specials {
    explicit constexpr Specials(std::string_view bytes)
    {
        for (const char c : bytes)
            has[static_cast<unsigned char>(c)] = true;
    }
    bool has[256] = {};
};
constexpr Specials kTextSpecials("&<>");
constexpr Specials kValueSpecials("&<\"\t\n\r");

char* Put(char* cursor, std::string_view text)
{
    std::memcpy(cursor, text.data(), text.size());
    return cursor + text.size();
}

// Copies text with each of the special bytes as its entity; byte by byte, as texts are
// mostly short and a call into the C library would cost more.
char* PutEscaped(char* cursor, std::string_view text, const Specials& specials)
{
    for (const char c : text) {
        if (specials.has[static_cast<unsigned char>(c)])
            cursor = Put(cursor, Entity(c));
        else
            *cursor++ = c;
    }
    return cursor;
}

}  // namespace

// Every name one tree's elements and attributes carry, each kept once: a document names
// thousands of elements with a handful of names, and equal names are then one pointer.
class NameTable {
public:
    using Name = XmlElement::Name;

    const Name& Add(std::string_view name)
    {
        const auto found = names_.find(name);
        return found != names_.end() ? *found : *names_.emplace(name).first;
    }

    const Name* Find(std::string_view name) const
    {
        const auto found = names_.find(name);
        return found != names_.end() ? &*found : nullptr;
    }

private:
    static std::string_view Text(std::string_view name) { return name; }
    static std::string_view Text(const Name& name) { return name.text; }

    struct Hash {
        using is_transparent = void;
        template <class Key>
        size_t operator()(const Key& name) const noexcept
        {
            return std::hash<std::string_view>()(Text(name));
        }
    };
    struct Equal {
        using is_transparent = void;
        template <class A, class B>
        bool operator()(const A& a, const B& b) const noexcept
        {
            return Text(a) == Text(b);
        }
    };
    std::unordered_set<Name, Hash, Equal> names_;
};

// The elements of one tree: made in blocks, and a removed one is emptied and kept for the
// tree's next AddChild, with the room of its text and lists; all of them go with the root,
// as do the names and the room of the lists.
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
            ::operator delete(block.nodes, kLineAlign);
        }
    }

    NameTable& Names() { return names_; }
    std::pmr::memory_resource* Lists() { return &lists_; }

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
            node = new (&block.nodes[block.used++]) XmlElement(this);
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
    // Blocks start on a cache line, so an element read or written touches as few as it can.
    static constexpr std::align_val_t kLineAlign{64};
    // Small trees stay small; a large one grows in blocks of up to this many elements.
    static constexpr size_t kFirstBlock = 8;
    static constexpr size_t kLargestBlock = 1024;

    void AddBlock()
    {
        const size_t size = blocks_.empty() ? kFirstBlock : std::min(2 * blocks_.back().size, kLargestBlock);
        blocks_.reserve(blocks_.size() + 1);
        void* nodes = ::operator new(size * sizeof(XmlElement), kLineAlign);
        blocks_.push_back({static_cast<XmlElement*>(nodes), size, 0});
    }

    // The elements end in the destructor's body, before the names and lists they use.
    NameTable names_;
    SmallPieceResource lists_;
    std::vector<Block> blocks_;
    std::vector<XmlElement*> free_;
};

struct XmlElement::Rare {
    std::unique_ptr<Arena> arena;
    std::string lastError;
};

// Made at its first use, so that an element made by another file's static set-up has it.
const XmlElement::Name& XmlElement::NoName()
{
    static const Name none;
    return none;
}

XmlElement::XmlElement() = default;

XmlElement::XmlElement(XmlElement* parent) : parent_(parent) {}

XmlElement::XmlElement(std::string_view name)
{
    name_ = &TreeArena().Names().Add(name);
}

XmlElement::XmlElement(Arena* arena)
    : arena_(arena), text_(arena->Lists()), attributes_(arena->Lists()), children_(arena->Lists())
{
}

// The arena ends the elements it made; a root's arena goes with the root.
XmlElement::~XmlElement() = default;

// A kept element's room beyond these is given back rather than kept for later.
constexpr size_t kKeptTextRoom = 256;
constexpr size_t kKeptListRoom = 64;

void XmlElement::Empty()
{
    children_.clear();
    attributes_.clear();
    name_ = &NoName();
    text_.clear();
    rare_.reset();
    parent_ = nullptr;
    if (text_.capacity() > kKeptTextRoom)
        std::pmr::string(text_.get_allocator()).swap(text_);
    if (children_.capacity() > kKeptListRoom)
        children_.shrink_to_fit();
    if (attributes_.capacity() > kKeptListRoom)
        attributes_.shrink_to_fit();
}

XmlElement::Rare& XmlElement::RareParts()
{
    if (!rare_)
        rare_ = std::make_unique<Rare>();
    return *rare_;
}

XmlElement::Arena& XmlElement::TreeArena()
{
    if (!arena_) {
        Rare& rare = RareParts();
        rare.arena = std::make_unique<Arena>();
        arena_ = rare.arena.get();
    }
    return *arena_;
}

const XmlElement::Name& XmlElement::TreeName(std::string_view name)
{
    NameTable& names = TreeArena().Names();
    return IsKeptName(name) ? names.Add(name) : names.Add(KeptName(name));
}

const XmlElement::Name* XmlElement::KnownName(std::string_view name) const
{
    if (!arena_)
        return nullptr;
    const NameTable& names = arena_->Names();
    return IsKeptName(name) ? names.Find(name) : names.Find(KeptName(name));
}

// Shared by the expat handlers during one Parse. Character data is gathered raw into the
// open element and tidied once at its end, so pieces split at references or line ends stay
// as written.
struct XmlParseState {
    // Deeper documents are refused: every tree operation recurses once per level.
    static constexpr size_t kMaxDepth = 1000;

    XmlParseState(XML_Parser parser, XmlElement* root, bool latin1)
        : parser(parser), root(root), current(root), latin1(latin1)
    {
    }

    XML_Parser parser;
    XmlElement* root;
    XmlElement* current;
    bool latin1;  // the text is read as Latin-1: expat's UTF-8 goes back to the bytes
    size_t depth = 0;  // elements open
    // Why the parse was stopped here, if it was: kept in place, so that saying it cannot fail.
    char stopped[100] = "";

    // Names met so far as expat gave them, each with the tree's kept name: the elements and
    // attributes of a document repeat a few names, and one found here costs neither folding
    // nor a look in the tree's table. Two ways a set, so two busy names seldom push each
    // other out.
    struct MetName {
        std::string given;
        const XmlElement::Name* kept = nullptr;
    };
    static constexpr size_t kMetSets = 32;
    std::array<MetName, 2 * kMetSets> met;

    // Names are short: their length, set and comparison are worked out here, byte by byte,
    // rather than by calls into the C library.
    const XmlElement::Name* Name(const char* text)
    {
        const size_t size = Length(text);
        // The first and last byte and the length tell a document's few names apart well
        // enough, and cost no pass over the name beyond its length.
        const size_t hash = static_cast<unsigned char>(text[0]) +
                            3 * static_cast<unsigned char>(text[size > 0 ? size - 1 : 0]) + 7 * size;
        MetName* const set = &met[2 * (hash % kMetSets)];
        for (const MetName* way = set; way != set + 2; ++way) {
            if (way->kept && Same(way->given, text, size))
                return way->kept;
        }
        return Meet(std::string_view(text, size), set);
    }

    static size_t Length(const char* text)
    {
        size_t size = 0;
        while (text[size])
            ++size;
        return size;
    }

    static bool Same(const std::string& known, const char* text, size_t size)
    {
        if (known.size() != size)
            return false;
        for (size_t i = 0; i < size; ++i) {
            if (known[i] != text[i])
                return false;
        }
        return true;
    }

    // A name not met before, or pushed out since: it takes the first way of its set. Out of
    // line, so that the look-up above stays a short call.
    [[gnu::noinline]] const XmlElement::Name* Meet(std::string_view given, MetName* set)
    {
        set[1] = std::move(set[0]);
        std::string bytes(given);
        if (latin1)
            FoldLatin1(bytes);
        set[0].given.assign(given);
        set[0].kept = &root->TreeName(bytes);
        return set[0].kept;
    }

    // The handlers: no exception may cross expat's frames, so one stops the parse instead.
    static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attrs)
    {
        auto* state = static_cast<XmlParseState*>(data);
        try {
            state->Open(name, attrs);
        } catch (const std::exception& e) {
            state->Stop(e.what());
        }
    }

    static void XMLCALL End(void* data, const XML_Char*)
    {
        auto* state = static_cast<XmlParseState*>(data);
        if (!state->stopped[0])
            state->CloseElement();
    }

    static void XMLCALL Characters(void* data, const XML_Char* chars, int length)
    {
        auto* state = static_cast<XmlParseState*>(data);
        try {
            state->Gather(std::string_view(chars, static_cast<size_t>(length)));
        } catch (const std::exception& e) {
            state->Stop(e.what());
        }
    }

    void Stop(const char* reason) noexcept
    {
        std::snprintf(stopped, sizeof stopped, "%s", reason);
        XML_StopParser(parser, XML_FALSE);
    }

    void Open(const XML_Char* name, const XML_Char** attrs)
    {
        if (depth >= kMaxDepth) {
            Stop("elements nested too deeply");
            return;
        }
        ++depth;
        XmlElement* element = current;
        if (!element->name_->text.empty()) {
            element = element->NewChild();
            current = element;
        }
        element->name_ = Name(name);
        size_t count = 0;
        while (attrs[count])
            count += 2;
        element->attributes_.reserve(count / 2);
        for (size_t i = 0; i < count; i += 2) {
            const XmlElement::Name* key = Name(attrs[i]);
            // Names that differ only in case are one attribute here: the last value wins.
            XmlElement::Attribute* attr = element->FindAttribute(key);
            if (!attr) {
                attr = &element->attributes_.emplace_back();
                attr->name = key;
            }
            attr->value.assign(attrs[i + 1], Length(attrs[i + 1]));
            if (latin1)
                FoldLatin1(attr->value);
            FoldUmlauts(attr->value);
        }
    }

    void Gather(std::string_view piece)
    {
        std::pmr::string& text = current->text_;
        // Blanks ahead of the first other character go at the end anyway; leaving them out
        // keeps the line breaks and indents between elements out of their parents.
        if (text.empty() && std::all_of(piece.begin(), piece.end(), IsBlank))
            return;
        text.append(piece);
    }

    void CloseElement()
    {
        --depth;
        if (latin1)
            FoldLatin1(current->text_);
        TidyText(current->text_);
        if (current != root)
            current = current->GetParent();
    }

    // After a failure the open elements keep the text gathered so far.
    void CloseOpenElements()
    {
        while (depth > 0)
            CloseElement();
    }
};

const std::string& XmlElement::GetLastError() const
{
    static const std::string kNone;
    return rare_ ? rare_->lastError : kNone;
}

void XmlElement::SetName(std::string_view name)
{
    name_ = &TreeName(name);
}

void XmlElement::SetText(std::string_view text)
{
    text_.assign(text.data(), text.size());
    TidyText(text_);
}

XmlElement::Attribute* XmlElement::FindAttribute(const Name* name)
{
    for (Attribute& attr : attributes_) {
        if (attr.name == name)
            return &attr;
    }
    return nullptr;
}

const XmlElement::Attribute* XmlElement::FindAttribute(const Name* name) const
{
    return const_cast<XmlElement*>(this)->FindAttribute(name);
}

void XmlElement::SetAttribute(std::string_view name, std::string_view value)
{
    const Name* key = &TreeName(name);
    std::string folded(value);
    FoldUmlauts(folded);
    if (Attribute* attr = FindAttribute(key))
        attr->value = std::move(folded);
    else
        attributes_.push_back({key, std::move(folded)});
}

void XmlElement::SetAttributeInt(std::string_view name, int32_t value)
{
    SetAttribute(name, IntText(value));
}

bool XmlElement::GetAttribute(std::string_view name, std::string& value) const
{
    value.clear();
    const Attribute* attr = FindAttribute(KnownName(name));
    if (!attr)
        return false;
    value = attr->value;
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
    const Name* key = KnownName(name);
    std::erase_if(attributes_, [&](const Attribute& attr) { return attr.name == key; });
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
        if (EqualNoCase(child->name_->text, name))
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
        if (EqualNoCase(children_[i]->name_->text, name))
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
        if (EqualNoCase(child->name_->text, name) && --n == 0)
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
            const Attribute* attr = child.FindAttribute(KnownName(attrName));
            if (!attr || !EqualNoCase(attr->value, wanted)) {
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
    XmlElement* child = (arena_ ? *arena_ : TreeArena()).New(this);
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
    return child ? std::string(child->text_) : std::string();
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
    if (!source || source->name_->text.empty())
        return nullptr;
    XmlElement* child = FindChild(source->name_->text);
    if (!child)
        child = AddChild(source->name_->text, {});
    child->CopyFrom(source);
    return child;
}

bool XmlElement::AddChildTree(const XmlElement* source, bool recursive)
{
    if (!source || source->name_->text.empty())
        return false;
    XmlElement* child = AddChild(source->name_->text, source->text_);
    for (const Attribute& attr : source->attributes_)
        child->SetAttribute(attr.name->text, attr.value);
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
        RareParts().lastError = "out of memory";
        return false;
    }
    XmlParseState state(parser, this, latin1);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, &XmlParseState::Start, &XmlParseState::End);
    XML_SetCharacterDataHandler(parser, &XmlParseState::Characters);

    const bool ok = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_ERROR;
    if (!ok) {
        char message[256];
        std::snprintf(message, sizeof message, "%s at line %d",
                      state.stopped[0] ? state.stopped : XML_ErrorString(XML_GetErrorCode(parser)),
                      static_cast<int>(XML_GetCurrentLineNumber(parser)));
        RareParts().lastError = message;
    }
    state.CloseOpenElements();
    XML_ParserFree(parser);
    if (ok || readAs != ReadAs::Utf8ThenLatin1)
        return ok;
    return Parse(text, ReadAs::Latin1);
}

// Writes a tree as indented lines that end in CR LF. Room for a line is made once, so its
// many small pieces are plain copies behind a cursor, not appends that each check the string.
class XmlWriter {
public:
    // Each level is indented by perLevel times the blank.
    XmlWriter(std::string& out, char blank, size_t perLevel)
        : out_(out), used_(out.size()), perLevel_(perLevel)
    {
        std::memset(blanks_, blank, sizeof blanks_);
    }
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;
    ~XmlWriter() { out_.resize(used_); }

    void Write(const XmlElement& element, int depth)
    {
        const XmlElement::Name& name = *element.name_;
        const size_t indent = perLevel_ * static_cast<size_t>(std::max(depth, 0));
        size_t room = 2 * indent + 2 * name.text.size() + 5 * element.text_.size() + kSpare;
        for (const XmlElement::Attribute& attr : element.attributes_)
            room += attr.name->text.size() + kLongestEntity * attr.value.size() + 4;
        char* cursor = Room(room);
        cursor = Indent(cursor, indent);
        *cursor++ = '<';
        cursor = PutName(cursor, name);
        for (const XmlElement::Attribute& attr : element.attributes_) {
            *cursor++ = ' ';
            cursor = PutName(cursor, *attr.name);
            cursor = Put(cursor, "=\"");
            cursor = PutEscaped(cursor, attr.value, kValueSpecials);
            *cursor++ = '"';
        }
        if (element.children_.empty()) {
            if (element.text_.empty()) {
                cursor = Put(cursor, " />\r\n");
            } else {
                *cursor++ = '>';
                cursor = PutEscaped(cursor, element.text_, kTextSpecials);
                cursor = CloseTag(cursor, name);
            }
            Done(cursor);
            return;
        }
        cursor = Put(cursor, ">\r\n");
        if (!element.text_.empty()) {
            cursor = Indent(cursor, indent);
            cursor = Put(cursor, "   ");
            cursor = PutEscaped(cursor, element.text_, kTextSpecials);
            cursor = Put(cursor, "\r\n");
        }
        Done(cursor);
        for (const XmlElement* child : element.children_)
            Write(*child, depth + 1);
        cursor = Room(indent + name.text.size() + kSpare);
        cursor = Indent(cursor, indent);
        Done(CloseTag(cursor, name));
    }

private:
    static constexpr size_t kBlankRun = 8;
    // A line's room beyond its longest form: indents and names may write a few bytes more.
    static constexpr size_t kSpare = 32;
    // The string grows with what it holds, in steps of at most this many bytes beyond a line.
    static constexpr size_t kLargestStep = 64 * 1024;

    // A cursor with room for n bytes; Done takes the cursor past the last byte written.
    char* Room(size_t n)
    {
        if (out_.size() - used_ < n)
            out_.resize(used_ + n + std::min(used_, kLargestStep));
        return out_.data() + used_;
    }

    void Done(const char* end) { used_ = static_cast<size_t>(end - out_.data()); }

    // A run of blanks at a time, which may write past the indent into the line's spare room.
    char* Indent(char* cursor, size_t indent) const
    {
        for (size_t done = 0; done < indent; done += kBlankRun)
            std::memcpy(cursor + done, blanks_, kBlankRun);
        return cursor + indent;
    }

    // A short name goes as its whole padded copy: what lies past the name is written over
    // next, or falls in the line's spare room.
    static char* PutName(char* cursor, const XmlElement::Name& name)
    {
        if (name.text.size() > XmlElement::Name::kPadded)
            return Put(cursor, name.text);
        std::memcpy(cursor, name.padded, XmlElement::Name::kPadded);
        return cursor + name.text.size();
    }

    static char* CloseTag(char* cursor, const XmlElement::Name& name)
    {
        cursor = Put(cursor, "</");
        cursor = PutName(cursor, name);
        return Put(cursor, ">\r\n");
    }

    std::string& out_;
    size_t used_;  // out_ beyond this is room not yet written
    size_t perLevel_;
    char blanks_[kBlankRun];
};

void XmlElement::Serialize(std::string& out, int depth) const
{
    if (depth == 0)
        out.clear();
    XmlWriter(out, ' ', 4).Write(*this, depth);
}

void XmlElement::WriteToFile(int depth, std::FILE* file) const
{
    if (!file)
        return;
    std::string text;
    XmlWriter(text, '\t', 1).Write(*this, depth);
    std::fwrite(text.data(), 1, text.size(), file);
}
