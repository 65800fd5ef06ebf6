#pragma once
// Internal to the XML reader: the tokenizer that finds elements in a text
// and decodes their character data. It holds no state beyond one scan;
// the search positions, the shared text and the diagnostics are the
// reader's. Not part of the public interface.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

namespace ecXmlScan {

// Where an element sits in a text: its content is [begin, end) and the text
// after the element starts at after.
struct Element {
    int begin = 0;
    int end = 0;
    int after = 0;
};

inline bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

inline bool IsNameEnd(char c)
{
    // Name characters are mostly letters: one test settles them.
    if (static_cast<unsigned char>(c) > ' ')
        return c == '>' || c == '/' || c == '<';
    return IsSpace(c);
}

// Whether character data needs decoding at all.
inline bool HasMarkup(std::string_view s)
{
    for (const char c : s)
        if (c == '<' || c == '&')
            return true;
    return false;
}

// Walks one text without ever looking past its length. Markup that has no
// terminator (a comment without "-->", say) counts as plain text; once one
// terminator is known to be missing from some position on, it is missing
// from every later position too, which keeps a scan linear on any input.
class Scanner {
public:
    Scanner(const char* text, int length) : m_t(text), m_n(length > 0 && text ? length : 0) {}

    // The next element with this tag at or after from, at any depth. An
    // element whose end tag is missing counts as absent.
    bool Find(int from, std::string_view tag, Element& e)
    {
        if (tag.empty() || from < 0)
            return false;
        int p = from;
        while ((p = NextMarkup(p)) >= 0) {
            int tagEnd = 0;
            bool empty = false;
            if (StartTag(p, tag, tagEnd, empty)) {
                if (empty) {
                    e.begin = e.end = e.after = tagEnd;
                    return true;
                }
                e.begin = tagEnd;
                return FindEnd(tagEnd, tag, e.end, e.after);
            }
            ++p;
        }
        return false;
    }

    // Every start tag, in the order in which Find(0, ...) meets them, so
    // that the first element of any name can be looked up without a scan.
    template <class TagList>
    void Index(TagList& out)
    {
        int p = 0;
        while ((p = NextMarkup(p)) >= 0) {
            int q = p + 1;
            while (q < m_n && !IsNameEnd(m_t[q]))
                ++q;
            typename TagList::value_type tag;
            if (q > p + 1 && TagRest(q, tag.after, tag.empty)) {
                tag.at = p;
                tag.nameEnd = q;
                out.push_back(tag);
            }
            ++p;
        }
    }

    // The element whose start tag an index entry holds.
    template <class TagAt>
    bool ElementAt(const TagAt& tag, std::string_view name, Element& e)
    {
        if (tag.empty) {
            e.begin = e.end = e.after = tag.after;
            return true;
        }
        e.begin = tag.after;
        return FindEnd(tag.after, name, e.end, e.after);
    }

    // The character data of [0, length): comments and processing
    // instructions dropped, CDATA taken literally, references decoded, any
    // other markup kept as it stands.
    std::string Decode()
    {
        const std::string_view all(m_t, static_cast<std::size_t>(m_n));
        if (!HasMarkup(all))
            return std::string(all);
        std::string out;
        out.reserve(static_cast<std::size_t>(m_n));
        int p = 0;
        while (p < m_n) {
            const char c = m_t[p];
            if (c == '<') {
                if (Starts(p, "<![CDATA[")) {
                    const int close = FindFrom(p + 9, "]]>", m_cdataMissing);
                    if (close >= 0) {
                        out.append(m_t + p + 9, static_cast<std::size_t>(close - (p + 9)));
                        p = close + 3;
                        continue;
                    }
                }
                const int special = SkipSpecial(p);
                if (special >= 0) {
                    p = special;
                    continue;
                }
                out.push_back(c);
                ++p;
            } else if (c == '&') {
                p = Reference(p, out);
            } else {
                const int stop = NextOf(p, "<&");
                out.append(m_t + p, static_cast<std::size_t>(stop - p));
                p = stop;
            }
        }
        return out;
    }

private:
    // The next '<' at or after p that opens no comment, CDATA section or
    // processing instruction (those are skipped whole); -1 when none is left.
    int NextMarkup(int p)
    {
        while ((p = NextOpen(p)) >= 0) {
            const int special = SkipSpecial(p);
            if (special < 0)
                return p;
            p = special;
        }
        return -1;
    }

    int NextOpen(int p) const
    {
        if (p >= m_n)
            return -1;
        const void* q = std::memchr(m_t + p, '<', static_cast<std::size_t>(m_n - p));
        return q ? static_cast<int>(static_cast<const char*>(q) - m_t) : -1;
    }

    // The first position at or after p holding one of the two characters,
    // or the length.
    int NextOf(int p, const char (&two)[3]) const
    {
        while (p < m_n && m_t[p] != two[0] && m_t[p] != two[1])
            ++p;
        return p;
    }

    bool Starts(int p, std::string_view what) const
    {
        return static_cast<std::size_t>(m_n - p) >= what.size() && std::memcmp(m_t + p, what.data(), what.size()) == 0;
    }

    int FindFrom(int p, std::string_view what, int& missingFrom) const
    {
        if (p >= missingFrom)
            return -1;
        const std::size_t at = std::string_view(m_t, static_cast<std::size_t>(m_n)).find(what, static_cast<std::size_t>(p));
        if (at == std::string_view::npos) {
            missingFrom = p;
            return -1;
        }
        return static_cast<int>(at);
    }

