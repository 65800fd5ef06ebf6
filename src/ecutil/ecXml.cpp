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

#include "ecutil/ecXmlScanner.h"

namespace {

using ecXmlScan::Element;
using ecXmlScan::IsNameEnd;
using ecXmlScan::NumberText;
using ecXmlScan::ParseInteger;
using ecXmlScan::Scanner;

// Texts up to this size get an index of their start tags on the first
// lookup of a first element: readers look up a handful of fields in each
// small element, and one pass beats a scan per field.
constexpr int kIndexLimit = 1 << 16;

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

    // Characters from the start of the line up to offset, plus one.
    int ColumnAt(int offset) const
    {
        offset = std::clamp(offset, 0, length);
        int start = offset;
        while (start > 0 && text[start - 1] != '\n')
            --start;
        int column = 1;
        for (int i = start; i < offset; ++i)
            if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
                ++column;
        return column;
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

bool ecXml::HasDiagnostics() const { return m_reporter != nullptr; }

void ecXml::Report(const std::string& tag, int begin, std::string_view text, const char* problem) const
{
    ecReadDiagnostic d;
    d.line = m_reporter->LineAt(m_iOrigin + begin);
    d.column = m_reporter->ColumnAt(m_iOrigin + begin);
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

std::string_view ecXml::View() const
{
    return m_pText && m_iLength > 0 ? std::string_view(m_pText, static_cast<std::size_t>(m_iLength)) : std::string_view();
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

bool ecXml::WholeNumber(const std::string& tag, std::int64_t& value, std::int64_t low, std::int64_t high,
                        const char* tooLarge)
{
    Element e;
    if (!First(tag, e.begin, e.end, e.after))
        return false;
    std::string scratch;
    const std::string_view text = NumberText(m_pText, e, scratch);
    if (!ParseInteger(text, value)) {
        if (m_reporter && !text.empty())
            Report(tag, e.begin, text, kNotWhole);
        return false;
    }
    if (m_reporter && (value < low || value > high))
        Report(tag, e.begin, text, tooLarge);
    return true;
}

int ecXml::GetInt(const std::string& tag)
{
    std::int64_t value = 0;
    if (!WholeNumber(tag, value, INT_MIN, INT_MAX, "does not fit a 32-bit integer"))
        return 0;
    // Unsigned fields are written as unsigned decimals: keep the low 32 bits
    // so that they come back as the same bit pattern.
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

unsigned int ecXml::GetUnsigned(const std::string& tag)
{
    // Signed writings of a word are taken as its bit pattern.
    std::int64_t value = 0;
    if (!WholeNumber(tag, value, INT_MIN, static_cast<std::int64_t>(UINT_MAX), "does not fit a 32-bit word"))
        return 0;
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
