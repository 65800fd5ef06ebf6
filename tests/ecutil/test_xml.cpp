#include "ecutil/ecXml.h"
#include "../support/xml_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {


// A file of this text in the temporary folder, removed with the object.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& name, const std::string& text)
        : path((std::filesystem::temp_directory_path() / ("ecxml_test_" + name)).string())
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    ~TempFile() { std::remove(path.c_str()); }
};

std::string RandomText(std::mt19937& gen, const std::string& alphabet, int maxLength)
{
    std::string text;
    const int n = static_cast<int>(gen() % static_cast<unsigned>(maxLength));
    for (int i = 0; i < n; ++i)
        text += alphabet[gen() % alphabet.size()];
    return text;
}

} // namespace

TEST(XmlBasics, EmptyReaderAnswersNothing)
{
    ecXml xml;
    EXPECT_TRUE(xml.IsEmpty());
    EXPECT_TRUE(xml.Sub("a").IsEmpty());
    EXPECT_EQ(xml.CharacterDataNext("a"), "");
    EXPECT_FALSE(xml.TagExists("a"));
    EXPECT_EQ(xml.GetInt("a"), 0);
    EXPECT_EQ(xml.GetTextPtr(), nullptr);
    std::ostringstream out;
    xml.Write(out);
    EXPECT_EQ(out.str(), "");
    const std::string text = "<a>1</a>\n<b>x & y</b>";
    xml.SetText(text);
    xml.Write(out);
    EXPECT_EQ(out.str(), text);
}

TEST(XmlBasics, TypedValues)
{
    // Strict numbers with surrounding space allowed; anything else reads as 0.
    ecXml xml = XmlOf("<a> 17 \n</a><b>12abc</b><c>3.5</c><d>+8</d><e></e><f>-</f><g> -1.5e3 </g><h>1e-40</h>"
                         "<k>abc</k><l>99999999999999999999999</l><m>-2147483648</m><u>4294967295</u>"
                         "<big>4294967296</big>");
    const std::pair<const char*, int> ints[] = {{"a", 17},  {"b", 0},      {"c", 0},         {"d", 8},
                                                {"e", 0},   {"f", 0},      {"l", 0},         {"m", INT32_MIN},
                                                {"u", -1},  {"big", 0},    {"missing", 0}};
    for (const auto& [tag, value] : ints)
        EXPECT_EQ(xml.GetInt(tag), value) << tag;  // unsigned words come back as the same bits
    EXPECT_FLOAT_EQ(xml.GetFloat("g"), -1500.0f);
    EXPECT_GT(xml.GetFloat("h"), 0.0f) << "a subnormal written by a stream reads back";
    EXPECT_EQ(xml.GetFloat("k"), 0.0f);
    EXPECT_EQ(xml.GetFloat("b"), 0.0f);
    EXPECT_EQ(xml.GetFloat("missing"), 0.0f);
    for (float v : {0.1f, 1.0f / 3.0f, 123456.0f, 1.5e-7f, -2.75e12f, 3.4e38f}) {
        std::ostringstream out;
        out.precision(9);
        out << "<v>" << v << "</v>";
        EXPECT_EQ(XmlOf(out.str()).GetFloat("v"), v) << out.str();
    }
    ecXml bools = XmlOf("<a>TRUE</a><b>False</b><c>2</c><d>-1</d><e>yes</e><f> 1 </f><g>0x1</g>");
    const std::pair<const char*, bool> flags[] = {{"a", true}, {"b", false}, {"c", true}, {"d", true},
                                                  {"e", false}, {"f", true}, {"g", false}, {"missing", false}};
    for (const auto& [tag, value] : flags)
        EXPECT_EQ(bools.GetBool(tag), value) << tag;
}

