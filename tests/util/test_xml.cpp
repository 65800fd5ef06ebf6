#include "ecutil/ecXml.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

ecXml FromText(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("ecxml_test_" + name)).string();
}

} // namespace

// ---------------------------------------------------------------------------
// Basic element access

TEST(XmlBasics, DefaultIsEmptyAndAnswersNothing)
{
    ecXml xml;
    EXPECT_TRUE(xml.IsEmpty());
    EXPECT_EQ(xml.GetText(), "");
    EXPECT_TRUE(xml.Sub("a").IsEmpty());
    EXPECT_EQ(xml.CharacterData("a"), "");
    EXPECT_EQ(xml.CharacterDataNext("a"), "");
    EXPECT_FALSE(xml.TagExists("a"));
    EXPECT_EQ(xml.GetInt("a"), 0);
    EXPECT_EQ(xml.GetFloat("a"), 0.0f);
    EXPECT_FALSE(xml.GetBool("a"));
    EXPECT_EQ(xml.GetTextPtr(), nullptr);
    std::ostringstream out;
    xml.Write(out);
    EXPECT_EQ(out.str(), "");
}

TEST(XmlBasics, SetTextGetTextWriteRoundTrip)
{
    const std::string text = "<a>1</a>\n<b>x & y</b>";
    ecXml xml = FromText(text);
    EXPECT_FALSE(xml.IsEmpty());
    EXPECT_EQ(xml.GetText(), text);
    std::ostringstream out;
    xml.Write(out);
    EXPECT_EQ(out.str(), text);
    xml.SetText("");
    EXPECT_TRUE(xml.IsEmpty());
}

TEST(XmlBasics, SubGivesInnerContentAsOwnedCopy)
{
    ecXml doc = FromText("<root><x>1</x><y>two</y></root>");
    ecXml root = doc.Sub("root");
    EXPECT_EQ(root.GetText(), "<x>1</x><y>two</y>");
    doc.SetText("<other/>");  // the sub result must not depend on its parent
    EXPECT_EQ(root.GetInt("x"), 1);
    EXPECT_EQ(root.CharacterData("y"), "two");
}

TEST(XmlBasics, TypedGettersAndMissingElements)
{
    ecXml xml = FromText("<i>-42</i><f>0.25</f><b>1</b><c>0</c><u>4294967295</u><big>4294967296</big>");
    EXPECT_EQ(xml.GetInt("i"), -42);
    EXPECT_FLOAT_EQ(xml.GetFloat("f"), 0.25f);
    EXPECT_TRUE(xml.GetBool("b"));
    EXPECT_FALSE(xml.GetBool("c"));
    // unsigned words written as unsigned decimals come back as the same bits
    EXPECT_EQ(xml.GetInt("u"), -1);
    EXPECT_EQ(static_cast<unsigned int>(xml.GetInt("u")), 0xFFFFFFFFu);
    EXPECT_EQ(xml.GetInt("big"), 0);
    EXPECT_EQ(xml.GetInt("missing"), 0);
    EXPECT_EQ(xml.GetFloat("missing"), 0.0f);
    EXPECT_FALSE(xml.GetBool("missing"));
    EXPECT_EQ(xml.CharacterData("missing"), "");
}

TEST(XmlBasics, NumberParsingIsStrictButToleratesSpace)
{
    ecXml xml = FromText("<a> 17 \n</a><b>12abc</b><c>3.5</c><d>+8</d><e></e><f>-</f>"
                         "<g> -1.5e3 </g><h>1e-40</h><k>abc</k><l>99999999999999999999999</l><m>-2147483648</m>");
    EXPECT_EQ(xml.GetInt("a"), 17);
    EXPECT_EQ(xml.GetInt("b"), 0);
    EXPECT_EQ(xml.GetInt("c"), 0);
    EXPECT_EQ(xml.GetInt("d"), 8);
    EXPECT_EQ(xml.GetInt("e"), 0);
    EXPECT_EQ(xml.GetInt("f"), 0);
    EXPECT_EQ(xml.GetInt("l"), 0);
    EXPECT_EQ(xml.GetInt("m"), INT32_MIN);
    EXPECT_FLOAT_EQ(xml.GetFloat("g"), -1500.0f);
    EXPECT_GT(xml.GetFloat("h"), 0.0f);  // a subnormal written by a stream reads back
    EXPECT_EQ(xml.GetFloat("k"), 0.0f);
    EXPECT_EQ(xml.GetFloat("b"), 0.0f);
    EXPECT_FLOAT_EQ(xml.GetFloat("a"), 17.0f);
}

