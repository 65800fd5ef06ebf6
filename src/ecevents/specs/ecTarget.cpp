#include "ecevents/specs/ecTarget.h"

#include <ostream>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

ecTarget::ecTarget() = default;
ecTarget::ecTarget(const ecTarget& other) = default;

ecTarget& ecTarget::operator=(const ecTarget& other)
{
    if (this != &other) {
        ecEventSpecBase::operator=(other);
        m_vEventNames = other.m_vEventNames;
    }
    return *this;
}

ecTarget::~ecTarget() = default;

void ecTarget::AddEvent(const std::string& name) { m_vEventNames.push_back(name); }
int ecTarget::GetNumEvents() const { return static_cast<int>(m_vEventNames.size()); }
std::vector<std::string>* ecTarget::GetpEventNames() { return &m_vEventNames; }

bool ecTarget::ReadXml(ecXml& xml)
{
    ecXml target = xml.Sub("target");
    if (target.IsEmpty())
        return false;
    m_sName = target.CharacterData("name");
    ecReadTextList(target, "event", m_vEventNames, "[ecTarget::ReadXml] Event limit exceeded.");
    ReadFlags(target, "[ecTarget::ReadXml] Flag limit exceeded.");
    return true;
}

void ecTarget::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    const int d = m_iTabDepth;
    xml.OpenLine(d, "target");
    xml.Line(d + 1, "name", m_sName);
    for (const std::string& name : m_vEventNames)
        xml.Line(d + 1, "event", name);
    WriteFlags(out, d + 1);
    xml.CloseLine(d, "target");
}

void ecTarget::ResetRuntimeParameters() { m_TimeAnchor.ResetRuntimeParameters(); }