TEST(XmlPositions, EachTagKeepsItsOwnPosition)
{
    // A conditional reads mode first although it is written last; the
    // bin-results reader takes all epochs, then all bin_ops, on one reader.
    ecXml xml = XmlOf("<pre>P</pre><e>1</e><x>a</x><e>2</e><e></e><e>3</e><b>1</b><b>2</b><mode>m</mode>");
    EXPECT_EQ(xml.CharacterData("mode"), "m");
    EXPECT_EQ(xml.Sub("pre").GetText(), "P");
    EXPECT_EQ(xml.Sub("e").GetText(), "1");
    EXPECT_EQ(xml.Sub("b").GetText(), "1");
    EXPECT_EQ(xml.Sub("e").GetText(), "2");
    EXPECT_TRUE(xml.Sub("e").IsEmpty()) << "an empty element ends a walk but is passed";
    EXPECT_EQ(xml.Sub("e").GetText(), "3");
    EXPECT_TRUE(xml.Sub("e").IsEmpty());
    EXPECT_TRUE(xml.Sub("e").IsEmpty()) << "a failed search leaves the position alone";
    EXPECT_EQ(xml.Sub("b").GetText(), "2");
    // Getters and TagExists move nothing; CharacterData takes the first and
    // sets the position after it.
    EXPECT_EQ(xml.GetInt("b"), 1);
    EXPECT_TRUE(xml.TagExists("b"));
    EXPECT_EQ(xml.CharacterData("e"), "1");
    EXPECT_EQ(xml.CharacterDataNext("e"), "2");
    xml.Reset();
    EXPECT_EQ(xml.CharacterDataNext("b"), "1");

    ecXml nested = XmlOf("<a><b><c>deep</c></b></a><c>top</c><d><d>x</d></d><d>y</d>");
    EXPECT_EQ(nested.CharacterData("c"), "deep") << "the search is depth-agnostic";
    EXPECT_EQ(nested.CharacterDataNext("c"), "top");
    EXPECT_EQ(nested.Sub("d").GetText(), "<d>x</d>");
    EXPECT_EQ(nested.Sub("d").GetText(), "y") << "skips past nested matches";
    int begin = -1;
    int end = -1;
    ASSERT_TRUE(nested.GetBeginEnd(begin, end, "b"));
    EXPECT_EQ(nested.GetText().substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin)),
              "<c>deep</c>");
    EXPECT_FALSE(nested.GetBeginEnd(begin, end, "w"));
}

