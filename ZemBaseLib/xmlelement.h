// XmlElement: an XML element with a lower-cased name, trimmed 8-bit text, attributes in
// document order and owned children; parsed with expat, written as indented CRLF text.
// The elements of one tree live in one arena, owned by the tree's root, which also keeps
// every name the tree uses once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class XmlElement {
public:
    using AttrPair = std::pair<std::string, std::string>;

    XmlElement();
    explicit XmlElement(XmlElement* parent);
    // A root with that name, stored as given (only SetName lower-cases).
    explicit XmlElement(std::string_view name);
    ~XmlElement();
    XmlElement(const XmlElement&) = delete;
    XmlElement& operator=(const XmlElement&) = delete;

    // Own data.
    const std::string& GetName() const { return name_->text; }
    // Lower-cases (ASCII) and folds every UTF-8 Latin-1 letter to its Latin-1 byte.
    void SetName(std::string_view name);
    std::string_view GetText() const { return text_; }
    // Trims white space, drops TABs, folds the German UTF-8 letters to Latin-1.
    void SetText(std::string_view text);
    XmlElement* GetParent() const { return parent_; }
    const std::string& GetLastError() const;

    void SetAttribute(std::string_view name, std::string_view value);
    void SetAttributeInt(std::string_view name, int32_t value);
    bool GetAttribute(std::string_view name, std::string& value) const;
    bool GetAttributeInt(std::string_view name, int32_t& value) const;
    void RemoveAttribute(std::string_view name);
    void RemoveAllAttributes() { attributes_.clear(); }
    void Reset(std::string_view name, std::string_view text);
    void Clear();

    // Children; every name comparison ignores case.
    uint16_t CountChildren(std::string_view name = {}) const;
    XmlElement* GetChild(uint16_t index) const;
    int FindChildIndex(std::string_view name, int start = 0) const;
    XmlElement* FindChild(std::string_view name) const;
    XmlElement* FindChild(std::string_view name, bool flag) const;
    XmlElement* FindNthChild(std::string_view name, uint16_t n) const;
    // First child at or after start with the name and every (attribute, value) pair.
    int FindChildIndexByAttr(std::string_view name, const std::vector<AttrPair>& pairs,
                             int start = 0) const;
    int FindChildIndexByAttr(std::string_view name, std::string_view attrName,
                             int32_t value) const;
    XmlElement* FindChildByAttr(std::string_view name, const std::vector<AttrPair>& pairs,
                                int start = 0) const;
    XmlElement* AddChild(std::string_view name, std::string_view text);
    void RemoveChild(XmlElement* child);
    void RemoveAllChildren();
    bool SetChildText(std::string_view name, std::string_view text);
    bool SetChildTextInt(std::string_view name, int32_t value);
    std::string GetChildText(std::string_view name) const;
    bool SetChildAttribute(std::string_view childName, std::string_view attrName,
                           std::string_view value);
    bool SetChildAttributeInt(std::string_view childName, std::string_view attrName,
                              int32_t value);
    std::string GetChildAttribute(std::string_view childName, std::string_view attrName) const;

    // Copies through the text form; true for any source, false only for null (the copy is
    // then "undefined"). A source that does not write back whole (a name no parser takes)
    // leaves the part that parsed.
    bool CopyFrom(const XmlElement* source, bool flag = false);
    bool CopyChildTo(XmlElement* destination, std::string_view childName) const;
    XmlElement* AddChildCopy(std::string_view name, const XmlElement* source);
    bool AddChildAndCopyTo(XmlElement* destination, std::string_view name, std::string_view text);
    XmlElement* SetChildCopy(const XmlElement* source, bool flag = false);
    bool AddChildTree(const XmlElement* source, bool recursive);

    // Text in and out. With retry, a failed parse is tried once more with the text read as
    // Latin-1, every byte kept as it is: raw Latin-1 letters, also in names, and UTF-8 among them.
    bool Parse(const std::string& text, bool retry = false);
    // Appends this element at the given depth (depth 0 empties out first), four blanks a level.
    void Serialize(std::string& out, int depth = 0) const;
    // Writes the same lines into file with one TAB a level; nothing for a null file.
    void WriteToFile(int depth, std::FILE* file) const;

private:
    // Children are added in blocks of this many, the first block at the first child.
    static constexpr size_t kChildBlock = 4;

    class Arena;
    // A name as a tree keeps it, once: equal names are one pointer. Its first bytes are also
    // in a copy of fixed width, which the writer copies whole.
    struct Name {
        static constexpr size_t kPadded = 16;
        Name() = default;  // the empty name
        explicit Name(std::string_view name) : text(name)
        {
            for (size_t i = 0; i < name.size() && i < kPadded; ++i)
                padded[i] = name[i];
        }
        std::string text;
        char padded[kPadded] = {};
    };
    struct Attribute {
        const Name* name = nullptr;
        std::string value;
    };

    explicit XmlElement(Arena* arena);  // an element of that arena
    Arena& TreeArena();
    // The tree's copy of name as an element keeps it, added if new.
    const Name& TreeName(std::string_view name);
    // The tree's copy of name as an element keeps it; null when the tree has no such name.
    const Name* KnownName(std::string_view name) const;
    XmlElement* NewChild();  // appended, with no name and no text
    enum class ReadAs { Utf8, Utf8ThenLatin1, Latin1 };
    bool Parse(const std::string& text, ReadAs readAs);
    void Empty();

    Attribute* FindAttribute(const Name* name);
    const Attribute* FindAttribute(const Name* name) const;
    friend class NameTable;
    friend struct XmlParseState;
    friend class XmlWriter;

    static const Name& NoName();

    // What few elements carry: the arena a root owns, the message a failed parse left. Kept
    // apart, so that an element stays small.
    struct Rare;
    Rare& RareParts();

    XmlElement* parent_ = nullptr;
    Arena* arena_ = nullptr;  // where this tree's elements come from and go back to
    const Name* name_ = &NoName();
    std::unique_ptr<Rare> rare_;
    // In an element of an arena the text and the lists take their room from it.
    std::pmr::string text_;
    std::pmr::vector<Attribute> attributes_;
    std::pmr::vector<XmlElement*> children_;  // owned through the arena
};
