// Event list documents: the general reader, and the fast reader of the
// writer's own layout that takes over when a file is in it.
#include "ecevents/events/ecEventList.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>
#include <utility>

#include "ecevents/events/ecEventFields.h"
#include "ecevents/events/ecEventLoader.h"
#include "ecevents/events/ecFilePtr.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

namespace {

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

    bool Literal(std::string_view s)
    {
        if (static_cast<std::size_t>(m_end - m_p) < s.size() || std::memcmp(m_p, s.data(), s.size()) != 0)
            return false;
        m_p += s.size();
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
    bool Int(int& value, bool word)
    {
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
        return true;
    }

    bool Float(float& value)
    {
        const char* start = m_p;
        const char* stop = Until('<');
        if (stop - start == 1 && *start == '0') {
            value = 0.0f; // most values are zero
            return true;
        }
        const auto r = std::from_chars(start, stop, value);
        if (r.ec != std::errc() || r.ptr != stop || start == stop)
            return false;
        return !m_strict || std::isfinite(value);
    }

    bool Value(ecEvent& e, const ecEventField& f)
    {
        switch (f.kind) {
        case ecEventField::Kind::Text: return Text(e.*f.text);
        case ecEventField::Kind::Int: return Int(e.*f.integer, false);
        case ecEventField::Kind::Word:
        case ecEventField::Kind::SignedWord: {
            int bits = 0;
            const bool read = Int(bits, true);
            e.*f.word = static_cast<unsigned int>(bits);
            return read;
        }
        case ecEventField::Kind::Float: return Float(e.*f.real);
        }
        return false;
    }

    bool Event(ecEvent& e)
    {
        const auto& joints = ecEventFields::Joints();
        const ecEventFields::Marks& record = ecEventFields::RecordMarks();
        const ecEventFields::Marks& tags = ecEventFields::TagMarks();
        for (std::size_t k = 0; k < ecEventFields::kFields.size(); ++k)
            if (!Literal(joints[k]) || !Value(e, ecEventFields::kFields[k]))
                return false;
        if (!Literal(joints.back()))
            return false;
        bool ended = false; // an empty tag ends the tags
        std::string tag;
        while (Literal(tags.open)) {
            if (!Text(tag) || !Literal(tags.close))
                return false;
            if (tag.empty())
                ended = true;
            else if (!ended)
                e.m_vTags.push_back(tag);
        }
        return Literal(record.close);
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
            m_shifted = m_shifted || m_begin > 0;
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

    // The whole file: what the buffer holds and the rest of the file after
    // it; false when lines have been let go of already (or on a read error).
    bool Whole(std::string& text)
    {
        if (m_shifted)
            return false;
        text.assign(m_buffer.data(), m_end);
        char piece[1 << 16];
        std::size_t got = 0;
        while ((got = std::fread(piece, 1, sizeof piece, m_file)) > 0)
            text.append(piece, got);
        return !std::ferror(m_file);
    }

private:
    std::FILE* m_file;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    bool m_shifted = false;
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

// The root's content of a document in another layout than the writer's
// (elements indented or on lines of their own, fields in any order or
// missing), read straight from the text when its structure is plain: an
// optional Annotation, then Event elements holding only field and AttribTag
// elements, with nothing but whitespace between elements. Each value is
// taken as the general reader takes it. Anything else (comments,
// references, attributes, other elements, a stimulus delay) makes the
// parser give up, and the general reader reads the document. With strict
// set (diagnostics wanted), a number that the general reader would report
// makes it give up too.
class PlainStructure {
public:
    PlainStructure(std::string_view text, bool strict) : m_p(text.data()), m_end(text.data() + text.size()), m_strict(strict) {}

    bool Read(std::string& annotation, bool& hasAnnotation, std::vector<ecEvent>& events)
    {
        static constexpr std::string_view kAnnotation = "Annotation";
        SkipSpace();
        std::string_view name;
        std::string_view text;
        const char* before = m_p;
        if (Open(name) && name == kAnnotation) {
            if (!Text(text, true) || !Close(kAnnotation))
                return false;
            annotation.assign(text.data(), text.size());
            hasAnnotation = true;
        } else {
            m_p = before;
        }
        for (;;) {
            SkipSpace();
            if (m_p == m_end)
                return !events.empty();
            if (!Open(name) || name != ecEventFields::kRecord)
                return false;
            events.emplace_back();
            if (!Event(events.back()))
                return false;
        }
    }

private:
    bool Event(ecEvent& e)
    {
        constexpr std::size_t kCount = ecEventFields::kFields.size();
        std::array<std::string_view, kCount> values{};
        std::array<bool, kCount> seen{};
        bool tagsEnded = false; // an empty tag ends the tags
        std::string_view name;
        std::string_view text;
        if (Close(ecEventFields::kRecord))
            return false; // no content: the general reader ends the events there
        for (;;) {
            SkipSpace();
            if (Close(ecEventFields::kRecord))
                break;
            if (!Open(name) || !Text(text, false) || !Close(name))
                return false;
            std::size_t k = 0;
            while (k < kCount && ecEventFields::kFields[k].tag != name)
                ++k;
            if (k < kCount) {
                if (!seen[k]) {
                    seen[k] = true;
                    values[k] = text;
                }
            } else if (name == ecEventFields::kTag) {
                if (text.empty())
                    tagsEnded = true;
                else if (!tagsEnded)
                    e.m_vTags.emplace_back(text);
            } else {
                return false;
            }
        }
        // The general reader takes a grouped field only when the group's
        // element is there, and an absent one as empty.
        for (std::size_t k = 0; k < kCount; ++k) {
            const ecEventField& f = ecEventFields::kFields[k];
            if (!f.group.empty()) {
                std::size_t g = 0;
                while (ecEventFields::kFields[g].tag != f.group)
                    ++g;
                if (!seen[g])
                    continue;
            }
            const std::string_view v = values[k];
            switch (f.kind) {
            case ecEventField::Kind::Text: (e.*f.text).assign(v.data(), v.size()); break;
            case ecEventField::Kind::Int:
                if (!Whole(v, std::numeric_limits<int>::max(), e.*f.integer))
                    return false;
                break;
            case ecEventField::Kind::Word:
            case ecEventField::Kind::SignedWord: {
                int bits = 0;
                if (!Whole(v, std::numeric_limits<unsigned int>::max(), bits))
                    return false;
                e.*f.word = static_cast<unsigned int>(bits);
                break;
            }
            case ecEventField::Kind::Float:
                if (!Real(v, e.*f.real))
                    return false;
                break;
            }
        }
        if (e.ExclusionLevelNameOnly() >= 0)
            e.SetRejectedOn();
        return true;
    }

    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

    static std::string_view Trimmed(std::string_view s)
    {
        while (!s.empty() && IsSpace(s.front()))
            s.remove_prefix(1);
        while (!s.empty() && IsSpace(s.back()))
            s.remove_suffix(1);
        return s;
    }

    // A decimal as the general reader takes it: 64 bits, one '+' allowed,
    // the low 32 bits kept, 0 when malformed. false: strict, and the
    // general reader would report it.
    bool Whole(std::string_view v, std::int64_t high, int& value) const
    {
        v = Trimmed(v);
        std::string_view digits = v;
        if (!digits.empty() && digits[0] == '+')
            digits.remove_prefix(1);
        std::int64_t parsed = 0;
        const char* last = digits.data() + digits.size();
        const bool ok = !digits.empty() && digits[0] != '+' &&
                        [&] {
                            const auto r = std::from_chars(digits.data(), last, parsed, 10);
                            return r.ec == std::errc() && r.ptr == last;
                        }();
        if (!ok) {
            value = 0;
            return !m_strict || v.empty();
        }
        if (m_strict && (parsed < std::numeric_limits<int>::min() || parsed > high))
            return false;
        value = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(parsed)));
        return true;
    }

    bool Real(std::string_view v, float& value) const
    {
        const std::string_view written = Trimmed(v);
        std::string_view text = written;
        if (!text.empty() && text[0] == '+')
            text.remove_prefix(1);
        bool problem = false;
        value = 0.0f;
        if (text.empty() || text[0] == '+') {
            problem = true;
        } else {
            const char* last = text.data() + text.size();
            const auto r = std::from_chars(text.data(), last, value);
            if (r.ptr != last || r.ec != std::errc()) {
                problem = true;
                value = 0.0f;
            } else if (!std::isfinite(value)) {
                problem = true;
            }
        }
        return !(problem && m_strict && !written.empty());
    }

    void SkipSpace()
    {
        while (m_p != m_end && IsSpace(*m_p))
            ++m_p;
    }

    // "<name>", a plain start tag.
    bool Open(std::string_view& name)
    {
        if (m_p == m_end || *m_p != '<')
            return false;
        const char* start = m_p + 1;
        const char* q = start;
        while (q != m_end && *q != '>' && *q != '<' && *q != '/' && *q != '!' && *q != '?' && *q != '&' &&
               !IsSpace(*q))
            ++q;
        if (q == start || q == m_end || *q != '>')
            return false;
        name = std::string_view(start, static_cast<std::size_t>(q - start));
        m_p = q + 1;
        return true;
    }

    bool Close(std::string_view name)
    {
        const std::size_t n = name.size() + 3;
        if (static_cast<std::size_t>(m_end - m_p) < n || m_p[0] != '<' || m_p[1] != '/' ||
            std::memcmp(m_p + 2, name.data(), name.size()) != 0 || m_p[n - 1] != '>')
            return false;
        m_p += n;
        return true;
    }

    // Character data up to the next '<', refused when it holds what the
    // general reader would decode or read otherwise.
    bool Text(std::string_view& out, bool lineBreaks)
    {
        const char* start = m_p;
        const void* found = std::memchr(m_p, '<', static_cast<std::size_t>(m_end - m_p));
        const char* stop = found ? static_cast<const char*>(found) : m_end;
        for (const char* q = start; q != stop; ++q) {
            const char c = *q;
            if (c == '&' || c == '>' || c == '\0' || (!lineBreaks && (c == '\r' || c == '\n')))
                return false;
        }
        m_p = stop;
        out = std::string_view(start, static_cast<std::size_t>(stop - start));
        return m_p != m_end;
    }

    const char* m_p;
    const char* m_end;
    bool m_strict;
};

} // namespace