TEST(XmlSyntax, CharacterDataOfEachConstruct)
{
    struct Case {
        std::string text;
        std::string data;
        bool exists;
    } cases[] = {
        // whole-name matching only
        {"<sID>id</sID><EventSpecifier>x</EventSpecifier><s>v</s>", "v", true},
        {"<sID>id</sID>", "", false},
        // comments dropped, CDATA literal
        {"<s>St<!-- x </s> -->im</s>", "Stim", true},
        {"<s><!----></s>", "", true},
        {"<!-- <s>hidden</s> --><s>shown</s>", "shown", true},
        {"<s><![CDATA[a<b>&amp;</s>]]>c</s>", "a<b>&amp;</s>c", true},
        // entities and character references; bad ones stay as written
        {"<s>&lt;&gt;&amp;&quot;&apos;</s>", "<>&\"'", true},
        {"<s>&#65;&#x41;&#X41;&#xe9;&#8364;&#x1F600;</s>", "AA&#X41;\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", true},
        {"<s>&bogus; &#; &#x; &#xD800; &#0; &#x110000; &amp &</s>", "&bogus; &#; &#x; &#xD800; &#0; &#x110000; &amp &", true},
        {"<s>&&amp;;</s>", "&&;", true},
        // the unescaped text of the library's own documents
        {"<s>a<b</s>", "a<b", true},
        {"<s>1 < 2 > 0</s>", "1 < 2 > 0", true},
        {"<s>a<s</s>", "a<s", true},
        {"<s>if a<s then</s>", "if a<s then", true},
        {"<s><</s>", "<", true},
        // attributes, declarations, space in end tags, line breaks kept
        {"<?xml version=\"1.0\"?><r a='1' b=\"x>y\"><s id=\"3\">v</s></r>", "v", true},
        {"<s\n id='4'>v</s >", "v", true},
        {"<s>\n  line one\r\nline two  \n</s>", "\n  line one\r\nline two  \n", true},
        // malformed: a missing end tag means absent
        {"<s>unclosed<c>2</c>", "", false},
        {"<s><s></s>", "", false},
        {"<s>&#x41</s>", "&#x41", true},
        {"<>x</><s>1</s>", "1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ecXml xml = XmlOf(c.text);
        EXPECT_EQ(xml.CharacterData("s"), c.data);
        EXPECT_EQ(xml.TagExists("s"), c.exists);
    }
    ecXml empty = XmlOf("<Event/><Event /><Event><Name>A</Name></Event><Event><Name>B</Na");
    EXPECT_TRUE(empty.Sub("Event").IsEmpty());
    EXPECT_TRUE(empty.Sub("Event").IsEmpty());
    EXPECT_EQ(empty.Sub("Event").CharacterData("Name"), "A");
    EXPECT_TRUE(empty.Sub("Event").IsEmpty()) << "a truncated element is absent";
    EXPECT_FALSE(empty.TagExists(""));
    EXPECT_TRUE(empty.Sub("").IsEmpty());
}

TEST(XmlRobustness, GarbageTruncationAndNulBytes)
{
    for (const char* t : {"<", "<a", "<a>", "<a/", "</a>", "<a>x</a", "<!--", "<![CDATA[<a>1</a>", "<?xml",
                          "<a b='>1</a>", "&", "&#", "&#x", "<a>&"}) {
        ecXml xml = XmlOf(t);
        (void)xml.Sub("a");
        (void)xml.CharacterDataNext("a");
        (void)xml.GetFloat("a");
    }
    EXPECT_EQ(XmlOf("<!-- <a>1</a>").GetInt("a"), 1) << "an unterminated comment is text";

    std::string text = "<a>1</a>";
    text += '\0';
    text += "<b>x";
    text += '\0';
    text += "y</b>";
    ecXml nul = XmlOf(text);
    EXPECT_EQ(nul.GetText(), text);
    EXPECT_EQ(nul.GetInt("a"), 1);
    EXPECT_EQ(nul.CharacterData("b"), std::string("x\0y", 3));
}

TEST(XmlRobustness, LargeAndDeepTexts)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "<x>" + std::to_string(i) + "</x>";
    ecXml wide = XmlOf(text + "<last>9</last>");
    EXPECT_EQ(wide.GetInt("last"), 9);
    int count = 0;
    while (!wide.Sub("x").IsEmpty())
        ++count;
    EXPECT_EQ(count, 20000);

    std::string closed;
    for (int i = 0; i < 100000; ++i)
        closed += "<a>";
    closed += "x";
    for (int i = 0; i < 100000; ++i)
        closed += "</a>";
    ecXml xml = XmlOf(closed);
    EXPECT_EQ(xml.Sub("a").GetText().size(), closed.size() - 7) << "deep nesting needs no stack";
    EXPECT_EQ(xml.CharacterData("a").size(), closed.size() - 7);
}

// The first-element lookups of small owned texts go through an index of the
// start tags, those of views and large texts through a plain scan: both must
// agree on every input.
TEST(XmlRobustness, IndexedAndScannedLookupsAgree)
{
    std::mt19937 gen(777);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(gen, "<>/!-[]?&#;ab \"'=CDT1", 60);
        ecXml owned = XmlOf(text);
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        ecXml view;
        view.SetTextPtr(buffer.data());
        for (const char* tag : {"a", "b", "ab", "a b", "!--"}) {
            ASSERT_EQ(owned.TagExists(tag), view.TagExists(tag)) << text << " / " << tag;
            ASSERT_EQ(owned.CharacterData(tag), view.CharacterData(tag)) << text << " / " << tag;
            ASSERT_EQ(owned.GetInt(tag), view.GetInt(tag)) << text << " / " << tag;
        }
    }
    ecXml xml = XmlOf("<a>1</a><b>2</b>");
    EXPECT_EQ(xml.GetInt("b"), 2);  // builds the tag index
    xml.GetTextPtr()[1] = 'b';
    xml.GetTextPtr()[6] = 'b';
    EXPECT_EQ(xml.GetInt("b"), 1) << "writing through the text pointer is seen by lookups";
}

