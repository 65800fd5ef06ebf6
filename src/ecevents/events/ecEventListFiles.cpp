#include "ecevents/events/ecEventList.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ecevents/events/ecEventLoader.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// One whitespace-separated token of at most 63 characters. A longer token
// counts as unreadable, so the record holding it ends the reading.
bool ReadToken(std::FILE* f, char (&token)[64])
{
    if (std::fscanf(f, "%63s", token) != 1)
        return false;
    const int next = std::fgetc(f);
    if (next == EOF)
        return true;
    return std::isspace(next) != 0;
}

bool ReadLong(std::FILE* f, long long low, long long high, long long& value)
{
    char token[64];
    if (!ReadToken(f, token))
        return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(token, &end, 10);
    if (end == token || *end != '\0' || errno == ERANGE || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ReadInt(std::FILE* f, int& value)
{
    long long parsed = 0;
    if (!ReadLong(f, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), parsed))
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// A status word: decimal, signed or unsigned 32-bit.
bool ReadStatus(std::FILE* f, unsigned int& value)
{
    long long parsed = 0;
    if (!ReadLong(f, std::numeric_limits<int>::min(), std::numeric_limits<unsigned int>::max(), parsed))
        return false;
    value = static_cast<unsigned int>(parsed);
    return true;
}

bool ReadFloat(std::FILE* f, float& value)
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

bool ReadSampleRecord(std::FILE* f, ecEvent& e)
{
    char name[64];
    if (!ReadToken(f, name) || !ReadInt(f, e.m_iStart) || !ReadInt(f, e.m_iStop) || !ReadStatus(f, e.m_nStatus))
        return false;
    e.m_sName = name;
    return true;
}

bool ReadTimeRecord(std::FILE* f, float rate, ecEvent& e)
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

// The writer puts one line break after <Annotation>; it is not part of the text.
void DropLeadingLineBreak(std::string& text)
{
    if (text.compare(0, 2, "\r\n") == 0)
        text.erase(0, 2);
    else if (!text.empty() && text[0] == '\n')
        text.erase(0, 1);
}


// The document layout that WriteXml produces, read straight from the text.
// Anything else (other whitespace, markup or references in a text, a
// number the general reader would read differently, a stimulus delay)
// makes the parser give up, and the general reader reads the document.
// With strict set (diagnostics wanted), a number that the general reader
// would report makes the parser give up too, so that it gets reported.
class WriterLayout {
public:
    WriterLayout(const char* begin, const char* end, bool strict = false) : m_p(begin), m_end(end), m_strict(strict) {}

    bool AtEnd() const { return m_p == m_end; }

    // Constant lengths let the compiler compare inline.
    template <std::size_t N>
    bool Literal(const char (&s)[N])
    {
        if (static_cast<std::size_t>(m_end - m_p) < N - 1 || std::memcmp(m_p, s, N - 1) != 0)
            return false;
        m_p += N - 1;
        return true;
    }

    void SkipLineBreaks()
    {
        while (m_p != m_end && *m_p == '\n')
            ++m_p;
    }

    // Character data up to the next '<', taken verbatim; refused when it
    // holds what a reader may decode or normalise.
    bool Text(std::string& out)
    {
        const char* start = m_p;
        while (m_p != m_end && *m_p != '<') {
            const char c = *m_p;
            if (c == '&' || c == '>' || c == '\r' || c == '\0')
                return false;
            ++m_p;
        }
        out.assign(start, m_p);
        return m_p != m_end;
    }

    // word: an unsigned field, which takes signed writings of its bits too.
    template <std::size_t N1, std::size_t N2>
    bool IntElement(const char (&open)[N1], const char (&close)[N2], int& value, bool word = false)
    {
        if (!Literal(open))
            return false;
        const char* start = m_p;
        const char* stop = Until('<');
        std::int64_t parsed = 0;
        const auto r = std::from_chars(start, stop, parsed, 10);
        if (r.ec != std::errc() || r.ptr != stop || start == stop)
            return false;
        if (m_strict && (parsed < std::numeric_limits<int>::min() ||
                         parsed > (word ? static_cast<std::int64_t>(std::numeric_limits<unsigned int>::max())
                                        : std::numeric_limits<int>::max())))
            return false;
        // Unsigned words come back as their 32-bit pattern.
        value = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(parsed)));
        return Literal(close);
    }

    template <std::size_t N1, std::size_t N2>
    bool FloatElement(const char (&open)[N1], const char (&close)[N2], float& value)
    {
        if (!Literal(open))
            return false;
        const char* start = m_p;
        const char* stop = Until('<');
        if (stop - start == 1 && *start == '0') {
            value = 0.0f; // most values are zero
            return Literal(close);
        }
        const auto r = std::from_chars(start, stop, value);
        if (r.ec != std::errc() || r.ptr != stop || start == stop)
            return false;
        if (m_strict && !std::isfinite(value))
            return false;
        return Literal(close);
    }

    bool Event(ecEvent& e)
    {
        int status = 0;
        int color = 0;
        if (!Literal("<Event><Name>") || !Text(e.m_sName) || !Literal("</Name>") ||
            !IntElement("<Start>", "</Start>", e.m_iStart) || !IntElement("<Stop>", "</Stop>", e.m_iStop) ||
            !IntElement("<Status>", "</Status>", status, true) || !IntElement("<Color>", "</Color>", color, true) ||
            !IntElement("<Attribute>", "</Attribute>", e.m_iAttribute) ||
            !FloatElement("<TimeStart>", "</TimeStart>", e.m_fTimeStart) ||
            !FloatElement("<TimeStop>", "</TimeStop>", e.m_fTimeStop) ||
            !FloatElement("<FreqStart>", "</FreqStart>", e.m_fFreqStart) ||
            !FloatElement("<FreqStop>", "</FreqStop>", e.m_fFreqStop) ||
            !FloatElement("<FWHM_Time>", "</FWHM_Time>", e.m_fFWHMTime) ||
            !FloatElement("<FWHM_Freq>", "</FWHM_Freq>", e.m_fFWHMFreq))
            return false;
        e.m_nStatus = static_cast<unsigned int>(status);
        e.m_nColor = static_cast<unsigned int>(color);
        bool ended = false; // an empty tag ends the tags
        std::string tag;
        while (Literal("<AttribTag>")) {
            if (!Text(tag) || !Literal("</AttribTag>"))
                return false;
            if (tag.empty())
                ended = true;
            else if (!ended)
                e.m_vTags.push_back(tag);
        }
        return Literal("</Event>");
    }

private:
    const char* Until(char c)
    {
        const void* found = std::memchr(m_p, c, static_cast<std::size_t>(m_end - m_p));
        m_p = found ? static_cast<const char*>(found) : m_end;
        return m_p;
    }

    const char* m_p;
    const char* m_end;
    bool m_strict;
};

