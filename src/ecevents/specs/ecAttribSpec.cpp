#include "ecevents/specs/ecAttribSpec.h"

#include <algorithm>
#include <ostream>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

namespace {

void EraseAt(std::vector<std::string>& list, int k)
{
    if (ecIsIndex(list, k))
        list.erase(list.begin() + k);
}

int IndexOf(const std::vector<std::string>& list, const std::string& text)
{
    const auto it = std::find(list.begin(), list.end(), text);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

} // namespace

ecAttribSpec::ecAttribSpec() = default;
ecAttribSpec::ecAttribSpec(const ecAttribSpec& other) = default;
ecAttribSpec& ecAttribSpec::operator=(const ecAttribSpec& other) = default;
ecAttribSpec::~ecAttribSpec() = default;

void ecAttribSpec::SetTabDepth(int depth) { m_iTabDepth = depth; }
int ecAttribSpec::GetTabDepth() const { return m_iTabDepth; }
ecEventSpecs* ecAttribSpec::GetpEventSpecs() { return &m_EventSpecs; }
ecTimeAnchor* ecAttribSpec::GetpTimeAnchor() { return &m_TimeAnchor; }
ecTimeAnchor* ecAttribSpec::NameToTimeAnchor(const std::string& name) { return m_EventSpecs.NameToTimeAnchor(name); }

int ecAttribSpec::GetNumFactors() const { return static_cast<int>(m_vFactors.size()); }
int ecAttribSpec::GetNumTags() const { return static_cast<int>(m_vValues.size()); }
int ecAttribSpec::GetNumPairs() const { return std::min(GetNumFactors(), GetNumTags()); }
std::string ecAttribSpec::GetOneFactor(int k) const { return m_vFactors.at(static_cast<std::size_t>(k)); }
std::string ecAttribSpec::GetOneValue(int k) const { return m_vValues.at(static_cast<std::size_t>(k)); }
std::string ecAttribSpec::GetOneAttribTag(int k) const { return GetOneFactor(k) + ":" + GetOneValue(k); }

void ecAttribSpec::AppendOneFactor(const std::string& factor) { m_vFactors.push_back(factor); }
void ecAttribSpec::AppendOneTag(const std::string& value) { m_vValues.push_back(value); }

void ecAttribSpec::AppendOneFactorValuePair(const std::string& factor, const std::string& value)
{
    m_vFactors.push_back(factor);
    m_vValues.push_back(value);
}

void ecAttribSpec::DeleteOneFactor(int k) { EraseAt(m_vFactors, k); }
void ecAttribSpec::DeleteOneFactor(const std::string& factor) { EraseAt(m_vFactors, IndexOf(m_vFactors, factor)); }
void ecAttribSpec::DeleteOneTag(int k) { EraseAt(m_vValues, k); }
void ecAttribSpec::DeleteOneTag(const std::string& value) { EraseAt(m_vValues, IndexOf(m_vValues, value)); }
int ecAttribSpec::WhichFactor(const std::string& factor) const { return IndexOf(m_vFactors, factor); }

void ecAttribSpec::ReplaceValue(int k, const std::string& value)
{
    if (ecIsIndex(m_vValues, k))
        m_vValues[static_cast<std::size_t>(k)] = value;
}

int ecAttribSpec::CreateTarget(const std::string& name)
{
    m_EventSpecs.AppendTarget(name);
    return m_EventSpecs.GetNumTargets();
}

int ecAttribSpec::CreateConditional(const std::string& name)
{
    m_EventSpecs.AppendConditional(name)->SetOption(0);
    return m_EventSpecs.GetNumConditionals() - 1;
}

void ecAttribSpec::ResetRuntimeParameters() { m_EventSpecs.ResetRuntimeParameters(); }
void ecAttribSpec::ConsistencyCheck() { m_EventSpecs.ConsistencyCheck(); }

bool ecAttribSpec::ReadXml(ecXml& xml)
{
    ecXml spec = xml.Sub("attrib_spec");
    if (spec.IsEmpty())
        return false;
    for (ecXml attrib = spec.Sub("attrib"); !attrib.IsEmpty(); attrib = spec.Sub("attrib")) {
        if (m_vFactors.size() >= kSpecListLimit || m_vValues.size() >= kSpecListLimit)
            throw ecError("[ecAttribSpec::ReadXml] Attribute tag limit exceeded.");
        m_vFactors.push_back(attrib.CharacterData("factor"));
        m_vValues.push_back(attrib.CharacterData("tag"));
    }
    m_EventSpecs.ReadXml(spec);
    return true;
}

void ecAttribSpec::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    const int d = m_iTabDepth;
    xml.OpenLine(d, "attrib_spec");
    const int pairs = GetNumPairs();
    for (std::size_t k = 0; k < static_cast<std::size_t>(pairs); ++k) {
        xml.OpenLine(d + 1, "attrib");
        xml.Line(d + 2, "factor", m_vFactors[k]);
        xml.Line(d + 2, "tag", m_vValues[k]);
        xml.CloseLine(d + 1, "attrib");
    }
    m_EventSpecs.SetTabDepth(d + 1);
    m_EventSpecs.WriteXml(out);
    xml.CloseLine(d, "attrib_spec");
}
