#include "ZemBaseLib/xmlelement.h"

#include "support/scratch.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string_view>

namespace {

struct TextCase {
    const char* xml;
    const char* text;
};

void ExpectParsedTexts(std::initializer_list<TextCase> cases, bool retry)
{
    for (const auto& c : cases) {
        XmlElement e;
        ASSERT_TRUE(e.Parse(c.xml, retry)) << c.xml << ": " << e.GetLastError();
        EXPECT_EQ(e.GetText(), c.text) << c.xml;
    }
}

}  // namespace

TEST(XmlElementParse, NestedElementsLowerCasedWithAttributesAndText)
{
    XmlElement root;
    ASSERT_TRUE(root.Parse("<Call Id=\"7\" Kind=\"radio\">\n  <Tone>1</Tone>\n  <Party Role=\"A\">"
                           "<Name>Lok 12</Name></Party>\n</Call>"));
    EXPECT_EQ(root.GetName(), "call");
    std::string value;
    EXPECT_TRUE(root.GetAttribute("ID", value));
    EXPECT_EQ(value, "7");
    EXPECT_EQ(root.CountChildren(), 2);
    EXPECT_EQ(root.GetText(), "") << "white space between elements leaves no trace";
    ASSERT_NE(root.FindChild("TONE"), nullptr);
    EXPECT_EQ(root.FindChild("tone")->GetText(), "1");
    EXPECT_EQ(root.FindChild("party")->GetChildText("name"), "Lok 12");
    EXPECT_EQ(root.FindChild("party")->GetParent(), &root);
    EXPECT_EQ(root.GetChild(2), nullptr);
}

TEST(XmlElementParse, CharacterDataIsGatheredThenTrimmedOncePerElement)
{
    ExpectParsedTexts({
        {"<a>a &amp; b</a>", "a & b"},
        {"<a>one\n two</a>", "one\n two"},
        {"<a>  line one\r\n\tline two  </a>", "line one\nline two"},
        {"<a>x<b/>y</a>", "xy"},
        {"<a> x <b>inner</b> y </a>", "x  y"},
        {"<a>\ttab\tinside\t</a>", "tabinside"},
        {"<a>&lt;tag&gt;</a>", "<tag>"},
        {"<a>Gr&#xFC;&#xDF; Gott</a>", "Gr\xFC\xDF Gott"},
    }, false);
}

TEST(XmlElementParse, GermanTextSurvivesACopyRoundTrip)
{
    const char* inputs[] = {"<a>Gr\xC3\xBC\xC3\x9F Gott</a>", "<a>Gr\xFC\xDF Gott</a>"};
    for (const char* xml : inputs) {
        XmlElement parsed;
        ASSERT_TRUE(parsed.Parse(xml, true)) << xml;
        XmlElement copy;
        copy.CopyFrom(&parsed);
        EXPECT_EQ(copy.GetText(), "Gr\xFC\xDF Gott") << xml;
    }
}

TEST(XmlElementParse, FoldsGermanLettersAndRetriesRawLatin1)
{
    XmlElement utf8;
    ASSERT_TRUE(utf8.Parse("<a n=\"\xC3\xA4\">\xC3\xB6\xC3\xA4\xC3\xBC\xC3\x96\xC3\x84\xC3\x9C\xC3\x9F \xC3\xA9</a>"));
    EXPECT_EQ(utf8.GetText(), "\xF6\xE4\xFC\xD6\xC4\xDC\xDF \xC3\xA9") << "only the seven letters fold";
    EXPECT_EQ(utf8.GetChildAttribute("x", "n"), "");
    std::string n;
    utf8.GetAttribute("n", n);
    EXPECT_EQ(n, "\xE4");

    const std::string latin1 = "<a n=\"\xC4\">Stra\xDF" "e</a>";
    XmlElement once;
    EXPECT_FALSE(once.Parse(latin1, false));
    EXPECT_NE(once.GetLastError().find("at line 1"), std::string::npos) << once.GetLastError();
    XmlElement retried;
    ASSERT_TRUE(retried.Parse(latin1, true));
    EXPECT_EQ(retried.GetText(), "Stra\xDF" "e");
    retried.GetAttribute("n", n);
    EXPECT_EQ(n, "\xC4");
}