TEST(XmlBasics, FloatsWrittenByAStreamReadBack)
{
    const float values[] = {0.1f, 1.0f / 3.0f, 123456.0f, 1.5e-7f, -2.75e12f, 3.4e38f};
    for (float v : values) {
        std::ostringstream out;
        out.precision(9);
        out << "<v>" << v << "</v>";
        ecXml xml = FromText(out.str());
        EXPECT_EQ(xml.GetFloat("v"), v) << out.str();
    }
}

TEST(XmlBasics, BoolSpellings)
{
    ecXml xml = FromText("<a>TRUE</a><b>False</b><c>2</c><d>-1</d><e>yes</e><f> 1 </f><g>0x1</g>");
    EXPECT_TRUE(xml.GetBool("a"));
    EXPECT_FALSE(xml.GetBool("b"));
    EXPECT_TRUE(xml.GetBool("c"));
    EXPECT_TRUE(xml.GetBool("d"));
    EXPECT_FALSE(xml.GetBool("e"));
    EXPECT_TRUE(xml.GetBool("f"));
    EXPECT_FALSE(xml.GetBool("g"));
}

// ---------------------------------------------------------------------------
// Search positions

TEST(XmlPositions, RepeatedSubYieldsSuccessiveElements)
{
    ecXml xml = FromText("<e>1</e><x>a</x><e>2</e><e>3</e>");
    EXPECT_EQ(xml.Sub("e").GetText(), "1");
    EXPECT_EQ(xml.Sub("e").GetText(), "2");
    EXPECT_EQ(xml.Sub("e").GetText(), "3");
    EXPECT_TRUE(xml.Sub("e").IsEmpty());
    EXPECT_TRUE(xml.Sub("e").IsEmpty());
    xml.Reset();
    EXPECT_EQ(xml.Sub("e").GetText(), "1");
}

TEST(XmlPositions, FailedSearchLeavesPositionAlone)
{
    // The bin-results reader takes all epochs, then all bin_ops, on one reader.
    ecXml xml = FromText("<epoch>A</epoch><epoch>B</epoch><bin_ops>1</bin_ops><bin_ops>2</bin_ops>");
    EXPECT_EQ(xml.Sub("epoch").GetText(), "A");
    EXPECT_EQ(xml.Sub("epoch").GetText(), "B");
    EXPECT_TRUE(xml.Sub("epoch").IsEmpty());
    EXPECT_EQ(xml.Sub("bin_ops").GetText(), "1");
    EXPECT_EQ(xml.Sub("bin_ops").GetText(), "2");
    EXPECT_TRUE(xml.Sub("bin_ops").IsEmpty());
}

TEST(XmlPositions, TagsKeepTheirOwnPositions)
{
    // A conditional reads mode first although it is written last.
    ecXml xml = FromText("<pre>P</pre><post>Q</post><event>a</event><event>b</event><mode>impermeable</mode>");
    EXPECT_EQ(xml.CharacterData("mode"), "impermeable");
    EXPECT_EQ(xml.Sub("pre").GetText(), "P");
    EXPECT_EQ(xml.Sub("post").GetText(), "Q");
    EXPECT_EQ(xml.CharacterDataNext("event"), "a");
    EXPECT_EQ(xml.CharacterDataNext("event"), "b");
    EXPECT_EQ(xml.CharacterDataNext("event"), "");
}

