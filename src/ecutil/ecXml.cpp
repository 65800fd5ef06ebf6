#include "ecutil/ecXml.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <ostream>
#include <string_view>
#include <system_error>

namespace {

// Where an element sits in a text: its content is [begin, end) and the text
// after the element starts at after.
struct Element {
    int begin = 0;
    int end = 0;
    int after = 0;
};

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsNameEnd(char c)
{
    // Name characters are mostly letters: one test settles them.
    if (static_cast<unsigned char>(c) > ' ')
        return c == '>' || c == '/' || c == '<';
    return IsSpace(c);
}

// Whether character data needs decoding at all.
bool HasMarkup(std::string_view s)
{
    for (const char c : s)
        if (c == '<' || c == '&')
            return true;
    return false;
}

// Texts up to this size get an index of their start tags on the first
// lookup of a first element: readers look up a handful of fields in each
// small element, and one pass beats a scan per field.
constexpr int kIndexLimit = 1 << 16;

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

std::string_view Trimmed(std::string_view s)
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
std::string_view NumberText(const char* text, const Element& e, std::string& scratch)
{
    const std::string_view raw(text + e.begin, static_cast<std::size_t>(e.end - e.begin));
    if (!HasMarkup(raw))
        return Trimmed(raw);
    scratch = Scanner(raw.data(), static_cast<int>(raw.size())).Decode();
    return Trimmed(scratch);
}

// A decimal integer as 64 bits; false when the text is not one.
bool ParseInteger(std::string_view text, std::int64_t& value)
{
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    if (text.empty() || text[0] == '+')
        return false;
    const char* last = text.data() + text.size();
    const auto r = std::from_chars(text.data(), last, value, 10);
    return r.ec == std::errc() && r.ptr == last;
}

} // namespace

// Owns (or shares) the text whose lines it counts, so that a record can be
// placed however long the readers reporting to it live.
struct ecXml::Reporter {
    std::vector<ecReadDiagnostic>* sink = nullptr;
    std::shared_ptr<char[]> keep;
    const char* text = nullptr;
    int length = 0;
    // Lines are counted forward from the last offset asked about: readers
    // mostly report in text order.
    int countedTo = 0;
    int line = 1;

    int LineAt(int offset)
    {
        offset = std::clamp(offset, 0, length);
        if (offset < countedTo) {
            countedTo = 0;
            line = 1;
        }
        for (const char* p = text + countedTo; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(text + offset - p))));) {
            ++line;
            ++p;
        }
        countedTo = offset;
        return line;
    }
};

void ecXml::SetDiagnostics(std::vector<ecReadDiagnostic>* sink)
{
    if (!sink) {
        m_reporter.reset();
        return;
    }
    auto reporter = std::make_shared<Reporter>();
    reporter->sink = sink;
    reporter->length = m_pText && m_iLength > 0 ? m_iLength : 0;
    if (m_owned) {
        reporter->keep = m_owned;
        reporter->text = m_pText;
    } else {
        // A view may go away before the last record: keep a copy.
        reporter->keep.reset(new char[static_cast<std::size_t>(reporter->length) + 1]);
        if (reporter->length)
            std::memcpy(reporter->keep.get(), m_pText, static_cast<std::size_t>(reporter->length));
        reporter->text = reporter->keep.get();
    }
    m_reporter = std::move(reporter);
    m_iOrigin = 0;
}

void ecXml::Report(const std::string& tag, int begin, std::string_view text, const char* problem) const
{
    ecReadDiagnostic d;
    d.line = m_reporter->LineAt(m_iOrigin + begin);
    d.element = tag;
    d.text = std::string(text);
    d.problem = problem;
    m_reporter->sink->push_back(std::move(d));
}

ecXml::ecXml() = default;

ecXml::~ecXml() { Free(); }

ecXml::ecXml(const ecXml& other) { NewCopy(other); }

ecXml::ecXml(ecXml&& other) noexcept { *this = std::move(other); }

ecXml& ecXml::operator=(const ecXml& other)
{
    if (this != &other)
        NewCopy(other);
    return *this;
}

