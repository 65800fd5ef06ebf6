#include "ecevents/events/ecEvent.h"

#include <cctype>
#include <cstring>
#include <cmath>
#include <ios>
#include <ostream>
#include <string_view>
#include <utility>

#include "ecevents/events/ecEventFields.h"
#include "ecutil/ecStrings.h"
#include "ecutil/ecXml.h"

namespace {

const unsigned int kRejected = 1u;
const unsigned int kAccepted = 2u;
const unsigned int kStatusOn = 4u;
const unsigned int kStatusOff = 8u;

const int kDipole = 0x200;
const int kTagged = 0x400;
const int kCompound = 0x800;

// A level parsed from the characters after an exclusion prefix; the start
// value stays when they are not a decimal integer.
int ParseLevel(const std::string& digits)
{
    int level = -1;
    from_string<int>(level, digits, std::dec);
    return level;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Whether the name begins with the upper-case prefix once upper-cased.
bool StartsWithUpper(const std::string& name, const char* prefix)
{
    const std::size_t n = std::strlen(prefix);
    if (name.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (Upper(name[i]) != prefix[i])
            return false;
    }
    return true;
}

bool EqualsUpper(const std::string& name, const char* word)
{
    return name.size() == std::strlen(word) && StartsWithUpper(name, word);
}

} // namespace

ecEvent::ecEvent() = default;

void ecEvent::CopyPlainFields(const ecEvent& other)
{
    m_nStatus = other.m_nStatus;
    m_iStart = other.m_iStart;
    m_iStop = other.m_iStop;
    m_iCenter = other.m_iCenter;
    m_iAttribute = other.m_iAttribute;
    m_nColor = other.m_nColor;
    m_pAssociatedEvent = other.m_pAssociatedEvent;
    m_fResponseTime = other.m_fResponseTime;
    m_fResponseMag = other.m_fResponseMag;
    m_fResponseScore = other.m_fResponseScore;
    m_fPeakStart = other.m_fPeakStart;
    m_fPeakStop = other.m_fPeakStop;
    m_fPeakArea = other.m_fPeakArea;
    m_fPeakMean = other.m_fPeakMean;
    m_fTimeStart = other.m_fTimeStart;
    m_fTimeStop = other.m_fTimeStop;
    m_fFreqStart = other.m_fFreqStart;
    m_fFreqStop = other.m_fFreqStop;
    m_fFWHMTime = other.m_fFWHMTime;
    m_fFWHMFreq = other.m_fFWHMFreq;
    m_nCode = other.m_nCode;
    m_nLoadCount = other.m_nLoadCount;
}

ecEvent::ecEvent(const ecEvent& other)
    : ecBase(other), m_sName(other.m_sName), m_sNotation(other.m_sNotation), m_vTags(other.m_vTags)
{
    CopyPlainFields(other);
}

ecEvent::ecEvent(ecEvent&& other) noexcept
    : ecBase(other),
      m_sName(std::move(other.m_sName)),
      m_sNotation(std::move(other.m_sNotation)),
      m_vTags(std::move(other.m_vTags))
{
    CopyPlainFields(other);
}

ecEvent& ecEvent::operator=(const ecEvent& other)
{
    if (this == &other)
        return *this;
    ecEvent copy(other);
    return *this = std::move(copy);
}

ecEvent& ecEvent::operator=(ecEvent&& other) noexcept
{
    if (this == &other)
        return *this;
    ecBase::operator=(other);
    m_sName = std::move(other.m_sName);
    m_sNotation = std::move(other.m_sNotation);
    m_vTags = std::move(other.m_vTags);
    CopyPlainFields(other);
    return *this;
}

ecEvent::~ecEvent() = default;

bool ecEvent::operator==(const ecEvent& other) const
{
    return m_sName == other.m_sName && m_nStatus == other.m_nStatus && m_iStart == other.m_iStart &&
           m_iStop == other.m_iStop && m_iAttribute == other.m_iAttribute &&
           m_fPeakStart == other.m_fPeakStart && m_fPeakStop == other.m_fPeakStop &&
           m_fPeakArea == other.m_fPeakArea && m_fPeakMean == other.m_fPeakMean &&
           m_fTimeStart == other.m_fTimeStart && m_fTimeStop == other.m_fTimeStop &&
           m_fFreqStart == other.m_fFreqStart && m_fFreqStop == other.m_fFreqStop &&
           m_fFWHMTime == other.m_fFWHMTime && m_fFWHMFreq == other.m_fFWHMFreq;
}

bool ecEvent::operator<(const ecEvent& other) const { return m_iStart < other.m_iStart; }
bool ecEvent::operator>(const ecEvent& other) const { return m_iStart > other.m_iStart; }

std::string ecEvent::GetEventName() const { return m_sName; }
unsigned int ecEvent::GetEventStatus() const { return m_nStatus; }
int ecEvent::GetEventStart() const { return m_iStart; }
int ecEvent::GetEventStop() const { return m_iStop; }
int ecEvent::GetEventCenter() const { return m_iCenter; }
int ecEvent::GetEventAttribute() const { return m_iAttribute; }
unsigned int ecEvent::GetEventColor() const { return m_nColor; }
std::string ecEvent::GetEventNotation() const { return m_sNotation; }

ecEvent ecEvent::GetAssociatedEvent() const
{
    return m_pAssociatedEvent ? *m_pAssociatedEvent : ecEvent();
}

float ecEvent::GetResponseTime() const { return m_fResponseTime; }
float ecEvent::GetResponseMag() const { return m_fResponseMag; }
float ecEvent::GetResponseScore() const { return m_fResponseScore; }
float ecEvent::GetPeakStart() const { return m_fPeakStart; }
float ecEvent::GetPeakStop() const { return m_fPeakStop; }
float ecEvent::GetPeakArea() const { return m_fPeakArea; }
float ecEvent::GetPeakMean() const { return m_fPeakMean; }
float ecEvent::GetTimeStart() const { return m_fTimeStart; }
float ecEvent::GetTimeStop() const { return m_fTimeStop; }
float ecEvent::GetFreqStart() const { return m_fFreqStart; }
float ecEvent::GetFreqStop() const { return m_fFreqStop; }
float ecEvent::GetFWHMTime() const { return m_fFWHMTime; }
float ecEvent::GetFWHMFreq() const { return m_fFWHMFreq; }
unsigned int ecEvent::GetCode() const { return m_nCode; }

void ecEvent::SetRejectedOn() { m_nStatus = (m_nStatus | kRejected) & ~kAccepted; }
void ecEvent::SetRejectedOff() { m_nStatus = (m_nStatus | kAccepted) & ~kRejected; }
bool ecEvent::IsRejected() const { return (m_nStatus & kRejected) != 0; }
bool ecEvent::IsAccepted() const { return (m_nStatus & kAccepted) != 0; }
void ecEvent::SetStatusOn() { m_nStatus = (m_nStatus | kStatusOn) & ~kStatusOff; }
void ecEvent::SetStatusOff() { m_nStatus = (m_nStatus | kStatusOff) & ~kStatusOn; }
void ecEvent::ClearStatus() { m_nStatus &= ~(kStatusOn | kStatusOff); }
bool ecEvent::IsStatusOn() const { return (m_nStatus & kStatusOn) != 0; }
bool ecEvent::IsStatusOff() const { return (m_nStatus & kStatusOff) != 0; }

void ecEvent::SetDipoleOn() { m_iAttribute |= kDipole; }
void ecEvent::SetDipoleOff() { m_iAttribute &= ~kDipole; }
bool ecEvent::IsForDipole() const { return (m_iAttribute & kDipole) != 0; }
void ecEvent::SetTagged() { m_iAttribute |= kTagged; }
void ecEvent::ClearTagged() { m_iAttribute &= ~kTagged; }
bool ecEvent::IsTagged() const { return (m_iAttribute & kTagged) != 0; }
void ecEvent::SetCompound() { m_iAttribute |= kCompound; }
void ecEvent::ClearCompound() { m_iAttribute &= ~kCompound; }
bool ecEvent::IsCompound() const { return (m_iAttribute & kCompound) != 0; }

void ecEvent::SetCode(unsigned int code) { m_nCode = code; }
void ecEvent::SetCodeFlag(unsigned int flag) { m_nCode |= flag; }
void ecEvent::ClearCodeFlag(unsigned int flag) { m_nCode &= ~flag; }

unsigned int ecEvent::GetXORWhiteColor() const { return ~m_nColor & 0x00FFFFFFu; }

unsigned int ecEvent::ScaleColorIntensity(float factor) const
{
    unsigned int result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double channel = static_cast<double>((m_nColor >> shift) & 0xFFu);
        // The low eight bits of the truncated product; going through fmod
        // keeps huge or odd factors defined and wraps exactly as the integer
        // would.
        const double scaled = std::trunc(channel * static_cast<double>(factor) + 0.5);
        const double wrapped = std::isfinite(scaled) ? std::fmod(scaled, 256.0) : 0.0;
        const unsigned int low = static_cast<unsigned int>(static_cast<int>(wrapped)) & 0xFFu;
        result |= low << shift;
    }
    return result;
}