TEST(XmlPositions, CharacterDataTakesFirstAndSetsPosition)
{
    ecXml xml = FromText("<s>1</s><s>2</s><s>3</s>");
    EXPECT_EQ(xml.CharacterDataNext("s"), "1");
    EXPECT_EQ(xml.CharacterDataNext("s"), "2");
    EXPECT_EQ(xml.CharacterData("s"), "1");
    EXPECT_EQ(xml.CharacterDataNext("s"), "2");
}

TEST(XmlPositions, GettersAndTagExistsMoveNothing)
{
    ecXml xml = FromText("<n>1</n><n>2</n>");
    EXPECT_TRUE(xml.TagExists("n"));
    EXPECT_EQ(xml.GetInt("n"), 1);
    EXPECT_TRUE(xml.GetBool("n"));
    EXPECT_EQ(xml.GetFloat("n"), 1.0f);
    EXPECT_EQ(xml.CharacterDataNext("n"), "1");
    EXPECT_EQ(xml.GetInt("n"), 1);
    EXPECT_EQ(xml.CharacterDataNext("n"), "2");
}

TEST(XmlPositions, EmptyElementEndsAWalkButIsPassed)
{
    ecXml xml = FromText("<t>a</t><t></t><t>b</t><e/><e>z</e>");
    EXPECT_EQ(xml.CharacterDataNext("t"), "a");
    EXPECT_EQ(xml.CharacterDataNext("t"), "");
    EXPECT_EQ(xml.CharacterDataNext("t"), "b");
    EXPECT_TRUE(xml.Sub("e").IsEmpty());
    EXPECT_EQ(xml.Sub("e").GetText(), "z");
    EXPECT_TRUE(xml.TagExists("e"));
}

TEST(XmlPositions, SearchIsDepthAgnosticAndSkipsPastNestedMatches)
{
    ecXml xml = FromText("<a><b><c>deep</c></b></a><c>top</c>");
    EXPECT_EQ(xml.CharacterData("c"), "deep");
    EXPECT_EQ(xml.CharacterDataNext("c"), "top");
    ecXml y = FromText("<a><a>x</a></a><a>y</a>");
    EXPECT_EQ(y.Sub("a").GetText(), "<a>x</a>");
    EXPECT_EQ(y.Sub("a").GetText(), "y");
}

TEST(XmlPositions, GetBeginEndGivesContentOffsets)
{
    ecXml xml = FromText("<r><v>abc</v></r>");
    int begin = -1;
    int end = -1;
    ASSERT_TRUE(xml.GetBeginEnd(begin, end, "v"));
    EXPECT_EQ(xml.GetText().substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin)), "abc");
    EXPECT_FALSE(xml.GetBeginEnd(begin, end, "w"));
}

// ---------------------------------------------------------------------------
// Tag matching and XML syntax

TEST(XmlSyntax, WholeNameMatchOnly)
{
    ecXml xml = FromText("<sID>id</sID><EventSpecifier>x</EventSpecifier><s>v</s><Event>e</Event>");
    EXPECT_EQ(xml.CharacterData("s"), "v");
    EXPECT_EQ(xml.CharacterData("Event"), "e");
    EXPECT_FALSE(xml.TagExists("Even"));
    EXPECT_FALSE(xml.TagExists("sI"));
    ecXml only = FromText("<sID>id</sID>");
    EXPECT_FALSE(only.TagExists("s"));
    EXPECT_TRUE(only.Sub("s").IsEmpty());
}

TEST(XmlSyntax, DeclarationCommentsAttributesAndEmptyTags)
{
    ecXml xml = FromText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!-- <Event>hidden</Event> -->\n"
                         "<root a='1' b=\"x>y\">\n"
                         "  <Event id=\"3\"><Name>Stim</Name></Event>\n"
                         "  <Event/><Event />\n"
                         "  <Event\n id='4'>  <Name>Resp</Name></Event>\n"
                         "</root>");
    ecXml root = xml.Sub("root");
    ASSERT_FALSE(root.IsEmpty());
    EXPECT_EQ(root.Sub("Event").CharacterData("Name"), "Stim");
    EXPECT_TRUE(root.Sub("Event").IsEmpty());
    EXPECT_TRUE(root.Sub("Event").IsEmpty());
    EXPECT_EQ(root.Sub("Event").CharacterData("Name"), "Resp");
    EXPECT_TRUE(root.Sub("Event").IsEmpty());
}