// A file taken line by line through one reused buffer, so that a large
// document never has to be held in memory whole.
class LineSource {
public:
    // The buffer starts at the file's size, up to a limit: most event files
    // are small, and a line longer than the buffer makes it grow.
    LineSource(std::FILE* f, std::uintmax_t fileSize)
        : m_file(f), m_buffer(static_cast<std::size_t>(std::clamp<std::uintmax_t>(fileSize + 1, 4096, 1 << 20)))
    {
    }

    // The next line without its line break; newline tells whether one
    // followed. false at the end of the file or on a read error.
    bool Next(const char*& begin, const char*& end, bool& newline)
    {
        for (;;) {
            char* const data = m_buffer.data();
            const void* found = std::memchr(data + m_begin, '\n', m_end - m_begin);
            if (found) {
                begin = data + m_begin;
                end = static_cast<const char*>(found);
                m_begin = static_cast<std::size_t>(end - data) + 1;
                newline = true;
                return true;
            }
            if (m_eof) {
                if (m_begin == m_end)
                    return false;
                begin = data + m_begin;
                end = data + m_end;
                m_begin = m_end;
                newline = false;
                return true;
            }
            std::memmove(data, data + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
            if (m_end == m_buffer.size())
                m_buffer.resize(m_buffer.size() * 2);
            const std::size_t got = std::fread(m_buffer.data() + m_end, 1, m_buffer.size() - m_end, m_file);
            m_end += got;
            if (got == 0) {
                if (std::ferror(m_file))
                    return false;
                m_eof = true;
            }
        }
    }

private:
    std::FILE* m_file;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
};

bool LineIs(const char* begin, const char* end, const char* text)
{
    const std::size_t n = std::strlen(text);
    return static_cast<std::size_t>(end - begin) == n && std::memcmp(begin, text, n) == 0;
}

// Appends the annotation lines that follow "<Annotation>" up to and with
// "</Annotation>"; false when they are not in the writer's layout.
bool ReadAnnotation(LineSource& lines, const char* begin, const char* end, std::string& annotation)
{
    static const char kClose[] = "</Annotation>";
    const std::size_t closeSize = sizeof kClose - 1;
    for (;;) {
        const void* open = std::memchr(begin, '<', static_cast<std::size_t>(end - begin));
        const char* textEnd = open ? static_cast<const char*>(open) : end;
        std::string piece;
        WriterLayout text(begin, textEnd);
        text.Text(piece);
        if (!text.AtEnd())
            return false;
        annotation += piece;
        if (open)
            return static_cast<std::size_t>(end - textEnd) == closeSize && std::memcmp(textEnd, kClose, closeSize) == 0;
        bool newline = false;
        annotation += '\n';
        if (!lines.Next(begin, end, newline) || !newline)
            return false;
    }
}
} // namespace