void ecEvent::HalfIntensity() { m_nColor = ScaleColorIntensity(0.5f); }

bool ecEvent::IsSegmentBoundary() const
{
    return EqualsUpper(m_sName, "<SEG>") || EqualsUpper(m_sName, "[SEG]");
}

void ecEvent::SetSegmentBoundaryDefaults()
{
    m_sName = "[seg]";
    m_iStart = 0;
    m_iStop = 0;
    m_nColor = 0xFF;
    m_nStatus = (m_nStatus & ~(kRejected | kStatusOff)) | kAccepted | kStatusOn;
}

int ecEvent::ExclusionLevelNameOnly() const
{
    // Compared as upper case character by character: every event read from
    // a file passes here, so no upper-case copy of the name is made.
    const std::string& name = m_sName;
    const std::size_t n = name.size();
    if (EqualsUpper(name, "<SEG>") || EqualsUpper(name, "[SEG]"))
        return 0;
    if (StartsWithUpper(name, "REJECT"))
        return 0;
    if (StartsWithUpper(name, "EXCLUDE")) {
        if (n == 7)
            return 0;
        const int level = ParseLevel(name.substr(7));
        return level < 0 ? 0 : level;
    }
    if (StartsWithUpper(name, "[EX") && Upper(name[n - 1]) == ']') {
        if (n == 4)
            return 0;
        return ParseLevel(name.substr(3, n - 4));
    }
    return -1;
}