TEST(XmlOwnership, CopiesMovesAndViews)
{
    ecXml a = XmlOf("<e>1</e><e>2</e>");
    EXPECT_EQ(a.CharacterDataNext("e"), "1");
    ecXml b(a);
    EXPECT_NE(b.GetTextPtr(), a.GetTextPtr());
    EXPECT_EQ(b.CharacterDataNext("e"), "2") << "positions are copied too";
    a.Free();
    EXPECT_TRUE(a.IsEmpty());
    ecXml c;
    c = b;
    b.SetText("<z/>");
    c = c;
    EXPECT_EQ(c.GetText(), "<e>1</e><e>2</e>");
    const char* p = c.GetTextPtr();
    ecXml moved(std::move(c));
    EXPECT_EQ(moved.GetTextPtr(), p);
    EXPECT_EQ(c.GetTextPtr(), nullptr);
    b = std::move(moved);
    EXPECT_EQ(b.GetInt("e"), 1);
    EXPECT_TRUE(moved.IsEmpty());

    char buffer[] = "<a>5</a>";
    ecXml view;
    view.SetTextPtr(buffer);
    buffer[3] = '7';
    EXPECT_EQ(view.GetInt("a"), 7) << "a text pointer is a view";
    ecXml copy(view);
    buffer[3] = '9';
    EXPECT_EQ(copy.GetInt("a"), 7) << "a copy of a view owns its text";
    EXPECT_EQ(view.CharacterData(copy.GetTextPtr(), "a"), "7");
    EXPECT_EQ(view.CharacterData(nullptr, "a"), "");
    view.SetTextPtr(nullptr);
    EXPECT_TRUE(view.IsEmpty());

    ecXml owner = XmlOf("<a>3</a><b>2</b>");
    view.SetTextPtr(owner.GetTextPtr());
    owner.NewCopy(view);  // a copy from a view of its own text
    EXPECT_EQ(owner.GetInt("a"), 3);
    owner.SetTextPtr(owner.GetTextPtr() + 8);
    EXPECT_EQ(owner.GetText(), "<b>2</b>") << "a pointer into its own text keeps it alive";

    ecXml doc = XmlOf("<root><a>1</a><b>2</b></root>");
    ecXml root = doc.Sub("root");
    ecXml rootCopy(root);
    root.GetTextPtr()[3] = '7';
    doc.GetTextPtr()[9] = '5';
    EXPECT_EQ(root.GetInt("a"), 7);
    EXPECT_EQ(rootCopy.GetInt("a"), 1);
    EXPECT_EQ(doc.GetInt("a"), 5);
    doc.Free();
    EXPECT_EQ(std::string(rootCopy.GetTextPtr()), "<a>1</a><b>2</b>") << "outlives its parent, zero-terminated";
}