    // For a comment, CDATA section or processing instruction at p: the
    // position after it; -1 for anything else.
    int SkipSpecial(int p)
    {
        if (p + 1 >= m_n || (m_t[p + 1] != '!' && m_t[p + 1] != '?'))
            return -1;
        if (Starts(p, "<!--")) {
            const int close = FindFrom(p + 4, "-->", m_commentMissing);
            return close >= 0 ? close + 3 : -1;
        }
        if (Starts(p, "<![CDATA[")) {
            const int close = FindFrom(p + 9, "]]>", m_cdataMissing);
            return close >= 0 ? close + 3 : -1;
        }
        if (Starts(p, "<?")) {
            const int close = FindFrom(p + 2, "?>", m_piMissing);
            return close >= 0 ? close + 2 : -1;
        }
        return -1;
    }

    // A start tag of this name at p, attributes allowed. Sets the position
    // after its '>' and whether it is an empty-element tag. A '<' before
    // the closing '>' means this is no tag (the library writes text without
    // escaping, so a stray '<' in a label must stay text).
    bool StartTag(int p, std::string_view tag, int& after, bool& empty) const
    {
        const int i = p + 1;
        if (i >= m_n || m_t[i] != tag[0] || !Starts(i, tag))
            return false;
        return TagRest(i + static_cast<int>(tag.size()), after, empty);
    }

    // The rest of a start tag from the end of its name: a delimiter, then
    // attributes up to '>' or "/>".
    bool TagRest(int i, int& after, bool& empty) const
    {
        if (i >= m_n)
            return false;
        if (m_t[i] != '>' && m_t[i] != '/' && !IsSpace(m_t[i]))
            return false;
        char quote = 0;
        for (; i < m_n; ++i) {
            const char c = m_t[i];
            if (c == '<')
                return false;
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                after = i + 1;
                empty = false;
                return true;
            } else if (c == '/' && i + 1 < m_n && m_t[i + 1] == '>') {
                after = i + 2;
                empty = true;
                return true;
            }
        }
        return false;
    }

    bool EndTag(int p, std::string_view tag, int& after) const
    {
        if (p + 2 >= m_n || m_t[p + 1] != '/' || m_t[p + 2] != tag[0])
            return false;
        int i = p + 2;
        if (!Starts(i, tag))
            return false;
        i += static_cast<int>(tag.size());
        while (i < m_n && IsSpace(m_t[i]))
            ++i;
        if (i >= m_n || m_t[i] != '>')
            return false;
        after = i + 1;
        return true;
    }

    // The end tag that closes an element whose content starts at from,
    // counting nested elements of the same name.
    bool FindEnd(int from, std::string_view tag, int& end, int& after)
    {
        int depth = 1;
        int p = from;
        while ((p = NextMarkup(p)) >= 0) {
            int next = 0;
            bool empty = false;
            if (EndTag(p, tag, next)) {
                if (--depth == 0) {
                    end = p;
                    after = next;
                    return true;
                }
                p = next;
            } else if (StartTag(p, tag, next, empty)) {
                if (!empty)
                    ++depth;
                p = next;
            } else {
                ++p;
            }
        }
        return false;
    }

    static void AppendUtf8(std::uint32_t cp, std::string& out)
    {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }

    // Decodes the reference at p (an '&') into out and returns the position
    // after it; an '&' that starts no valid reference is kept as it is.
    int Reference(int p, std::string& out) const
    {
        // The longest valid reference, "&#x10FFFF;" with leading zeros
        // aside, is short; leading zeros are bounded too so that the scan
        // for ';' stays local.
        const int limit = std::min(m_n, p + 32);
        int semi = p + 1;
        while (semi < limit && m_t[semi] != ';' && m_t[semi] != '&' && m_t[semi] != '<')
            ++semi;
        if (semi < limit && m_t[semi] == ';') {
            const std::string_view name(m_t + p + 1, static_cast<std::size_t>(semi - p - 1));
            static const struct {
                std::string_view name;
                char c;
            } named[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
            for (const auto& n : named) {
                if (name == n.name) {
                    out.push_back(n.c);
                    return semi + 1;
                }
            }
            if (name.size() >= 2 && name[0] == '#') {
                const bool hex = name[1] == 'x';
                const char* first = name.data() + (hex ? 2 : 1);
                const char* last = name.data() + name.size();
                std::uint32_t cp = 0;
                const auto r = std::from_chars(first, last, cp, hex ? 16 : 10);
                const bool valid = first != last && r.ec == std::errc() && r.ptr == last && cp != 0 && cp <= 0x10FFFF
                    && (cp < 0xD800 || cp > 0xDFFF);
                if (valid) {
                    AppendUtf8(cp, out);
                    return semi + 1;
                }
            }
        }
        out.push_back('&');
        return p + 1;
    }

    const char* m_t;
    int m_n;
    int m_commentMissing = INT_MAX;
    int m_cdataMissing = INT_MAX;
    int m_piMissing = INT_MAX;
};

inline std::string_view Trimmed(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsSpace(s[b]))
        ++b;
    while (e > b && IsSpace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// The trimmed character data of an element for the typed getters, read in
// place when it holds no markup or references (the usual case).
inline std::string_view NumberText(const char* text, const Element& e, std::string& scratch)
{
    const std::string_view raw(text + e.begin, static_cast<std::size_t>(e.end - e.begin));
    if (!HasMarkup(raw))
        return Trimmed(raw);
    scratch = Scanner(raw.data(), static_cast<int>(raw.size())).Decode();
    return Trimmed(scratch);
}

// A decimal integer as 64 bits; false when the text is not one.
inline bool ParseInteger(std::string_view text, std::int64_t& value)
{
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    if (text.empty() || text[0] == '+')
        return false;
    const char* last = text.data() + text.size();
    const auto r = std::from_chars(text.data(), last, value, 10);
    return r.ec == std::errc() && r.ptr == last;
}

} // namespace ecXmlScan
