#include "ecevents/specs/ecCondEventFlag.h"

#include <cstdlib>
#include <ostream>
#include <string>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

namespace {

// Decimal, 0x-hexadecimal or 0-octal with an optional sign, as "%i" reads it;
// text without a leading number leaves the code as it was.
void ParseCode(const std::string& text, unsigned int& code)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const long long value = std::strtoll(begin, &end, 0);
    if (end != begin)
        code = static_cast<unsigned int>(static_cast<unsigned long long>(value));
}

} // namespace

ecCondEventFlag::ecCondEventFlag() = default;

ecCondEventFlag::ecCondEventFlag(const ecCondEventFlag& other)
    : ecBase(other), m_uCode(other.m_uCode), m_uSetCode(other.m_uSetCode), m_uClearCode(other.m_uClearCode)
{
}

ecCondEventFlag& ecCondEventFlag::operator=(const ecCondEventFlag& other)
{
    if (this != &other) {
        ecBase::operator=(other);
        m_uCode = other.m_uCode;
        m_uSetCode = other.m_uSetCode;
        m_uClearCode = other.m_uClearCode;
    }
    return *this;
}

ecCondEventFlag::~ecCondEventFlag() = default;

void ecCondEventFlag::SetTabDepth(int depth) { m_iTabDepth = depth; }
int ecCondEventFlag::GetTabDepth() const { return m_iTabDepth; }
void ecCondEventFlag::SetCode(unsigned int code) { m_uCode = code; }
unsigned int ecCondEventFlag::GetCode() const { return m_uCode; }
void ecCondEventFlag::SetSetCode(unsigned int code) { m_uSetCode = code; }
unsigned int ecCondEventFlag::GetSetCode() const { return m_uSetCode; }
void ecCondEventFlag::SetClearCode(unsigned int code) { m_uClearCode = code; }
unsigned int ecCondEventFlag::GetClearCode() const { return m_uClearCode; }

bool ecCondEventFlag::ReadXml(ecXml& xml)
{
    ecXml flag = xml.Sub("flag");
    if (flag.IsEmpty())
        return false;
    ParseCode(flag.CharacterData("code"), m_uCode);
    if (flag.CharacterData("logic") == "~")
        SetOptionFlag(kInvert);
    else
        ClearOptionFlag(kInvert);
    if (flag.TagExists("s")) {
        ParseCode(flag.CharacterData("s"), m_uSetCode);
        SetOptionFlag(kSet);
    } else {
        ClearOptionFlag(kSet);
    }
    if (flag.TagExists("c")) {
        ParseCode(flag.CharacterData("c"), m_uClearCode);
        SetOptionFlag(kClear);
    } else {
        ClearOptionFlag(kClear);
    }
    return true;
}

void ecCondEventFlag::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    const int d = m_iTabDepth;
    const long option = GetOption();
    xml.OpenLine(d, "flag");
    xml.Line(d + 1, "code", m_uCode);
    if (option & kInvert)
        xml.Line(d + 1, "logic", "~");
    if (option & kSet)
        xml.Line(d + 1, "s", m_uSetCode);
    if (option & kClear)
        xml.Line(d + 1, "c", m_uClearCode);
    xml.CloseLine(d, "flag");
}