ecXml& ecXml::operator=(ecXml&& other) noexcept
{
    if (this == &other)
        return *this;
    m_owned = std::move(other.m_owned);
    m_iOwnedLength = other.m_iOwnedLength;
    m_pText = other.m_pText;
    m_iCursor = other.m_iCursor;
    m_iLength = other.m_iLength;
    m_bFlag1 = other.m_bFlag1;
    m_bFullFledged = other.m_bFullFledged;
    m_cursors = std::move(other.m_cursors);
    m_index = std::move(other.m_index);
    m_bIndexed = other.m_bIndexed;
    m_reporter = std::move(other.m_reporter);
    m_iOrigin = other.m_iOrigin;
    other.Forget();
    other.m_iOwnedLength = 0;
    other.m_pText = nullptr;
    other.m_iCursor = 0;
    other.m_iLength = 0;
    other.m_cursors.clear();
    return *this;
}

void ecXml::Adopt(const char* text, std::size_t length)
{
    if (length >= static_cast<std::size_t>(INT_MAX)) {
        Free();
        return;
    }
    AdoptKeepingPositions(text, length);
    Reset();
}

void ecXml::AdoptKeepingPositions(const char* text, std::size_t length)
{
    // Copy before releasing: the text may be this object's own.
    std::shared_ptr<char[]> copy(new char[length + 1]);
    if (length)
        std::memcpy(copy.get(), text, length);
    copy[length] = '\0';
    m_owned = std::move(copy);
    m_iOwnedLength = static_cast<int>(length);
    Forget();
    m_pText = m_owned.get();
    m_iLength = static_cast<int>(length);
}

bool ecXml::Read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    m_reporter.reset();
    // Refuse oversized files before reading them, where the size is known.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size >= static_cast<std::streamoff>(INT_MAX))
        return false;
    in.clear();
    in.seekg(0, std::ios::beg);
    if (size > 0) {
        // The usual case: read straight into the buffer.
        const std::size_t expected = static_cast<std::size_t>(size);
        std::shared_ptr<char[]> buffer(new char[expected + 1]);
        in.read(buffer.get(), size);
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        if (in.bad())
            return false;
        if (got < expected || in.peek() == std::char_traits<char>::eof()) {
            buffer[got] = '\0';
            Free();
            m_owned = std::move(buffer);
            m_iOwnedLength = static_cast<int>(got);
            m_pText = m_owned.get();
            m_iLength = m_iOwnedLength;
            return true;
        }
        // The file grew meanwhile: read it again in pieces.
        in.clear();
        in.seekg(0, std::ios::beg);
    }
    // Pieces: the size may be unknown (pipes) or stale.
    std::string text;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        text.append(piece, static_cast<std::size_t>(in.gcount()));
        if (text.size() >= static_cast<std::size_t>(INT_MAX))
            return false;
    }
    if (in.bad())
        return false;
    Adopt(text.data(), text.size());
    return true;
}

void ecXml::SetText(const std::string& text)
{
    m_reporter.reset();
    Adopt(text.data(), text.size());
}

std::string ecXml::GetText() const
{
    return m_pText && m_iLength > 0 ? std::string(m_pText, static_cast<std::size_t>(m_iLength)) : std::string();
}

bool ecXml::First(const std::string& tag, int& begin, int& end, int& after)
{
    Element e;
    bool found = false;
    // Only owned text is indexed: a view may change under the reader.
    const bool plainName = !tag.empty() && std::none_of(tag.begin(), tag.end(), IsNameEnd);
    if (m_owned && plainName && m_iLength <= kIndexLimit) {
        Scanner scanner(m_pText, m_iLength);
        if (!m_bIndexed) {
            m_index.clear();
            m_index.reserve(16);
            scanner.Index(m_index);
            m_bIndexed = true;
        }
        const std::size_t size = tag.size();
        for (const TagAt& t : m_index) {
            if (static_cast<std::size_t>(t.nameEnd - t.at - 1) == size && std::memcmp(m_pText + t.at + 1, tag.data(), size) == 0) {
                found = scanner.ElementAt(t, tag, e);
                break;
            }
        }
    } else {
        found = Scanner(m_pText, m_iLength).Find(0, tag, e);
    }
    if (found) {
        begin = e.begin;
        end = e.end;
        after = e.after;
    }
    return found;
}

void ecXml::Forget()
{
    m_index.clear();
    m_bIndexed = false;
}

int ecXml::Position(const std::string& tag) const
{
    for (const auto& c : m_cursors)
        if (c.first == tag)
            return c.second;
    return 0;
}

void ecXml::MoveTo(const std::string& tag, int position)
{
    m_iCursor = position;
    for (auto& c : m_cursors) {
        if (c.first == tag) {
            c.second = position;
            return;
        }
    }
    if (m_cursors.empty())
        m_cursors.reserve(8);
    m_cursors.emplace_back(tag, position);
}