TEST(XmlSyntax, CommentsInsideContentAreDroppedFromCharacterData)
{
    ecXml xml = FromText("<n>St<!-- x </n> -->im</n><m><!----></m>");
    EXPECT_EQ(xml.CharacterData("n"), "Stim");
    EXPECT_EQ(xml.CharacterData("m"), "");
    EXPECT_TRUE(xml.TagExists("m"));
}

TEST(XmlSyntax, CdataIsLiteral)
{
    ecXml xml = FromText("<n><![CDATA[a<b>&amp;</n>]]>c</n><k><![CDATA[<k>]]></k>");
    EXPECT_EQ(xml.CharacterData("n"), "a<b>&amp;</n>c");
    EXPECT_EQ(xml.CharacterData("k"), "<k>");
}

TEST(XmlSyntax, EntitiesAndCharacterReferences)
{
    ecXml xml = FromText("<a>&lt;&gt;&amp;&quot;&apos;</a><b>&#65;&#x41;&#X41;&#xe9;&#8364;&#x1F600;</b>"
                         "<c>&bogus; &#; &#x; &#xD800; &#0; &#x110000; &amp &</c><d>&&amp;;</d>");
    EXPECT_EQ(xml.CharacterData("a"), "<>&\"'");
    EXPECT_EQ(xml.CharacterData("b"), "AA&#X41;\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(xml.CharacterData("c"), "&bogus; &#; &#x; &#xD800; &#0; &#x110000; &amp &");
    EXPECT_EQ(xml.CharacterData("d"), "&&;");
}

TEST(XmlSyntax, UnescapedTextOfOwnDocumentsReadsBack)
{
    ecXml xml = FromText("<l>a<b</l><m>x & y</m><n>1 < 2 > 0</n><o>a<o</o><p>if a<p then</p><q><</q>");
    EXPECT_EQ(xml.CharacterData("l"), "a<b");
    EXPECT_EQ(xml.CharacterData("m"), "x & y");
    EXPECT_EQ(xml.CharacterData("n"), "1 < 2 > 0");
    EXPECT_EQ(xml.CharacterData("o"), "a<o");
    EXPECT_EQ(xml.CharacterData("p"), "if a<p then");
    EXPECT_EQ(xml.CharacterData("q"), "<");
}

TEST(XmlSyntax, EndTagMayCarrySpaceBeforeItsBracket)
{
    ecXml xml = FromText("<a>1</a ><b>2</b\n>");
    EXPECT_EQ(xml.GetInt("a"), 1);
    EXPECT_EQ(xml.GetInt("b"), 2);
}

TEST(XmlSyntax, AnnotationKeepsLineBreaksAndSpaces)
{
    ecXml xml = FromText("<Annotation>\n  line one\r\nline two  \n</Annotation>");
    EXPECT_EQ(xml.CharacterData("Annotation"), "\n  line one\r\nline two  \n");
}

// ---------------------------------------------------------------------------
// Malformed input

TEST(XmlRobustness, MissingEndTagMeansAbsent)
{
    ecXml xml = FromText("<a>1</a><b>unclosed<c>2</c>");
    EXPECT_FALSE(xml.TagExists("b"));
    EXPECT_TRUE(xml.Sub("b").IsEmpty());
    EXPECT_EQ(xml.CharacterData("c"), "2");
    ecXml truncated = FromText("<Event><Name>A</Name></Event><Event><Name>B</Na");
    EXPECT_EQ(truncated.Sub("Event").CharacterData("Name"), "A");
    EXPECT_TRUE(truncated.Sub("Event").IsEmpty());
}

TEST(XmlRobustness, LoneBracketsAndUnterminatedMarkup)
{
    const char* texts[] = {"<", "<a", "<a>", "<a/", "</a>", "<a>x</a", "<!--", "<!-- <a>1</a>", "<![CDATA[<a>1</a>",
                           "<?xml", "<a b='>1</a>", "&", "&#", "&#x", "<a>&#x41</a>", "<a>&", "<a><a></a>"};
    for (const char* t : texts) {
        ecXml xml = FromText(t);
        (void)xml.Sub("a");
        (void)xml.CharacterData("a");
        (void)xml.CharacterDataNext("a");
        (void)xml.GetInt("a");
        (void)xml.GetFloat("a");
        (void)xml.GetBool("a");
        (void)xml.TagExists("a");
    }
    // An unterminated comment is text, so the element after it is found.
    EXPECT_EQ(FromText("<!-- <a>1</a>").GetInt("a"), 1);
    EXPECT_EQ(FromText("<a>&#x41</a>").CharacterData("a"), "&#x41");
    EXPECT_FALSE(FromText("<a><a></a>").TagExists("a"));
}

TEST(XmlRobustness, EmptyAndOddTagNames)
{
    ecXml xml = FromText("<>x</><a>1</a>");
    EXPECT_FALSE(xml.TagExists(""));
    EXPECT_TRUE(xml.Sub("").IsEmpty());
    EXPECT_EQ(xml.CharacterDataNext(""), "");
    EXPECT_EQ(xml.GetInt("a"), 1);
}

TEST(XmlRobustness, EmbeddedNulBytesAreText)
{
    std::string text = "<a>1</a>";
    text += '\0';
    text += "<b>x";
    text += '\0';
    text += "y</b>";
    ecXml xml = FromText(text);
    EXPECT_EQ(xml.GetText(), text);
    EXPECT_EQ(xml.GetInt("a"), 1);
    EXPECT_EQ(xml.CharacterData("b"), std::string("x\0y", 3));
}

TEST(XmlRobustness, RandomGarbageNeverFails)
{
    std::mt19937 gen(12345);
    const char alphabet[] = "<>/!-[]?&#;x0aA \"'\0CDT";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int n = static_cast<int>(gen() % 80);
        for (int i = 0; i < n; ++i)
            text += alphabet[gen() % (sizeof alphabet - 1)];
        ecXml xml = FromText(text);
        const char* tags[] = {"a", "x", "A", "aA"};
        for (const char* tag : tags) {
            ecXml sub = xml.Sub(tag);
            EXPECT_LE(sub.GetText().size(), text.size());
            (void)xml.CharacterDataNext(tag);
            (void)sub.CharacterData(tag);
            (void)xml.GetInt(tag);
            (void)xml.GetBool(tag);
        }
    }
}

