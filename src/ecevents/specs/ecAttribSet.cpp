#include "ecevents/specs/ecAttribSet.h"

#include <ostream>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

ecAttribSet::ecAttribSet() = default;
ecAttribSet::ecAttribSet(const ecAttribSet& other) = default;
ecAttribSet& ecAttribSet::operator=(const ecAttribSet& other) = default;
ecAttribSet::~ecAttribSet() = default;

void ecAttribSet::SetTabDepth(int depth) { m_iTabDepth = depth; }
int ecAttribSet::GetTabDepth() const { return m_iTabDepth; }
void ecAttribSet::AddAttribTag(const std::string& tag) { m_vAttribTags.push_back(tag); }
int ecAttribSet::GetNumAttribTags() const { return static_cast<int>(m_vAttribTags.size()); }
std::vector<std::string>* ecAttribSet::GetpAttribTags() { return &m_vAttribTags; }

bool ecAttribSet::ReadXml(ecXml& xml)
{
    ecXml set = xml.Sub("attrib_set");
    if (set.IsEmpty())
        return false;
    ecReadTextList(set, "attrib_tag", m_vAttribTags, "[ecAttribSet::ReadXml] Limit exceeded.");
    return true;
}

void ecAttribSet::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    xml.OpenLine(m_iTabDepth, "attrib_set");
    for (const std::string& tag : m_vAttribTags)
        xml.Line(m_iTabDepth + 1, "attrib_tag", tag);
    xml.CloseLine(m_iTabDepth, "attrib_set");
}