ecXml ecXml::Sub(const std::string& tag)
{
    ecXml sub;
    Element e;
    if (!Scanner(m_pText, m_iLength).Find(Position(tag), tag, e))
        return sub;
    MoveTo(tag, e.after);
    const int length = e.end - e.begin;
    if (length <= 0)
        return sub;
    // Share the buffer when the element is most of it (a document's root);
    // copy smaller elements, so a kept element never pins a much larger text.
    if (m_owned && length >= m_iOwnedLength / 2) {
        sub.m_owned = m_owned;
        sub.m_iOwnedLength = m_iOwnedLength;
        sub.m_pText = m_pText + e.begin;
        sub.m_iLength = length;
    } else {
        sub.Adopt(m_pText + e.begin, static_cast<std::size_t>(length));
    }
    if (m_reporter) {
        sub.m_reporter = m_reporter;
        sub.m_iOrigin = m_iOrigin + e.begin;
    }
    return sub;
}

std::string ecXml::CharacterData(const std::string& tag)
{
    Element e;
    if (!First(tag, e.begin, e.end, e.after))
        return std::string();
    MoveTo(tag, e.after);
    return Scanner(m_pText + e.begin, e.end - e.begin).Decode();
}

std::string ecXml::CharacterData(char* text, const std::string& tag)
{
    if (text == m_pText)
        return CharacterData(tag);
    if (!text)
        return std::string();
    // Foreign text: searched up to this object's length or its own end,
    // whichever comes first; this object's positions stay as they are.
    const std::size_t limit = static_cast<std::size_t>(m_iLength > 0 ? m_iLength : 0);
    const void* zero = std::memchr(text, '\0', limit);
    const int length = static_cast<int>(zero ? static_cast<const char*>(zero) - text : static_cast<std::ptrdiff_t>(limit));
    Element e;
    if (!Scanner(text, length).Find(0, tag, e))
        return std::string();
    return Scanner(text + e.begin, e.end - e.begin).Decode();
}

std::string ecXml::CharacterDataNext(const std::string& tag)
{
    Element e;
    if (!Scanner(m_pText, m_iLength).Find(Position(tag), tag, e))
        return std::string();
    MoveTo(tag, e.after);
    return Scanner(m_pText + e.begin, e.end - e.begin).Decode();
}

bool ecXml::TagExists(const std::string& tag)
{
    Element e;
    return First(tag, e.begin, e.end, e.after);
}

namespace {

const char* const kNotWhole = "is not a whole number";

} // namespace