TEST(XmlElementParse, RetryLeavesUtf8SequencesAmongLatin1LettersAlone)
{
    ExpectParsedTexts({
        {"<a>\xE4 \xC4\x85</a>", "\xE4 \xC4\x85"},
        {"<a>\xDF \xE4\xB8\xAD</a>", "\xDF \xE4\xB8\xAD"},
        {"<a>\xFC\xD6\xDC \xDF\x9F</a>", "\xFC\xD6\xDC \xDF\x9F"},
        {"<a>\xF6\xC4x \xE4</a>", "\xF6\xC4x \xE4"},
        {"<a>caf\xE9 \xC3\xA4 &#x4E2D;</a>", "caf\xE9 \xE4 \xE4\xB8\xAD"},
    }, true);
}

// Names hold Latin-1; whatever Latin-1 letter a name holds, the written tree parses back
// (with the retry) to the same names.
TEST(XmlElementParse, LatinOneNamesSurviveAWriteAndAParse)
{
    const char* latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
    const struct {
        std::string xml;
        const char* element;
        const char* attribute;
    } cases[] = {
        {std::string(latin1) + "<a f\xBA=\"1\"/>", "a", "f\xBA"},
        {std::string(latin1) + "<Gr\xD6\xDF" "e \xC4=\"1\"/>", "gr\xD6\xDF" "e", "\xC4"},
        {std::string(latin1) + "<\xAA\xB5\xE9 \xFF=\"1\"/>", "\xAA\xB5\xE9", "\xFF"},
        {"<gr\xC3\xB6\xC3\x9F" "e \xC3\x84=\"1\"/>", "gr\xF6\xDF" "e", "\xC4"},
        {"<a\xE9 f\xBA=\"\xE4\"/>", "a\xE9", "f\xBA"},
    };
    for (const auto& c : cases) {
        XmlElement parsed;
        ASSERT_TRUE(parsed.Parse(c.xml, true)) << c.xml;
        std::string written;
        parsed.Serialize(written);
        XmlElement again;
        ASSERT_TRUE(again.Parse(written, true)) << written;
        EXPECT_EQ(parsed.GetName(), c.element) << c.xml;
        EXPECT_EQ(again.GetName(), c.element) << written;
        std::string value;
        EXPECT_TRUE(again.GetAttribute(c.attribute, value)) << written;
    }
}

TEST(XmlElementParse, ErrorsCarryExpatTextAndLine)
{
    const struct {
        const char* xml;
        const char* error;
    } cases[] = {
        {"<a/>\n<b/>", "junk after document element at line 2"},
        {"<a>\n<b>\n</a>", "mismatched tag at line 3"},
        {"", "no element found at line 1"},
    };
    for (const auto& c : cases) {
        XmlElement e;
        EXPECT_FALSE(e.Parse(c.xml, true)) << c.xml;
        EXPECT_EQ(e.GetLastError(), c.error);
    }
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<d>";
    XmlElement e;
    EXPECT_FALSE(e.Parse(deep)) << "absurd nesting is refused, not recursed into";
}

TEST(XmlElementWrite, SerializeAndWriteToFileBytes)
{
    XmlElement root("call");
    root.SetAttributeInt("id", 7);
    root.SetAttribute("b", "x");
    root.SetText("note");
    root.AddChild("tone", "1");
    root.AddChild("empty", "");
    std::string out;
    root.Serialize(out);
    EXPECT_EQ(out,
              "<call id=\"7\" b=\"x\">\r\n"
              "   note\r\n"
              "    <tone>1</tone>\r\n"
              "    <empty />\r\n"
              "</call>\r\n");

    const std::string path = zemtest::NewFolder("xml") + "/data.xml";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    root.WriteToFile(1, file);
    root.WriteToFile(0, nullptr);
    std::fclose(file);
    EXPECT_EQ(zemtest::ReadFile(path),
              "\t<call id=\"7\" b=\"x\">\r\n"
              "\t   note\r\n"
              "\t\t<tone>1</tone>\r\n"
              "\t\t<empty />\r\n"
              "\t</call>\r\n");
}

