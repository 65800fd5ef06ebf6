// The pre-XML event file: a magic token and a header of three integers,
// then records of whitespace-separated numbers, in samples (format 4) or in
// seconds.
#include "ecevents/events/ecEventList.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <charconv>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "ecevents/events/ecEventLoader.h"
#include "ecevents/events/ecFilePtr.h"

namespace {

// A file taken token by token as "%63s" takes it from a stream: whitespace
// is the C locale's, a zero byte is part of a token, and a token counts as
// read only when whitespace or the end of the file follows its 63rd
// character (that character is taken too, as fgetc would). Scanning a
// buffer of the file is many times faster than scanning the stream.
class Tokens {
public:
    explicit Tokens(std::FILE* f) : m_file(f), m_buffer(4096) {}

    // A larger buffer once the header says the file is worth reading.
    void Grow(std::size_t size)
    {
        if (size > m_buffer.size())
            m_buffer.resize(size);
    }

    // The next token, zero-terminated as the stream would leave it.
    bool Next(char (&token)[64])
    {
        for (;;) {
            while (m_at < m_end && IsSpace(m_buffer[m_at]))
                ++m_at;
            if (m_at < m_end)
                break;
            if (!Fill())
                return false;
        }
        // The token and the character after it are in the buffer whole.
        if (m_end - m_at <= 64)
            Fill();
        const char* t = m_buffer.data();
        const std::size_t begin = m_at;
        std::size_t p = begin;
        while (p < m_end && p - begin < 63 && !IsSpace(t[p]))
            ++p;
        std::memcpy(token, t + begin, p - begin);
        token[p - begin] = '\0';
        if (p == m_end) {
            m_at = p;
            return true;
        }
        m_at = p + 1;
        return IsSpace(t[p]);
    }

    // Where in the file the next token is looked for.
    long Offset() const { return static_cast<long>(m_base + m_at); }

private:
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

    // Moves what is left to the front and reads more; false when nothing
    // more came.
    bool Fill()
    {
        if (m_eof)
            return false;
        std::memmove(m_buffer.data(), m_buffer.data() + m_at, m_end - m_at);
        m_base += m_at;
        m_end -= m_at;
        m_at = 0;
        const std::size_t got = std::fread(m_buffer.data() + m_end, 1, m_buffer.size() - m_end, m_file);
        m_end += got;
        if (got == 0)
            m_eof = true;
        return got > 0;
    }