// ---------------------------------------------------------------------------
// Ownership

TEST(XmlOwnership, CopiesAreIndependent)
{
    ecXml a = FromText("<e>1</e><e>2</e>");
    EXPECT_EQ(a.CharacterDataNext("e"), "1");
    ecXml b(a);
    EXPECT_NE(b.GetTextPtr(), a.GetTextPtr());
    EXPECT_EQ(b.CharacterDataNext("e"), "2");  // positions are copied too
    a.Free();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(b.GetText(), "<e>1</e><e>2</e>");
    ecXml c;
    c = b;
    b.SetText("<z/>");
    EXPECT_EQ(c.GetText(), "<e>1</e><e>2</e>");
    c = c;  // self-assignment keeps the text
    EXPECT_EQ(c.GetText(), "<e>1</e><e>2</e>");
    ecXml d;
    d.NewCopy(c);
    EXPECT_EQ(d.GetText(), c.GetText());
}

TEST(XmlOwnership, MovesLeaveTheSourceEmpty)
{
    ecXml a = FromText("<e>1</e>");
    const char* p = a.GetTextPtr();
    ecXml b(std::move(a));
    EXPECT_EQ(b.GetTextPtr(), p);
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetTextPtr(), nullptr);
    ecXml c;
    c = std::move(b);
    EXPECT_EQ(c.GetInt("e"), 1);
    EXPECT_TRUE(b.IsEmpty());
}

