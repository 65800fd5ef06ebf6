#include "ecevents/events/ecEventFields.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace ecEventFields {

namespace {

// Room for any number the writer puts: a 32-bit integer takes at most 11
// characters, a float in six significant digits at most 12 (-1.17549e-38).
constexpr std::size_t kNumberRoom = 16;
// The longest entity a character of text can become (&quot; and &apos;).
constexpr std::size_t kEntityRoom = 6;

char* Put(char* p, std::string_view s)
{
    std::memcpy(p, s.data(), s.size());
    return p + s.size();
}

char* PutEscaped(char* p, std::string_view s)
{
    for (char c : s) {
        switch (c) {
        case '&': p = Put(p, "&amp;"); break;
        case '<': p = Put(p, "&lt;"); break;
        case '>': p = Put(p, "&gt;"); break;
        case '"': p = Put(p, "&quot;"); break;
        case '\'': p = Put(p, "&apos;"); break;
        default: *p++ = c; break;
        }
    }
    return p;
}

char* PutText(char* p, const std::string& s, bool escape) { return escape ? PutEscaped(p, s) : Put(p, s); }

char* PutInt(char* p, long long value) { return std::to_chars(p, p + kNumberRoom, value).ptr; }

// The stream's default float format (six significant digits, general
// notation), without the cost of a stream per value.
char* PutFloat(char* p, float value)
{
    if (value == 0.0f && !std::signbit(value)) {
        *p = '0'; // most values are zero
        return p + 1;
    }
    return std::to_chars(p, p + kNumberRoom, value, std::chars_format::general, 6).ptr;
}

std::size_t TextRoom(const std::string& s, bool escape) { return s.size() * (escape ? kEntityRoom : 1); }

} // namespace

Marks::Marks(std::string_view tag)
    : open("<" + std::string(tag) + ">")
    , close("</" + std::string(tag) + ">")
{
}

const std::array<std::string, kFields.size() + 1>& Joints()
{
    static const std::array<std::string, kFields.size() + 1> joints = [] {
        std::array<std::string, kFields.size() + 1> made;
        made[0] = Marks(kRecord).open;
        for (std::size_t k = 0; k < kFields.size(); ++k) {
            const Marks field(kFields[k].tag);
            made[k] += field.open;
            made[k + 1] = field.close;
        }
        return made;
    }();
    return joints;
}

const Marks& RecordMarks()
{
    static const Marks marks(kRecord);
    return marks;
}

const Marks& TagMarks()
{
    static const Marks marks(kTag);
    return marks;
}

void AppendRecord(std::string& text, const ecEvent& e, bool escape)
{
    const auto& joints = Joints();
    const Marks& tags = TagMarks();
    const Marks& record = RecordMarks();

    // The most the record can take, so that it is written straight into
    // the text without a check per piece.
    std::size_t room = record.close.size();
    for (std::size_t k = 0; k < kFields.size(); ++k)
        room += joints[k].size() +
                (kFields[k].kind == ecEventField::Kind::Text ? TextRoom(e.*kFields[k].text, escape) : kNumberRoom);
    room += joints.back().size();
    for (const std::string& tag : e.m_vTags)
        room += tags.open.size() + TextRoom(tag, escape) + tags.close.size();

    const std::size_t at = text.size();
    text.resize(at + room);
    char* const begin = &text[0];
    char* p = begin + at;
    for (std::size_t k = 0; k < kFields.size(); ++k) {
        const ecEventField& f = kFields[k];
        p = Put(p, joints[k]);
        switch (f.kind) {
        case ecEventField::Kind::Text: p = PutText(p, e.*f.text, escape); break;
        case ecEventField::Kind::Int: p = PutInt(p, e.*f.integer); break;
        case ecEventField::Kind::Word: p = PutInt(p, static_cast<long long>(e.*f.word)); break;
        case ecEventField::Kind::SignedWord: p = PutInt(p, static_cast<int>(e.*f.word)); break;
        case ecEventField::Kind::Float: p = PutFloat(p, e.*f.real); break;
        }
    }
    p = Put(p, joints.back());
    for (const std::string& tag : e.m_vTags) {
        p = Put(p, tags.open);
        p = PutText(p, tag, escape);
        p = Put(p, tags.close);
    }
    p = Put(p, record.close);
    text.resize(static_cast<std::size_t>(p - begin));
}

} // namespace ecEventFields