bool ecEventList::ReadWriterDocument(const char* file, bool merge, bool& handled)
{
    handled = false;
    // The general reader refuses files too large for a 32-bit length.
    std::error_code failed;
    const std::uintmax_t size = std::filesystem::file_size(file, failed);
    if (failed || size >= static_cast<std::uintmax_t>(std::numeric_limits<int>::max()))
        return false;
    FilePtr f(std::fopen(file, "rb"));
    if (!f)
        return false;
    LineSource lines(f.get(), size);
    const char* begin = nullptr;
    const char* end = nullptr;
    bool newline = false;
    if (!lines.Next(begin, end, newline) || !newline || !LineIs(begin, end, "<KOVA_Event_List>"))
        return false;

    std::string annotation;
    bool hasAnnotation = false;
    std::vector<ecEvent> events;
    events.reserve(static_cast<std::size_t>(size) / 200);
    for (bool first = true;; first = false) {
        if (!lines.Next(begin, end, newline) || !newline)
            return false;
        if (LineIs(begin, end, "</KOVA_Event_List>"))
            break;
        static const char kAnnotation[] = "<Annotation>";
        const std::size_t annotationSize = sizeof kAnnotation - 1;
        if (first && static_cast<std::size_t>(end - begin) >= annotationSize &&
            std::memcmp(begin, kAnnotation, annotationSize) == 0) {
            hasAnnotation = true;
            if (!ReadAnnotation(lines, begin + annotationSize, end, annotation))
                return false;
            continue;
        }
        events.emplace_back();
        ecEvent& e = events.back();
        WriterLayout layout(begin, end, m_pReadDiagnostics != nullptr);
        if (!layout.Event(e) || !layout.AtEnd())
            return false;
        if (e.ExclusionLevelNameOnly() >= 0)
            e.SetRejectedOn();
    }
    if (lines.Next(begin, end, newline))
        return false; // something follows the root

    // The whole file is in the writer's layout: from here on the outcome is
    // the general reader's.
    handled = true;
    const bool mergeProper = merge && !empty();
    if (!merge)
        ClearForRead();
    if (hasAnnotation) {
        DropLeadingLineBreak(annotation);
        m_sAnnotation = std::move(annotation);
    }
    if (events.empty())
        return false;
    if (mergeProper) {
        ecEventLoader loader(*this, true);
        for (ecEvent& e : events) {
            loader.RegisterTags(e.m_vTags);
            loader.Enter(std::move(e));
        }
        SetDirty(true);
        return true;
    }
    std::vector<ecEvent>::swap(events);
    ecEventLoader loader(*this, false);
    for (ecEvent& e : *this) {
        e.m_nLoadCount = 1;
        loader.RegisterName(e.m_sName);
        loader.RegisterTags(e.m_vTags);
    }
    SetDirty(false);
    return true;
}

void ecEventList::SetReadDiagnostics(std::vector<ecReadDiagnostic>* sink) { m_pReadDiagnostics = sink; }

std::vector<ecReadDiagnostic>* ecEventList::GetReadDiagnostics() const { return m_pReadDiagnostics; }

bool ecEventList::ReadEventFile(const char* file, bool merge)
{
    if (ReadEventFilePreXml(file, merge))
        return true;
    return ReadEventFileXml(file, merge);
}

