#pragma once
#include <ostream>
#include <string>
#include <string_view>

// Writes XML text to a stream: start and end tags, elements with their
// content on one line, tab indentation and plain text.
//
// The events library's own documents are written as their readers expect
// them, unescaped, so escaping is off by default. A writer made with
// Escaping::Text replaces the five predefined entities in element content;
// documents meant for other tools use it. Tag names are never escaped: they
// come from the program, not from data.
//
// The stream is checked, not trusted: Ok() tells whether every write so far
// reached it, and the writer stops writing once one has failed.
class ecXmlWriter {
public:
    enum class Escaping { None, Text };

    explicit ecXmlWriter(std::ostream& out, Escaping escaping = Escaping::None);

    // depth tab characters.
    ecXmlWriter& Indent(int depth);
    ecXmlWriter& Open(std::string_view tag);
    ecXmlWriter& Close(std::string_view tag);
    // Element content, escaped when the writer escapes.
    ecXmlWriter& Text(std::string_view text);
    // Text as it is, never escaped (a section kept as it was read).
    ecXmlWriter& Raw(std::string_view text);
    ecXmlWriter& Newline();

    // <tag>content</tag>; numbers are written as the stream writes them.
    ecXmlWriter& Element(std::string_view tag, std::string_view content);
    ecXmlWriter& Element(std::string_view tag, const std::string& content)
    {
        return Element(tag, std::string_view(content));
    }
    ecXmlWriter& Element(std::string_view tag, const char* content) { return Element(tag, std::string_view(content)); }
    template <typename Number>
    ecXmlWriter& Element(std::string_view tag, Number value)
    {
        Open(tag);
        if (Ok())
            m_out << value;
        return Close(tag);
    }

    // The same on a line of its own at this depth.
    template <typename Content>
    ecXmlWriter& Line(int depth, std::string_view tag, const Content& content)
    {
        return Indent(depth).Element(tag, content).Newline();
    }
    ecXmlWriter& OpenLine(int depth, std::string_view tag) { return Indent(depth).Open(tag).Newline(); }
    ecXmlWriter& CloseLine(int depth, std::string_view tag) { return Indent(depth).Close(tag).Newline(); }

    bool Ok() const { return static_cast<bool>(m_out); }
    std::ostream& Stream() { return m_out; }

    // The text with &, <, >, " and ' replaced by their entities.
    static std::string Escape(std::string_view text);
    // Appends the escaped text to out; cheaper than Escape in a loop.
    static void AppendEscaped(std::string& out, std::string_view text);

private:
    void Put(std::string_view text);

    std::ostream& m_out;
    Escaping m_escaping;
};