// What the writer escapes in an attribute value and a text, and that the output parses back
// to the same value and text; a NUL byte is kept as it is, which no parser takes.
TEST(XmlElementWrite, EscapesSoTheOutputParsesBack)
{
    using namespace std::string_view_literals;
    const struct {
        std::string_view value;  // of attribute v
        std::string_view text;   // of child t, none when empty
        std::string_view written;
        bool parses;
    } cases[] = {
        {"say \"a<b\" & 'c'>", "x<y&&z>0 \"quoted\"",
         "<r v=\"say &quot;a&lt;b&quot; &amp; 'c'>\">\r\n    <t>x&lt;y&amp;&amp;z&gt;0 \"quoted\"</t>\r\n</r>\r\n", true},
        {"a\tb\nc\r\nd", "", "<r v=\"a&#9;b&#10;c&#13;&#10;d\" />\r\n", true},
        {"\"a\0<\t"sv, "&x<", "<r v=\"&quot;a\0&lt;&#9;\">\r\n    <t>&amp;x&lt;</t>\r\n</r>\r\n"sv, false},
        {"", "a\0<b"sv, "<r v=\"\">\r\n    <t>a\0&lt;b</t>\r\n</r>\r\n"sv, false},
    };
    for (const auto& c : cases) {
        XmlElement root("r");
        root.SetAttribute("v", c.value);
        if (!c.text.empty())
            root.AddChild("t", c.text);
        std::string out;
        root.Serialize(out);
        EXPECT_EQ(out, c.written);
        if (!c.parses)
            continue;
        XmlElement back;
        ASSERT_TRUE(back.Parse(out)) << back.GetLastError();
        EXPECT_EQ(back.GetChildText("t"), c.text);
        std::string value;
        back.GetAttribute("v", value);
        EXPECT_EQ(value, c.value);
    }
}

TEST(XmlElementFind, FindersByNameIndexAndAttributes)
{
    XmlElement root;
    ASSERT_TRUE(root.Parse("<r><tone f=\"2800\" on=\"1\"/><x/><Tone f=\"1000\"/>"
                           "<tone f=\"2800\" on=\"0\"/></r>"));
    EXPECT_EQ(root.FindChildIndex("TONE"), 0);
    EXPECT_EQ(root.FindChildIndex("tone", 1), 2);
    EXPECT_EQ(root.FindChildIndex("none"), -1);
    EXPECT_EQ(root.FindNthChild("tone", 2), root.GetChild(2));
    EXPECT_EQ(root.FindNthChild("tone", 0), nullptr);
    EXPECT_EQ(root.FindNthChild("tone", 4), nullptr);
    EXPECT_EQ(root.CountChildren("tone"), 3);
    EXPECT_EQ(root.FindChildIndexByAttr("tone", {{"F", "2800"}, {"on", "0"}}), 3);
    EXPECT_EQ(root.FindChildIndexByAttr("tone", {{"f", "2800"}}, 1), 3);
    EXPECT_EQ(root.FindChildIndexByAttr("tone", "f", 1000), 2);
    EXPECT_EQ(root.FindChildByAttr("tone", {{"f", "9"}}), nullptr);

    int32_t number = 0;
    EXPECT_FALSE(root.GetChild(0)->GetAttributeInt("missing", number));
    EXPECT_EQ(number, -1);
    EXPECT_TRUE(root.GetChild(0)->GetAttributeInt("f", number));
    EXPECT_EQ(number, 2800);
    EXPECT_EQ(root.GetChildAttribute("tone", "F"), "2800");
}

TEST(XmlElementEdit, ChildTextAttributesAndRemoval)
{
    XmlElement root("r");
    EXPECT_TRUE(root.SetChildText("Group", "north"));
    EXPECT_TRUE(root.SetChildText("group", "south"));
    EXPECT_EQ(root.CountChildren(), 1);
    EXPECT_EQ(root.GetChildText("GROUP"), "south");
    root.SetChildTextInt("callid", -12);
    EXPECT_EQ(root.GetChildText("callid"), "-12");
    root.SetChildAttributeInt("new", "v", 5);
    EXPECT_EQ(root.GetChildAttribute("new", "v"), "5");
    root.RemoveChild(root.FindChild("group"));
    EXPECT_EQ(root.FindChild("group"), nullptr);
    XmlElement stranger("s");
    root.RemoveChild(&stranger);
    EXPECT_EQ(root.CountChildren(), 2);
    root.Reset("fresh", "text");
    EXPECT_EQ(root.GetName(), "fresh");
    EXPECT_EQ(root.CountChildren(), 0);
}