TEST(XmlOwnership, TextPointerIsAView)
{
    char buffer[] = "<a>5</a>";
    ecXml xml;
    xml.SetTextPtr(buffer);
    EXPECT_EQ(xml.GetTextPtr(), buffer);
    EXPECT_EQ(xml.GetInt("a"), 5);
    buffer[3] = '7';
    EXPECT_EQ(xml.GetInt("a"), 7);
    ecXml copy(xml);  // a copy of a view owns its text
    EXPECT_NE(copy.GetTextPtr(), buffer);
    buffer[3] = '9';
    EXPECT_EQ(copy.GetInt("a"), 7);
    xml.SetTextPtr(nullptr);
    EXPECT_TRUE(xml.IsEmpty());
    EXPECT_FALSE(xml.IsFullFledged());
    xml.SetFullFledged(true);
    EXPECT_TRUE(xml.IsFullFledged());
}

TEST(XmlOwnership, CopyFromAViewOfItsOwnText)
{
    ecXml owner = FromText("<a>3</a>");
    ecXml view;
    view.SetTextPtr(owner.GetTextPtr());
    owner.NewCopy(view);
    EXPECT_EQ(owner.GetInt("a"), 3);
    owner.SetTextPtr(owner.GetTextPtr());
    EXPECT_EQ(owner.GetInt("a"), 3);
}

TEST(XmlOwnership, CharacterDataOnGivenText)
{
    ecXml xml = FromText("<a>own</a><b>pad pad pad</b>");
    char other[] = "<a>other</a>";
    EXPECT_EQ(xml.CharacterData(other, "a"), "other");
    EXPECT_EQ(xml.CharacterData(xml.GetTextPtr(), "a"), "own");
    EXPECT_EQ(xml.CharacterData(nullptr, "a"), "");
}

// ---------------------------------------------------------------------------
// Files

TEST(XmlFiles, ReadLoadsWholeFileAndMissingFileFails)
{
    const std::string path = TempPath("read.xml");
    const std::string text = "<?xml version=\"1.0\"?>\r\n<r><v>12</v></r>\r\n";
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    ecXml xml;
    ASSERT_TRUE(xml.Read(path));
    EXPECT_EQ(xml.GetText(), text);
    EXPECT_EQ(xml.Sub("r").GetInt("v"), 12);
    std::remove(path.c_str());
    ecXml missing;
    EXPECT_FALSE(missing.Read(path));
    EXPECT_TRUE(missing.IsEmpty());
}

TEST(XmlFiles, EmptyFileReadsAsEmptyText)
{
    const std::string path = TempPath("empty.xml");
    { std::ofstream out(path, std::ios::binary); }
    ecXml xml;
    EXPECT_TRUE(xml.Read(path));
    EXPECT_TRUE(xml.IsEmpty());
    std::remove(path.c_str());
}

TEST(XmlFiles, FileTooLargeForA32BitLengthIsRefused)
{
    const std::string path = TempPath("huge.xml");
    {
        std::ofstream out(path, std::ios::binary);
        out << "<a>1</a>";
    }
    std::error_code ec;
    // A sparse file: no disk space is used.
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(1) << 31, ec);
    if (ec) {
        std::remove(path.c_str());
        GTEST_SKIP() << "cannot make a sparse file here";
    }
    ecXml xml;
    EXPECT_FALSE(xml.Read(path));
    EXPECT_TRUE(xml.IsEmpty());
    std::remove(path.c_str());
}

TEST(XmlFiles, DirectoryIsNotReadable)
{
    ecXml xml;
    EXPECT_FALSE(xml.Read(std::filesystem::temp_directory_path().string()));
}

