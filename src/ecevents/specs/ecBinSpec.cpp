#include "ecevents/specs/ecBinSpec.h"

#include <ostream>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

ecBinSpec::ecBinSpec() = default;

ecBinSpec::ecBinSpec(const ecBinSpec& other)
    : ecBase(other), m_sName(other.m_sName), m_uColor(other.m_uColor), m_iTabDepth(other.m_iTabDepth)
{
    ecCopyOwned(other.m_vpAttribSets, m_vpAttribSets);
}

ecBinSpec& ecBinSpec::operator=(const ecBinSpec& other)
{
    if (this != &other) {
        ecBase::operator=(other);
        m_sName = other.m_sName;
        m_uColor = other.m_uColor;
        m_iTabDepth = other.m_iTabDepth;
        ecCopyOwned(other.m_vpAttribSets, m_vpAttribSets);
    }
    return *this;
}

ecBinSpec::~ecBinSpec()
{
    DeleteSets();
}

void ecBinSpec::DeleteSets() { ecDeleteOwned(m_vpAttribSets); }

void ecBinSpec::SetTabDepth(int depth) { m_iTabDepth = depth; }
int ecBinSpec::GetTabDepth() const { return m_iTabDepth; }
std::string ecBinSpec::GetName() const { return m_sName; }
void ecBinSpec::SetName(const std::string& name) { m_sName = name; }
unsigned int ecBinSpec::GetColor() const { return m_uColor; }
void ecBinSpec::SetColor(unsigned int color) { m_uColor = color; }
bool ecBinSpec::IsCreateNew() const { return (GetOption() & kCreateNew) != 0; }

void ecBinSpec::SetCreateNew(bool createNew)
{
    if (createNew)
        SetOptionFlag(kCreateNew);
    else
        ClearOptionFlag(kCreateNew);
}

std::vector<ecAttribSet*>* ecBinSpec::GetpAttribSets() { return &m_vpAttribSets; }

bool ecBinSpec::ReadXml(ecXml& xml)
{
    ecXml spec = xml.Sub("bin_spec");
    if (spec.IsEmpty())
        return false;
    m_sName = spec.CharacterData("name");
    m_uColor = spec.GetUnsigned("color");
    SetCreateNew(spec.GetInt("create_new") != 0);
    ecReadOwnedList(spec, m_vpAttribSets, "[ecBinSpec::ReadXml] Limit exceeded.");
    return true;
}

void ecBinSpec::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    const int d = m_iTabDepth;
    xml.OpenLine(d, "bin_spec");
    xml.Line(d + 1, "name", m_sName);
    xml.Line(d + 1, "color", m_uColor);
    xml.Line(d + 1, "create_new", (IsCreateNew() ? "1" : "0"));
    for (ecAttribSet* set : m_vpAttribSets) {
        set->SetTabDepth(d + 1);
        set->WriteXml(out);
    }
    xml.CloseLine(d, "bin_spec");
}
