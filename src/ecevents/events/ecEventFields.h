#pragma once
// Internal to the events subsystem: the fields of an event record as its
// documents hold them, in the order the writer puts them. The writer, the
// general reader and the fast reader of the writer's own layout all walk
// this one table. Not part of the public interface.
#include <array>
#include <string>
#include <string_view>

#include "ecevents/events/ecEvent.h"

struct ecEventField {
    enum class Kind {
        Text,       // character data
        Int,        // a signed 32-bit integer
        Word,       // an unsigned 32-bit word, written unsigned
        SignedWord, // an unsigned 32-bit word, written as its signed reading
        Float,      // single precision
    };

    std::string_view tag;
    Kind kind;
    // The member the field is kept in; only the one of its kind is set.
    std::string ecEvent::*text = nullptr;
    int ecEvent::*integer = nullptr;
    unsigned int ecEvent::*word = nullptr;
    float ecEvent::*real = nullptr;
    // The general reader takes the field only when an element of this tag
    // is present, so that a record of an older layout, which lacks the whole
    // group, keeps the values the event had. Empty: always taken.
    std::string_view group;
};

namespace ecEventFields {

constexpr ecEventField Text(std::string_view tag, std::string ecEvent::*m)
{
    return {tag, ecEventField::Kind::Text, m, nullptr, nullptr, nullptr, {}};
}
constexpr ecEventField Int(std::string_view tag, int ecEvent::*m)
{
    return {tag, ecEventField::Kind::Int, nullptr, m, nullptr, nullptr, {}};
}
constexpr ecEventField Word(std::string_view tag, unsigned int ecEvent::*m, ecEventField::Kind kind)
{
    return {tag, kind, nullptr, nullptr, m, nullptr, {}};
}
constexpr ecEventField Float(std::string_view tag, float ecEvent::*m, std::string_view group)
{
    return {tag, ecEventField::Kind::Float, nullptr, nullptr, nullptr, m, group};
}

// The record's element and the repeated element of its attribute tags,
// which follow the fields.
constexpr std::string_view kRecord = "Event";
constexpr std::string_view kTag = "AttribTag";

constexpr std::array<ecEventField, 12> kFields = {{
    Text("Name", &ecEvent::m_sName),
    Int("Start", &ecEvent::m_iStart),
    Int("Stop", &ecEvent::m_iStop),
    Word("Status", &ecEvent::m_nStatus, ecEventField::Kind::Word),
    Word("Color", &ecEvent::m_nColor, ecEventField::Kind::SignedWord),
    Int("Attribute", &ecEvent::m_iAttribute),
    Float("TimeStart", &ecEvent::m_fTimeStart, "TimeStart"),
    Float("TimeStop", &ecEvent::m_fTimeStop, "TimeStart"),
    Float("FreqStart", &ecEvent::m_fFreqStart, "TimeStart"),
    Float("FreqStop", &ecEvent::m_fFreqStop, "TimeStart"),
    Float("FWHM_Time", &ecEvent::m_fFWHMTime, "FWHM_Time"),
    Float("FWHM_Freq", &ecEvent::m_fFWHMFreq, "FWHM_Time"),
}};

// The start and end tags of an element, made once, so that neither the
// writer nor the fast reader puts them together per event.
struct Marks {
    Marks() = default;
    explicit Marks(std::string_view tag);
    std::string open;
    std::string close;
};

// The fixed text between the values of kFields as the writer puts it:
// joint 0 opens the record and its first field, joint k closes field k - 1
// and opens field k, the last joint closes the last field. One piece of text
// between two values, so that writing and reading a record take one step
// per field.
const std::array<std::string, kFields.size() + 1>& Joints();
const Marks& RecordMarks();
const Marks& TagMarks();

// Appends e's record on one line, without a line break. With escape set,
// texts (the name and the tags) have &, <, >, " and ' replaced by their
// entities; otherwise they are written as they are.
void AppendRecord(std::string& text, const ecEvent& e, bool escape);

} // namespace ecEventFields