TEST(XmlOwnership, LargeSubSharesButStaysIndependent)
{
    ecXml doc = FromText("<root><a>1</a><b>2</b></root>");
    ecXml root = doc.Sub("root");
    doc.Free();  // the root must outlive its parent
    EXPECT_EQ(root.GetText(), "<a>1</a><b>2</b>");
    char* p = root.GetTextPtr();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p), "<a>1</a><b>2</b>");  // zero-terminated at its length

    ecXml doc2 = FromText("<root><a>1</a><b>2</b></root>");
    ecXml root2 = doc2.Sub("root");
    ecXml copy(root2);
    // Writing through the pointer of one reader changes no other reader.
    char* q = root2.GetTextPtr();
    q[3] = '7';
    EXPECT_EQ(root2.GetInt("a"), 7);
    EXPECT_EQ(copy.GetInt("a"), 1);
    EXPECT_EQ(doc2.GetText(), "<root><a>1</a><b>2</b></root>");
    char* d = doc2.GetTextPtr();
    d[9] = '5';
    EXPECT_EQ(doc2.GetInt("a"), 5);
    EXPECT_EQ(copy.GetInt("a"), 1);
    EXPECT_EQ(root2.GetInt("a"), 7);
}

TEST(XmlOwnership, WritingThroughTheTextPointerIsSeenByLookups)
{
    ecXml xml = FromText("<a>1</a><b>2</b>");
    EXPECT_EQ(xml.GetInt("b"), 2);  // builds the tag index
    char* p = xml.GetTextPtr();
    p[1] = 'b';
    p[6] = 'b';
    EXPECT_EQ(xml.GetInt("b"), 1);
}

// The first-element lookups of small owned texts go through an index of the
// start tags, those of views and large texts through a plain scan: both must
// agree on every input.
TEST(XmlRobustness, IndexedAndScannedLookupsAgree)
{
    std::mt19937 gen(777);
    const char alphabet[] = "<>/!-[]?&#;ab \"'=CDT1";
    const char* tags[] = {"a", "b", "ab", "a b", "!--"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = static_cast<int>(gen() % 60);
        for (int i = 0; i < n; ++i)
            text += alphabet[gen() % (sizeof alphabet - 1)];
        ecXml owned = FromText(text);
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        ecXml view;
        view.SetTextPtr(buffer.data());
        for (const char* tag : tags) {
            ASSERT_EQ(owned.TagExists(tag), view.TagExists(tag)) << text << " / " << tag;
            ASSERT_EQ(owned.CharacterData(tag), view.CharacterData(tag)) << text << " / " << tag;
            ASSERT_EQ(owned.GetInt(tag), view.GetInt(tag)) << text << " / " << tag;
        }
    }
}

TEST(XmlRobustness, LargeTextsAreSearchedToo)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "<x>" + std::to_string(i) + "</x>";
    text += "<last>9</last>";
    ecXml xml = FromText(text);
    EXPECT_EQ(xml.GetInt("last"), 9);
    EXPECT_EQ(xml.GetInt("x"), 0);
    int count = 0;
    while (!xml.Sub("x").IsEmpty())
        ++count;
    EXPECT_EQ(count, 20000);
}

TEST(XmlOwnership, PointerIntoOwnTextKeepsItAlive)
{
    ecXml xml = FromText("<a>1</a><b>2</b>");
    xml.SetTextPtr(xml.GetTextPtr() + 8);
    EXPECT_EQ(xml.GetText(), "<b>2</b>");
    EXPECT_FALSE(xml.TagExists("a"));
    EXPECT_EQ(xml.GetInt("b"), 2);
}

TEST(XmlFiles, ZeroBytesInAFileAreText)
{
    const std::string path = TempPath("nul.xml");
    const std::string text("<a>1</a>\0\0<b>2</b>", 18);
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    ecXml xml;
    ASSERT_TRUE(xml.Read(path));
    EXPECT_EQ(xml.GetText(), text);
    EXPECT_EQ(xml.GetInt("b"), 2);
    std::remove(path.c_str());
}

TEST(XmlRobustness, DeepNestingNeedsNoStack)
{
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "<a>";
    text += "x";
    for (int i = 0; i < 100000; ++i)
        text += "</a>";
    ecXml xml = FromText(text);
    ecXml outer = xml.Sub("a");
    EXPECT_EQ(outer.GetText().size(), text.size() - 7);
    EXPECT_EQ(xml.CharacterData("a").size(), text.size() - 7);
}
