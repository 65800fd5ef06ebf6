#include "ecevents/specs/ecEventSpecBase.h"

#include <ostream>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"

ecEventSpecBase::ecEventSpecBase() = default;

ecEventSpecBase::ecEventSpecBase(const ecEventSpecBase& other)
    : ecBase(other), m_sName(other.m_sName), m_TimeAnchor(other.m_TimeAnchor), m_iTabDepth(other.m_iTabDepth)
{
    CopyFlags(other);
}

ecEventSpecBase& ecEventSpecBase::operator=(const ecEventSpecBase& other)
{
    if (this != &other) {
        ecBase::operator=(other);
        m_sName = other.m_sName;
        m_TimeAnchor = other.m_TimeAnchor;
        m_iTabDepth = other.m_iTabDepth;
        CopyFlags(other);
    }
    return *this;
}

ecEventSpecBase::~ecEventSpecBase()
{
    DeleteFlags();
}

void ecEventSpecBase::SetTabDepth(int depth) { m_iTabDepth = depth; }
int ecEventSpecBase::GetTabDepth() const { return m_iTabDepth; }
std::string ecEventSpecBase::GetName() const { return m_sName; }
void ecEventSpecBase::SetName(const std::string& name) { m_sName = name; }
ecTimeAnchor* ecEventSpecBase::GetpTimeAnchor() { return &m_TimeAnchor; }
std::vector<ecCondEventFlag*>* ecEventSpecBase::GetpvFlags() { return &m_vpFlags; }
int ecEventSpecBase::GetNumFlags() const { return static_cast<int>(m_vpFlags.size()); }

void ecEventSpecBase::DeleteFlags() { ecDeleteOwned(m_vpFlags); }

void ecEventSpecBase::CopyFlags(const ecEventSpecBase& other) { ecCopyOwned(other.m_vpFlags, m_vpFlags); }

void ecEventSpecBase::WriteFlags(std::ostream& out, int depth)
{
    for (ecCondEventFlag* flag : m_vpFlags) {
        flag->SetTabDepth(depth);
        flag->WriteXml(out);
    }
}

void ecEventSpecBase::ReadFlags(ecXml& xml, const char* limitMessage)
{
    ecReadOwnedList(xml, m_vpFlags, limitMessage);
}