TEST(XmlElementCopy, CopiesGoThroughTextAndKeepContent)
{
    XmlElement source;
    ASSERT_TRUE(source.Parse("<src a=\"1 &amp; 2\"><k>v&lt;w</k><k>second</k></src>"));

    XmlElement copy;
    EXPECT_TRUE(copy.CopyFrom(&source));
    EXPECT_EQ(copy.GetName(), "src");
    EXPECT_EQ(copy.GetChildText("k"), "v<w");
    EXPECT_FALSE(copy.CopyFrom(nullptr));
    EXPECT_EQ(copy.GetName(), "undefined");
    XmlElement unwritable("w");
    unwritable.AddChild("ok", "1");
    unwritable.AddChild("bad name", "2");
    EXPECT_TRUE(copy.CopyFrom(&unwritable)) << "a copy reports no parse failure";
    EXPECT_EQ(copy.GetName(), "w");
    EXPECT_EQ(copy.GetChildText("ok"), "1");

    XmlElement holder("h");
    XmlElement* named = holder.AddChildCopy("renamed", &source);
    EXPECT_EQ(named->GetName(), "renamed");
    EXPECT_EQ(named->CountChildren(), 2);
    EXPECT_EQ(named->GetParent(), &holder);

    XmlElement dest;
    EXPECT_TRUE(source.CopyChildTo(&dest, "k"));
    EXPECT_EQ(dest.GetText(), "v<w");
    EXPECT_FALSE(source.CopyChildTo(&dest, "none"));

    EXPECT_EQ(holder.SetChildCopy(&source)->CountChildren(), 2);
    EXPECT_EQ(holder.SetChildCopy(&source), holder.FindChild("src")) << "replaces, not appends";
    EXPECT_EQ(holder.CountChildren("src"), 1);

    XmlElement tree("t");
    EXPECT_TRUE(tree.AddChildTree(&source, true));
    std::string a;
    tree.FindChild("src")->GetAttribute("a", a);
    EXPECT_EQ(a, "1 & 2");
    EXPECT_EQ(tree.FindChild("src")->CountChildren(), 2);
    XmlElement unnamed;
    EXPECT_FALSE(tree.AddChildTree(&unnamed, true));
}

TEST(XmlElementParse, AttributesDifferingOnlyInCaseAreOneWithTheLastValue)
{
    XmlElement e;
    ASSERT_TRUE(e.Parse("<a X=\"1\" y=\"2\" x=\"3\" Z=\"4\" Y=\"5\"/>")) << e.GetLastError();
    std::string out;
    e.Serialize(out);
    EXPECT_EQ(out, "<a x=\"3\" y=\"5\" z=\"4\" />\r\n");
}

// More names than a parse keeps at hand: each element and attribute keeps its own.
TEST(XmlElementParse, ManyDistinctNamesEachStayTheirOwn)
{
    constexpr int kCount = 700;
    std::string xml = "<r>";
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);
        xml += (i % 2 ? "<E" : "<e") + n + " A" + n + "=\"" + n + "\"/>";
    }
    XmlElement root;
    ASSERT_TRUE(root.Parse(xml + "</r>")) << root.GetLastError();
    ASSERT_EQ(root.CountChildren(), kCount);
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);
        const XmlElement& child = *root.GetChild(static_cast<uint16_t>(i));
        EXPECT_EQ(child.GetName(), "e" + n);
        EXPECT_EQ(root.GetChildAttribute("E" + n, "a" + n), n);
        std::string value;
        EXPECT_FALSE(child.GetAttribute("a" + std::to_string(i + 1), value));
    }
}