int ecEvent::ExclusionLevel() const
{
    const int level = ExclusionLevelNameOnly();
    if (level >= 0)
        return level;
    return IsRejected() ? 0 : -1;
}

bool ecEvent::ReadXml(ecXml& xml)
{
    ecXml e = xml.Sub(std::string(ecEventFields::kRecord));
    if (e.IsEmpty()) {
        e.Free();
        return false;
    }
    std::string_view group;
    bool groupPresent = true;
    for (const ecEventField& f : ecEventFields::kFields) {
        if (!f.group.empty()) {
            if (f.group != group) {
                group = f.group;
                groupPresent = e.TagExists(std::string(group));
            }
            if (!groupPresent)
                continue;
        }
        const std::string tag(f.tag);
        switch (f.kind) {
        case ecEventField::Kind::Text: this->*f.text = e.CharacterData(tag); break;
        case ecEventField::Kind::Int: this->*f.integer = e.GetInt(tag); break;
        case ecEventField::Kind::Word:
        case ecEventField::Kind::SignedWord: this->*f.word = e.GetUnsigned(tag); break;
        case ecEventField::Kind::Float: this->*f.real = e.GetFloat(tag); break;
        }
    }
    const std::string tagElement(ecEventFields::kTag);
    if (e.TagExists(tagElement)) {
        m_vTags.clear();
        for (;;) {
            std::string tag = e.CharacterDataNext(tagElement);
            if (tag.empty())
                break;
            m_vTags.push_back(std::move(tag));
        }
    }
    e.Free();
    return true;
}

bool ecEvent::WriteXml(std::ostream& out)
{
    // One buffer per thread, reused: writing a list of a million events
    // should not allocate per event.
    thread_local std::string text;
    text.clear();
    ecEventFields::AppendRecord(text, *this, false);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return true;
}
