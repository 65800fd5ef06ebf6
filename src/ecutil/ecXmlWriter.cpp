#include "ecutil/ecXmlWriter.h"

ecXmlWriter::ecXmlWriter(std::ostream& out, Escaping escaping) : m_out(out), m_escaping(escaping) {}

void ecXmlWriter::Put(std::string_view text)
{
    if (Ok())
        m_out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

ecXmlWriter& ecXmlWriter::Indent(int depth)
{
    for (int i = 0; i < depth && Ok(); ++i)
        m_out.put('\t');
    return *this;
}

ecXmlWriter& ecXmlWriter::Open(std::string_view tag)
{
    Put("<");
    Put(tag);
    Put(">");
    return *this;
}

ecXmlWriter& ecXmlWriter::Close(std::string_view tag)
{
    Put("</");
    Put(tag);
    Put(">");
    return *this;
}

ecXmlWriter& ecXmlWriter::Text(std::string_view text)
{
    if (m_escaping == Escaping::None || text.find_first_of("&<>\"'") == std::string_view::npos)
        Put(text);
    else
        Put(Escape(text));
    return *this;
}

ecXmlWriter& ecXmlWriter::Raw(std::string_view text)
{
    Put(text);
    return *this;
}

ecXmlWriter& ecXmlWriter::Newline()
{
    Put("\n");
    return *this;
}

ecXmlWriter& ecXmlWriter::Element(std::string_view tag, std::string_view content)
{
    return Open(tag).Text(content).Close(tag);
}

std::string ecXmlWriter::Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendEscaped(out, text);
    return out;
}

void ecXmlWriter::AppendEscaped(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c; break;
        }
    }
}