    std::FILE* m_file;
    std::vector<char> m_buffer;
    std::size_t m_at = 0;
    std::size_t m_end = 0;
    std::size_t m_base = 0;
    bool m_eof = false;
};

bool ReadToken(Tokens& f, char (&token)[64]) { return f.Next(token); }

// strtoll's base-10 reading of a whole token (a zero byte ends it), without
// its locale and errno.
bool ParseLong(const char* token, long long& value)
{
    const char* first = token;
    const char* last = token + std::strlen(token);
    if (first != last && *first == '+')
        ++first;
    if (first == last || *first == '+' || (*first == '-' && (first + 1 == last || first[1] == '+' || first[1] == '-')))
        return false;
    const auto r = std::from_chars(first, last, value, 10);
    return r.ec == std::errc() && r.ptr == last;
}

bool ReadLong(Tokens& f, long long low, long long high, long long& value)
{
    char token[64];
    if (!ReadToken(f, token))
        return false;
    long long parsed = 0;
    if (!ParseLong(token, parsed) || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ReadInt(Tokens& f, int& value)
{
    long long parsed = 0;
    if (!ReadLong(f, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), parsed))
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// A status word: decimal, signed or unsigned 32-bit.
bool ReadStatus(Tokens& f, unsigned int& value)
{
    long long parsed = 0;
    if (!ReadLong(f, std::numeric_limits<int>::min(), std::numeric_limits<unsigned int>::max(), parsed))
        return false;
    value = static_cast<unsigned int>(parsed);
    return true;
}

bool ReadFloat(Tokens& f, float& value)
{
    char token[64];
    if (!ReadToken(f, token))
        return false;
    char* end = nullptr;
    const float parsed = std::strtof(token, &end);
    if (end == token || *end != '\0')
        return false;
    value = parsed;
    return true;
}

bool ReadSampleRecord(Tokens& f, ecEvent& e)
{
    char name[64];
    if (!ReadToken(f, name) || !ReadInt(f, e.m_iStart) || !ReadInt(f, e.m_iStop) || !ReadStatus(f, e.m_nStatus))
        return false;
    e.m_sName = name;
    return true;
}

bool ReadTimeRecord(Tokens& f, float rate, ecEvent& e)
{
    float seconds = 0.0f;
    char name[64];
    if (!ReadFloat(f, seconds) || !ReadToken(f, name))
        return false;
    // Time records truncate: no rounding here. A time beyond the sample
    // range cannot be placed and counts as unreadable.
    const double sample = std::trunc(static_cast<double>(seconds) * static_cast<double>(rate));
    if (!(sample >= static_cast<double>(std::numeric_limits<int>::min()) &&
          sample <= static_cast<double>(std::numeric_limits<int>::max())))
        return false;
    e.m_sName = name;
    e.m_iStart = static_cast<int>(sample);
    e.m_iStop = e.m_iStart;
    e.m_nStatus = 2;
    return true;
}

// Records where a pre-XML file stopped being read, when anything but blank
// space follows: the line and text of the record at offset at that could
// not be read.
void NoteStop(std::FILE* f, long at, std::vector<ecReadDiagnostic>& out)
{
    if (at < 0 || std::fseek(f, 0, SEEK_SET) != 0)
        return;
    int line = 1;
    int c = 0;
    for (long pos = 0; pos < at && (c = std::fgetc(f)) != EOF; ++pos)
        line += c == '\n';
    while ((c = std::fgetc(f)) != EOF && std::isspace(c))
        line += c == '\n';
    if (c == EOF)
        return;
    ecReadDiagnostic d;
    d.line = line;
    for (; c != EOF && c != '\n' && c != '\r'; c = std::fgetc(f)) {
        if (d.text.size() == 60) {
            d.text += "...";
            break;
        }
        d.text += static_cast<char>(c);
    }
    while (!d.text.empty() && std::isspace(static_cast<unsigned char>(d.text.back())))
        d.text.pop_back();
    d.problem = "is not a readable event record: reading stopped here, though the file goes on";
    out.push_back(std::move(d));
}

} // namespace

bool ecEventList::ReadEventFilePreXml(const char* file, bool merge)
{
    if (!file)
        return false;
    ecFilePtr f(std::fopen(file, "r"));
    if (!f)
        return false;
    Tokens tokens(f.get());
    char magic[64];
    int format = 0;
    int ignored = 0;
    if (!ReadToken(tokens, magic) || !ReadInt(tokens, format) || !ReadInt(tokens, ignored) ||
        !ReadInt(tokens, ignored) || std::strcmp(magic, "4b4f5641") != 0)
        return false;
    tokens.Grow(1 << 20);

    const bool mergeProper = merge && !empty();
    if (!merge)
        ClearForRead();
    // Room for the records up front, as for documents: a record takes at
    // least eight characters, mostly twenty or more.
    std::error_code failed;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, failed);
    if (!failed && fileSize / 20 < max_size() - size())
        reserve(size() + static_cast<std::size_t>(fileSize / 20));
    ecEventLoader loader(*this, mergeProper);
    int records = 0;
    long recordAt = 0;
    for (;;) {
        recordAt = tokens.Offset();
        ecEvent e;
        e.m_nColor = 0xFFFF;
        const bool read = format == 4 ? ReadSampleRecord(tokens, e) : ReadTimeRecord(tokens, m_fSamplingRate, e);
        if (!read)
            break;
        loader.Enter(std::move(e));
        ++records;
    }
    if (m_pReadDiagnostics)
        NoteStop(f.get(), recordAt, *m_pReadDiagnostics);
    f.reset();
    if (mergeProper)
        SetDirty(true);
    return records > 0;
}