bool ecEventList::ReadWriterDocument(const char* file, bool merge, bool& handled, std::string& text)
{
    text.clear();
    handled = false;
    // The general reader refuses files too large for a 32-bit length.
    std::error_code failed;
    const std::uintmax_t size = std::filesystem::file_size(file, failed);
    if (failed || size >= static_cast<std::uintmax_t>(std::numeric_limits<int>::max()))
        return false;
    ecFilePtr f(std::fopen(file, "rb"));
    if (!f)
        return false;
    LineSource lines(f.get(), size);
    const bool result = [&]() -> bool {
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
        return TakeDocument(events, hasAnnotation, annotation, merge);
    }();
    if (!handled && !lines.Whole(text))
        text.clear();
    return result;
}

bool ecEventList::TakeDocument(std::vector<ecEvent>& events, bool hasAnnotation, std::string& annotation, bool merge)
{
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

bool ecEventList::ReadEventFileXml(const char* file, bool merge)
{
    if (!file)
        return false;
    bool handled = false;
    std::string text;
    const bool direct = ReadWriterDocument(file, merge, handled, text);
    if (handled)
        return direct;
    // The fast reader hands over the bytes it has read when they are the
    // whole file, so that the file is read once; otherwise it is read here.
    ecXml xml;
    if (!text.empty()) {
        xml.SetText(text);
    } else if (!xml.Read(file)) {
        xml.Free();
        return false;
    }
    xml.SetDiagnostics(m_pReadDiagnostics);
    std::error_code failed;
    const std::uintmax_t fileSize = text.empty() ? std::filesystem::file_size(file, failed) : text.size();
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
    {
        std::vector<ecEvent> events;
        events.reserve(root.View().size() / 200);
        std::string annotation;
        bool hasAnnotation = false;
        if (PlainStructure(root.View(), root.HasDiagnostics()).Read(annotation, hasAnnotation, events)) {
            root.Free();
            return TakeDocument(events, hasAnnotation, annotation, merge);
        }
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
            delay = m_bExactTime ? ClampToSample(SecondsToSampleExact(seconds, m_fSamplingRate))
                                 : SecondsToSampleSinglePrecision(seconds, m_fSamplingRate);
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