bool ecEventList::ReadEventFilePreXml(const char* file, bool merge)
{
    if (!file)
        return false;
    FilePtr f(std::fopen(file, "r"));
    if (!f)
        return false;
    char magic[64];
    int format = 0;
    int ignored = 0;
    if (!ReadToken(f.get(), magic) || !ReadInt(f.get(), format) || !ReadInt(f.get(), ignored) ||
        !ReadInt(f.get(), ignored) || std::strcmp(magic, "4b4f5641") != 0)
        return false;

    const bool mergeProper = merge && !empty();
    if (!merge)
        ClearForRead();
    ecEventLoader loader(*this, mergeProper);
    int records = 0;
    long recordAt = 0;
    for (;;) {
        if (m_pReadDiagnostics)
            recordAt = std::ftell(f.get());
        ecEvent e;
        e.m_nColor = 0xFFFF;
        const bool read = format == 4 ? ReadSampleRecord(f.get(), e) : ReadTimeRecord(f.get(), m_fSamplingRate, e);
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

bool ecEventList::ReadEventFileXml(const char* file, bool merge)
{
    if (!file)
        return false;
    bool handled = false;
    const bool direct = ReadWriterDocument(file, merge, handled);
    if (handled)
        return direct;
    ecXml xml;
    if (!xml.Read(file)) {
        xml.Free();
        return false;
    }
    xml.SetDiagnostics(m_pReadDiagnostics);
    std::error_code failed;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, failed);
    const bool result = ReadXml(xml, merge, failed ? 0 : static_cast<std::size_t>(fileSize));
    xml.Free();
    return result;
}

bool ecEventList::ReadXml(ecXml& xml, bool merge) { return ReadXml(xml, merge, 0); }

bool ecEventList::ReadXml(ecXml& xml, bool merge, std::size_t textSize)
{
    ecXml root = xml.Sub("KOVA_Event_List");
    if (root.IsEmpty()) {
        root.Free();
        return false;
    }
    const bool mergeProper = merge && !empty();
    if (!merge)
        ClearForRead();

    if (root.TagExists("Annotation")) {
        m_sAnnotation = root.CharacterData("Annotation");
        DropLeadingLineBreak(m_sAnnotation);
    }

    bool delayApplied = false;
    int delay = 0;
    if (root.TagExists("StimulusTimingDelay")) {
        const float seconds = root.GetFloat("StimulusTimingDelay");
        if (seconds != 0.0f) {
            if (m_fSamplingRate == 0.0f)
                throw ecError("[ecEventList::ReadXml] Sampling rate has not been set.");
            delay = SecondsToSample(seconds, m_fSamplingRate);
            m_sAnnotation += "StimulusTimimgDelay: ";
            m_sAnnotation += root.CharacterData("StimulusTimingDelay");
            m_sAnnotation += " s APPLIED;\n";
            delayApplied = true;
        }
    }

    // Room for the events up front: they are large, and growing a list of
    // millions of them would move every event again and again. The writer's
    // lines take more than 200 characters, so this rarely falls short;
    // capacity never touched costs no memory.
    reserve(size() + textSize / 200);
    ecEventLoader loader(*this, mergeProper);
    int events = 0;
    for (;;) {
        ecEvent e;
        if (!e.ReadXml(root))
            break;
        ++events;
        const int level = e.ExclusionLevelNameOnly();
        if (delayApplied && e.m_iStart == e.m_iStop && level < 0) {
            // Wraps like the 32-bit sum it stands for, without overflowing.
            e.m_iStart = static_cast<int>(static_cast<unsigned int>(e.m_iStart) + static_cast<unsigned int>(delay));
            e.m_iStop = e.m_iStart;
        }
        if (level >= 0)
            e.SetRejectedOn();
        loader.RegisterTags(e.m_vTags);
        loader.Enter(std::move(e));
    }
    root.Free();
    if (events == 0)
        return false;
    if (mergeProper)
        SetDirty(true);
    else
        SetDirty(delayApplied);
    return true;
}

bool ecEventList::MergeEventFile(const char* /*file*/, bool /*flag*/)
{
    if (m_iEventFileMFR < 0 || m_iEventFileMFR > 3)
        return false;
    SetDirty(true);
    return true;
}

bool ecEventList::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    xml.OpenLine(0, "KOVA_Event_List");
    if (!m_sAnnotation.empty())
        xml.OpenLine(0, "Annotation").Text(m_sAnnotation).CloseLine(0, "Annotation");
    ResetEventList();
    while (ecEvent* e = GetNextEvent(false)) {
        e->WriteXml(out);
        xml.Newline();
    }
    xml.CloseLine(0, "KOVA_Event_List");
    return true;
}

bool ecEventList::Write(const char* file)
{
    if (!file)
        return false;
    SortEventListInTimelyOrder("");
    {
        std::vector<char> buffer(1 << 20);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.open(file, std::ios::out | std::ios::trunc | std::ios::binary);
        if (out)
            WriteXml(out);
    }
    SetDirty(false);
    return true;
}
