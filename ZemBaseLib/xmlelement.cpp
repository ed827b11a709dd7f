#include "ZemBaseLib/xmlelement.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <expat.h>

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void LowerInPlace(std::string& text)
{
    for (char& c : text)
        c = LowerAscii(c);
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    LowerInPlace(out);
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

// The seven German letters: the second byte of their UTF-8 form (the first is C3), their
// Latin-1 byte and its character reference.
struct GermanLetter {
    char utf8Second;
    char latin1;
    const char* reference;
};
constexpr GermanLetter kGermanLetters[] = {
    {'\xB6', '\xF6', "&#xF6;"}, {'\xA4', '\xE4', "&#xE4;"}, {'\xBC', '\xFC', "&#xFC;"},
    {'\x96', '\xD6', "&#xD6;"}, {'\x84', '\xC4', "&#xC4;"}, {'\x9C', '\xDC', "&#xDC;"},
    {'\x9F', '\xDF', "&#xDF;"},
};

// The German letters, UTF-8 to Latin-1; every other byte stays as it is.
void FoldUmlauts(std::string& text)
{
    size_t out = text.find('\xC3');
    if (out == std::string::npos)
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

// True when text begins with a two- or three-byte UTF-8 lead byte and its continuation bytes
// (enough for the German letters' bytes, none of which needs the finer rules of E0 and ED).
bool StartsUtf8Sequence(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t continuations = lead >= 0xE0 ? 2 : 1;
    if (lead < 0xC2 || lead > 0xEF || text.size() <= continuations)
        return false;
    for (size_t i = 1; i <= continuations; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return false;
    }
    return true;
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

// What a thread keeps between trees: emptied nodes, waiting for the next AddChild, and an
// idle expat parser, whose input buffer would otherwise be allocated and faulted in anew for
// every document. Trivially destructible, so it stays usable until the thread is gone;
// ThreadCacheRelease gives everything back.
struct ThreadCache {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    static constexpr size_t kMaxNodes = 0;  // let the sanitizers see every delete
#else
    static constexpr size_t kMaxNodes = 1 << 15;  // the nodes of a document of about 1 MB
#endif
    XmlElement** nodes = nullptr;
    size_t nodeCount = 0;
    XML_Parser idleParser = nullptr;
    bool released = false;
};
thread_local ThreadCache threadCache;

struct ThreadCacheRelease {
    ~ThreadCacheRelease()
    {
        for (size_t i = 0; i < threadCache.nodeCount; ++i)
            delete threadCache.nodes[i];
        delete[] threadCache.nodes;
        if (threadCache.idleParser)
            XML_ParserFree(threadCache.idleParser);
        threadCache = {nullptr, 0, nullptr, true};
    }
};
thread_local ThreadCacheRelease threadCacheRelease;

// Constructs the release object in this thread, so that it runs at the thread's end.
void ReleaseAtThreadEnd()
{
    (void)&threadCacheRelease;
}

XML_Parser TakeParser()
{
    XML_Parser parser = std::exchange(threadCache.idleParser, nullptr);
    if (parser && XML_ParserReset(parser, nullptr))
        return parser;
    if (parser)
        XML_ParserFree(parser);
    return XML_ParserCreate(nullptr);
}

void ReturnParser(XML_Parser parser)
{
    ThreadCache& cache = threadCache;
    if (cache.idleParser || cache.released) {
        XML_ParserFree(parser);
        return;
    }
    ReleaseAtThreadEnd();
    cache.idleParser = parser;
}

// A kept node's room beyond these is given back rather than kept for later.
constexpr size_t kKeptTextRoom = 256;
constexpr size_t kKeptListRoom = 64;

}  // namespace

void XmlElement::Recycle::operator()(XmlElement* child) const noexcept
{
    ThreadCache& cache = threadCache;
    if (!cache.nodes && !cache.released && ThreadCache::kMaxNodes > 0) {
        cache.nodes = new (std::nothrow) XmlElement*[ThreadCache::kMaxNodes];
        ReleaseAtThreadEnd();
    }
    if (!cache.nodes || cache.nodeCount >= ThreadCache::kMaxNodes) {
        delete child;
        return;
    }
    child->Empty();
    cache.nodes[cache.nodeCount++] = child;
}

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

// Shared by the expat handlers during one Parse. Character data is gathered raw per element
// and stored once at its end, so pieces split at references or line ends stay as written.
struct XmlParseState {
    // Deeper documents are refused: every tree operation recurses once per level.
    static constexpr size_t kMaxDepth = 1000;

    XML_Parser parser;
    XmlElement* root;
    XmlElement* current;
    std::string gathered;
    // Where each open element's own character data begins in gathered, outermost first.
    std::vector<size_t> textStarts;
    bool tooDeep = false;

    static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attrs)
    {
        auto* state = static_cast<XmlParseState*>(data);
        if (state->textStarts.size() >= kMaxDepth) {
            state->tooDeep = true;
            XML_StopParser(state->parser, XML_FALSE);
            return;
        }
        state->textStarts.push_back(state->gathered.size());
        if (state->current->GetName().empty())
            state->current->SetName(name);
        else
            state->current = state->current->AddChild(name, {});
        size_t count = 0;
        while (attrs[count])
            count += 2;
        state->current->attributes_.reserve(count / 2);
        for (int i = 0; attrs[i] && attrs[i + 1]; i += 2)
            state->current->SetAttribute(attrs[i], attrs[i + 1]);
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
        current->SetText(std::string_view(gathered).substr(start));
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
    name_.assign(name);
    LowerInPlace(name_);
}

void XmlElement::SetText(std::string_view text)
{
    text_.assign(Trim(text));
    if (text_.find('\t') != std::string::npos)
        std::erase(text_, '\t');
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
    if (children_.empty())
        children_.reserve(kChildBlock);
    ThreadCache& cache = threadCache;
    std::unique_ptr<XmlElement, Recycle> owned(
        cache.nodeCount > 0 ? cache.nodes[--cache.nodeCount] : new XmlElement);
    XmlElement* child = owned.get();
    child->parent_ = this;
    children_.push_back(std::move(owned));
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
        if (!child->AddChildTree(grandChild.get(), true))
            return false;
    }
    return true;
}

bool XmlElement::Parse(const std::string& text, bool retry)
{
    Reset({}, {});
    XML_Parser parser = TakeParser();
    if (!parser) {
        lastError_ = std::make_unique<std::string>("out of memory");
        return false;
    }
    XmlParseState state{parser, this, this, {}, {}, false};
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
    ReturnParser(parser);
    if (ok || !retry)
        return ok;
    return Parse(EscapeUmlauts(text), false);
}

// A German letter's Latin-1 byte that is also a UTF-8 lead byte is left alone where its
// continuation bytes follow, so UTF-8 text mixed into the document stays readable.
std::string XmlElement::EscapeUmlauts(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const GermanLetter* found = nullptr;
        for (const GermanLetter& letter : kGermanLetters) {
            if (text[i] == letter.latin1)
                found = &letter;
        }
        if (found && !StartsUtf8Sequence(text.substr(i)))
            out += found->reference;
        else
            out += text[i];
    }
    return out;
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
