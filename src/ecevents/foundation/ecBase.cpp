#include "ecevents/foundation/ecBase.h"

#include <ostream>

#include "ecutil/ecXml.h"

ecBase::ecBase() = default;

ecBase::ecBase(ecBase::instanceType type) : m_iInstanceType(static_cast<int>(type)) {}

ecBase::ecBase(const ecBase& other)
{
    ecBase::operator=(other);
}

ecBase::~ecBase() = default;

void ecBase::SetState(long state) { m_iState = static_cast<int>(state); }
void ecBase::SetOption(long option) { m_iOption = static_cast<int>(option); }
void ecBase::SetInstanceType(long type) { m_iInstanceType = static_cast<int>(type); }
void ecBase::SetStateFlag(long flag) { m_iState |= static_cast<int>(flag); }
void ecBase::SetOptionFlag(long flag) { m_iOption |= static_cast<int>(flag); }
void ecBase::ClearStateFlag(long flag) { m_iState &= ~static_cast<int>(flag); }
void ecBase::ClearOptionFlag(long flag) { m_iOption &= ~static_cast<int>(flag); }
long ecBase::GetState() const { return m_iState; }
long ecBase::GetOption() const { return m_iOption; }
long ecBase::GetInstanceType() const { return m_iInstanceType; }
void ecBase::SetDirty(bool dirty) { m_bDirtyFlag = dirty; }
bool ecBase::IsDirty() const { return m_bDirtyFlag; }
long ecBase::GetErrorCode() const { return m_iErrorCode; }

int ecBase::operator=(const ecBase& other)
{
    // Through the getters, so that a derived source answers for itself.
    m_iState = static_cast<int>(other.GetState());
    m_iOption = static_cast<int>(other.GetOption());
    m_iInstanceType = static_cast<int>(other.GetInstanceType());
    m_iErrorCode = static_cast<int>(other.GetErrorCode());
    m_bDirtyFlag = other.IsDirty();
    return 0;
}

int ecBase::operator==(const ecBase& other)
{
    if (other.GetState() != m_iState)
        return 0;
    if (other.GetOption() != m_iOption)
        return 0;
    if (other.GetInstanceType() != m_iInstanceType)
        return 0;
    return 1;
}

bool ecBase::WriteXml(std::ostream& out)
{
    out << "<state>" << static_cast<unsigned int>(m_iState) << "</state>"
        << "<option>" << static_cast<unsigned int>(m_iOption) << "</option>"
        << "<ErrorCode>" << static_cast<unsigned int>(m_iErrorCode) << "</ErrorCode>"
        << "<InstanceType>" << static_cast<unsigned int>(m_iInstanceType) << "</InstanceType>"
        << "<bDirtyFlag>" << (m_bDirtyFlag ? 1 : 0) << "</bDirtyFlag>";
    return true;
}

bool ecBase::ReadXml(ecXml& xml)
{
    m_iState = xml.GetInt("state");
    m_iOption = xml.GetInt("option");
    m_iErrorCode = xml.GetInt("ErrorCode");
    m_iInstanceType = xml.GetInt("InstanceType");
    m_bDirtyFlag = xml.GetBool("bDirtyFlag");
    return true;
}