int ecXml::GetInt(const std::string& tag)
{
    Element e;
    if (!First(tag, e.begin, e.end, e.after))
        return 0;
    std::string scratch;
    const std::string_view text = NumberText(m_pText, e, scratch);
    std::int64_t value = 0;
    if (!ParseInteger(text, value)) {
        if (m_reporter && !text.empty())
            Report(tag, e.begin, text, kNotWhole);
        return 0;
    }
    if (m_reporter && (value < INT_MIN || value > INT_MAX))
        Report(tag, e.begin, text, "does not fit a 32-bit integer");
    // Unsigned fields are written as unsigned decimals: keep the low 32 bits
    // so that they come back as the same bit pattern.
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

unsigned int ecXml::GetUnsigned(const std::string& tag)
{
    Element e;
    if (!First(tag, e.begin, e.end, e.after))
        return 0;
    std::string scratch;
    const std::string_view text = NumberText(m_pText, e, scratch);
    std::int64_t value = 0;
    if (!ParseInteger(text, value)) {
        if (m_reporter && !text.empty())
            Report(tag, e.begin, text, kNotWhole);
        return 0;
    }
    // Signed writings of a word are taken as its bit pattern.
    if (m_reporter && (value < INT_MIN || value > static_cast<std::int64_t>(UINT_MAX)))
        Report(tag, e.begin, text, "does not fit a 32-bit word");
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
}

float ecXml::GetFloat(const std::string& tag)
{
    Element e;
    if (!First(tag, e.begin, e.end, e.after))
        return 0.0f;
    std::string scratch;
    const std::string_view written = NumberText(m_pText, e, scratch);
    std::string_view text = written;
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    const char* problem = nullptr;
    float value = 0.0f;
    if (text.empty() || text[0] == '+') {
        problem = "is not a number";
    } else {
        const char* last = text.data() + text.size();
        const auto r = std::from_chars(text.data(), last, value);
        // Out of float range counts as malformed.
        if (r.ptr != last || r.ec != std::errc()) {
            problem = r.ec == std::errc::result_out_of_range && r.ptr == last ? "is out of the range of a 32-bit float"
                                                                              : "is not a number";
            value = 0.0f;
        } else if (!std::isfinite(value)) {
            problem = "is not finite";
        }
    }
    if (problem && m_reporter && !written.empty())
        Report(tag, e.begin, written, problem);
    return value;
}

bool ecXml::GetBool(const std::string& tag)
{
    Element e;
    if (!First(tag, e.begin, e.end, e.after))
        return false;
    std::string scratch;
    const std::string_view text = NumberText(m_pText, e, scratch);
    if (text.size() == 4 || text.size() == 5) {
        std::string lower(text);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (lower == "true")
            return true;
        if (lower == "false")
            return false;
    }
    std::int64_t value = 0;
    if (ParseInteger(text, value))
        return value != 0;
    if (m_reporter && !text.empty())
        Report(tag, e.begin, text, "is not true, false or a whole number");
    return false;
}

bool ecXml::GetBeginEnd(int& begin, int& end, const std::string& tag)
{
    Element e;
    if (!Scanner(m_pText, m_iLength).Find(Position(tag), tag, e))
        return false;
    begin = e.begin;
    end = e.end;
    return true;
}

void ecXml::Free()
{
    m_reporter.reset();
    m_owned.reset();
    m_iOwnedLength = 0;
    Forget();
    m_pText = nullptr;
    m_iLength = 0;
    Reset();
}

bool ecXml::IsEmpty() const { return !m_pText || m_iLength <= 0; }

void ecXml::Reset()
{
    m_iCursor = 0;
    m_cursors.clear();
}

void ecXml::Write(std::ostream& out)
{
    if (!IsEmpty())
        out.write(m_pText, m_iLength);
}

void ecXml::NewCopy(const ecXml& other)
{
    if (this == &other)
        return;
    // Copy first: other may be a view of this object's own text.
    std::vector<std::pair<std::string, int>> cursors = other.m_cursors;
    if (other.m_owned) {
        Forget();
        m_owned = other.m_owned;
        m_iOwnedLength = other.m_iOwnedLength;
        m_pText = other.m_pText;
        m_iLength = other.m_iLength;
    } else if (other.IsEmpty()) {
        Free();
    } else {
        Adopt(other.m_pText, static_cast<std::size_t>(other.m_iLength));
    }
    m_cursors = std::move(cursors);
    m_reporter = other.m_reporter;
    m_iOrigin = other.m_iOrigin;
    m_iCursor = other.m_iCursor;
    m_bFlag1 = other.m_bFlag1;
    m_bFullFledged = other.m_bFullFledged;
}

void ecXml::SetTextPtr(char* text)
{
    // A pointer into the own buffer keeps the buffer owned: releasing it
    // would leave the pointer dangling.
    if (text && m_owned) {
        char* const first = m_owned.get();
        char* const last = first + m_iOwnedLength;
        if (std::less_equal<const char*>()(first, text) && std::less_equal<const char*>()(text, last)) {
            if (text != m_pText) {
                const char* zero = static_cast<const char*>(std::memchr(text, '\0', static_cast<std::size_t>(last - text)));
                m_iLength = static_cast<int>((zero ? zero : last) - text);
                m_pText = text;
            }
            m_reporter.reset();
            Forget();
            Reset();
            return;
        }
    }
    Free();
    m_pText = text;
    if (text) {
        const std::size_t length = std::strlen(text);
        m_iLength = length < static_cast<std::size_t>(INT_MAX) ? static_cast<int>(length) : 0;
    }
}

char* ecXml::GetTextPtr()
{
    if (!m_owned)
        return m_pText;
    if (m_owned.use_count() > 1)
        AdoptKeepingPositions(m_pText, static_cast<std::size_t>(m_iLength));
    // The caller may write through the pointer.
    Forget();
    // The buffer is this object's alone now, and its slice always has a byte
    // after it (the rest of the parent's text or the spare final byte).
    m_pText[m_iLength] = '\0';
    return m_pText;
}

bool ecXml::IsFullFledged() const { return m_bFullFledged; }

void ecXml::SetFullFledged(bool full) { m_bFullFledged = full; }