TEST(XmlElementEdit, NamesOfFreshRootsAndReusedChildren)
{
    XmlElement fresh;
    std::string value;
    EXPECT_EQ(fresh.GetName(), "");
    EXPECT_FALSE(fresh.GetAttribute("a", value));
    fresh.RemoveAttribute("a");
    EXPECT_EQ(fresh.FindChildIndexByAttr("c", {{"a", "1"}}), -1);
    fresh.SetName("Fresh\xC3\x84");
    EXPECT_EQ(fresh.GetName(), "fresh\xC4");
    EXPECT_EQ(XmlElement("AsGiven").GetName(), "AsGiven");

    XmlElement root("r");
    const std::string longText(1000, 'x');  // beyond the tree's small pieces
    root.AddChild("old", longText)->SetAttribute("K", "v");
    EXPECT_EQ(root.GetChildText("old"), longText);
    root.RemoveChild(root.GetChild(0));
    XmlElement* reused = root.AddChild("New", "2");
    EXPECT_EQ(reused->GetName(), "new");
    EXPECT_FALSE(reused->GetAttribute("k", value)) << "a reused element starts empty";
    std::string out;
    root.Serialize(out);
    EXPECT_EQ(out, "<r>\r\n    <new>2</new>\r\n</r>\r\n");
}

// Deep lines and a long document: indents of any depth, and every line whole.
TEST(XmlElementWrite, DeepAndLongTreesWriteEveryLineWhole)
{
    XmlElement root("d0");
    XmlElement* deepest = &root;
    for (int depth = 1; depth <= 12; ++depth)
        deepest = deepest->AddChild("d" + std::to_string(depth), "");
    deepest->SetText("end");
    std::string out;
    root.Serialize(out, 2);
    const std::string deepestLine = std::string(4 * 14, ' ') + "<d12>end</d12>\r\n";
    EXPECT_NE(out.find("\r\n" + deepestLine), std::string::npos) << out;
    EXPECT_EQ(out.rfind(std::string(8, ' ') + "</d0>\r\n"), out.size() - 15);

    XmlElement shallow("a");
    shallow.AddChild("b", "")->AddChild("c", "x");
    std::string appended = "|";
    shallow.Serialize(appended, -1);
    EXPECT_EQ(appended, "|<a>\r\n<b>\r\n    <c>x</c>\r\n</b>\r\n</a>\r\n") << "no indent below depth 0";

    XmlElement list("l");
    constexpr int kLines = 20000;
    for (int i = 0; i < kLines; ++i)
        list.AddChild("c", "text & more")->SetAttributeInt("i", i);
    list.Serialize(out);
    std::string expected = "<l>\r\n";
    for (int i = 0; i < kLines; ++i)
        expected += "    <c i=\"" + std::to_string(i) + "\">text &amp; more</c>\r\n";
    EXPECT_TRUE(out == expected + "</l>\r\n");
    XmlElement back;
    ASSERT_TRUE(back.Parse(out)) << back.GetLastError();
    ASSERT_EQ(back.CountChildren(), kLines);
    EXPECT_EQ(back.GetChild(kLines - 1)->GetText(), "text & more");
}

TEST(XmlElementParse, AStoppedParseSaysWhyAndKeepsWhatItRead)
{
    std::string deep = "<a>text";
    for (int i = 0; i < 1200; ++i)
        deep += "<d>";
    XmlElement e;
    EXPECT_FALSE(e.Parse(deep));
    EXPECT_EQ(e.GetLastError(), "elements nested too deeply at line 1");
    EXPECT_EQ(e.GetName(), "a");
    EXPECT_EQ(e.GetText(), "text");
}

TEST(XmlElementWrite, NamesOfAnyLengthAreWrittenWhole)
{
    for (const size_t length : {1, 15, 16, 17, 40}) {
        const std::string name(length, 'n');
        XmlElement root(name);
        root.SetAttribute(name + "a", "1");
        root.AddChild(name, "t");
        std::string out;
        root.Serialize(out);
        EXPECT_EQ(out, "<" + name + " " + name + "a=\"1\">\r\n    <" + name + ">t</" + name + ">\r\n</" +
                           name + ">\r\n");
    }
}
