#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>

namespace {

// Accepts this many characters, then refuses every further one.
class LimitedBuffer : public std::streambuf {
public:
    explicit LimitedBuffer(int room) : m_room(room) {}
    std::string text;

protected:
    int_type overflow(int_type c) override
    {
        if (m_room <= 0 || traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::eof();
        --m_room;
        text += traits_type::to_char_type(c);
        return c;
    }

private:
    int m_room;
};

TEST(XmlWriter, WritesElementsLinesAndNumbers)
{
    std::ostringstream out;
    ecXmlWriter xml(out);
    xml.OpenLine(0, "doc").Line(1, "name", std::string("a<b")).Line(1, "n", 42u).Line(2, "f", 0.5f);
    xml.Indent(1).Element("empty", "").Newline().Raw("\t<kept>&</kept>\n").CloseLine(0, "doc");
    EXPECT_TRUE(xml.Ok());
    EXPECT_EQ(out.str(), "<doc>\n\t<name>a<b</name>\n\t<n>42</n>\n\t\t<f>0.5</f>\n\t<empty></empty>\n"
                         "\t<kept>&</kept>\n</doc>\n");
}

TEST(XmlWriter, EscapesContentOnlyWhenAskedAndReadsBack)
{
    const struct {
        const char* text;
        const char* escaped;
    } cases[] = {
        {"plain", "plain"},
        {"a&b", "a&amp;b"},
        {"<x>", "&lt;x&gt;"},
        {"\"q\" 'a'", "&quot;q&quot; &apos;a&apos;"},
        {"&amp;", "&amp;amp;"},
    };
    for (const auto& c : cases) {
        std::ostringstream plain, escaped;
        ecXmlWriter(plain).Element("t", c.text);
        ecXmlWriter(escaped, ecXmlWriter::Escaping::Text).Element("t", c.text);
        EXPECT_EQ(plain.str(), std::string("<t>") + c.text + "</t>") << c.text;
        EXPECT_EQ(escaped.str(), std::string("<t>") + c.escaped + "</t>") << c.text;
        EXPECT_EQ(ecXmlWriter::Escape(c.text), c.escaped);
        ecXml reader;
        reader.SetText(escaped.str());
        EXPECT_EQ(reader.CharacterData("t"), c.text) << "escaped text reads back as written";
    }
}

TEST(XmlWriter, ReportsAndStopsAtAFailingStream)
{
    for (int room : {0, 3, 10}) {
        LimitedBuffer buffer(room);
        std::ostream out(&buffer);
        ecXmlWriter xml(out);
        xml.OpenLine(0, "doc").Line(1, "name", "value").CloseLine(0, "doc");
        EXPECT_FALSE(xml.Ok()) << room;
        EXPECT_EQ(buffer.text, std::string("<doc>\n\t<name>value</name>\n</doc>\n").substr(0, room));
    }
    std::ostringstream fine;
    EXPECT_TRUE(ecXmlWriter(fine).Line(0, "a", 1).Ok());
}

} // namespace