TEST(XmlFiles, ReadWholeFilesOrFail)
{
    const char raw[] = "<?xml version=\"1.0\"?>\r\n<r><v>12</v></r>\0\0<b>2</b>";
    const std::string text(raw, sizeof raw - 1);
    ecXml xml;
    {
        TempFile file("read.xml", text);
        ASSERT_TRUE(xml.Read(file.path));
        EXPECT_EQ(xml.GetText(), text) << "zero bytes in a file are text";
        EXPECT_EQ(xml.Sub("r").GetInt("v"), 12);
        EXPECT_EQ(xml.GetInt("b"), 2);
    }
    {
        TempFile file("empty.xml", "");
        EXPECT_TRUE(xml.Read(file.path));
        EXPECT_TRUE(xml.IsEmpty());
    }
    EXPECT_FALSE(xml.Read(TempFile("gone.xml", "").path + ".missing"));
    EXPECT_FALSE(xml.Read(std::filesystem::temp_directory_path().string())) << "a folder is not readable";

    TempFile huge("huge.xml", "<a>1</a>");
    std::error_code ec;
    std::filesystem::resize_file(huge.path, static_cast<std::uintmax_t>(1) << 31, ec);  // sparse: no disk used
    if (ec)
        GTEST_SKIP() << "cannot make a sparse file here";
    EXPECT_FALSE(xml.Read(huge.path)) << "too large for a 32-bit length";
    EXPECT_TRUE(xml.IsEmpty());
}

// Each getter on a number text two readers down: the value is the same with
// diagnostics on, and a record comes only for a text the getter cannot take.
TEST(XmlDiagnostics, NumbersThatDoNotFitTheirGetter)
{
    enum Getter { Int, Unsigned, Float, Bool };
    const struct {
        Getter getter;
        std::string text;
        std::string problem; // "" when none
    } cases[] = {
        {Int, "42", ""},
        {Int, " -2147483648 ", ""},
        {Int, "", ""},
        {Int, "12abc", "is not a whole number"},
        {Int, "1.5", "is not a whole number"},
        {Int, "2147483648", "does not fit a 32-bit integer"},
        {Int, "99999999999", "does not fit a 32-bit integer"},
        {Int, "99999999999999999999", "is not a whole number"},
        {Unsigned, "4294967295", ""},
        {Unsigned, "-1", ""},
        {Unsigned, "4294967296", "does not fit a 32-bit word"},
        {Float, "2.5", ""},
        {Float, "1e39", "is out of the range of a 32-bit float"},
        {Float, "nan", "is not finite"},
        {Float, "-inf", "is not finite"},
        {Float, "1.5x", "is not a number"},
        {Float, "++1", "is not a number"},
        {Bool, "TRUE", ""},
        {Bool, "-3", ""},
        {Bool, "maybe", "is not true, false or a whole number"},
    };
    for (const auto& c : cases) {
        // The small element is copied, the large one shared: both keep count.
        const std::string text = "<doc>\n<pad>" + std::string(40, ' ') + "</pad>\n<big>\n\n<v>" + c.text +
                                 "</v>\n</big>\n</doc>\n";
        auto read = [&](std::vector<ecReadDiagnostic>* sink) {
            ecXml xml = XmlOf(text);
            xml.SetDiagnostics(sink);
            ecXml inner = xml.Sub("doc").Sub("big");
            ecXml copy(inner);
            switch (c.getter) {
            case Int:
                return std::to_string(copy.GetInt("v"));
            case Unsigned:
                return std::to_string(copy.GetUnsigned("v"));
            case Float:
                return std::to_string(copy.GetFloat("v"));
            case Bool:
                break;
            }
            return std::to_string(copy.GetBool("v"));
        };
        std::vector<ecReadDiagnostic> found;
        EXPECT_EQ(read(&found), read(nullptr)) << c.text;
        if (c.problem.empty()) {
            EXPECT_TRUE(found.empty()) << c.text << ": " << (found.empty() ? "" : found[0].problem);
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << c.text;
        EXPECT_EQ(found[0].line, 5) << c.text;
        EXPECT_EQ(found[0].element, "v");
        EXPECT_EQ(found[0].text, c.text);
        EXPECT_EQ(found[0].problem, c.problem);
    }

    std::vector<ecReadDiagnostic> found;
    ecXml xml = XmlOf("<a>x</a>");
    xml.SetDiagnostics(&found);
    xml.SetText("<a>y</a>");
    EXPECT_EQ(xml.GetInt("a"), 0);
    EXPECT_TRUE(found.empty()) << "a new text turns the diagnostics off";
}
