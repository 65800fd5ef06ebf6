#include "ecevents/specs/ecTimeAnchor.h"

#include <ostream>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

ecTimeAnchor::ecTimeAnchor() = default;

ecTimeAnchor::ecTimeAnchor(const ecTimeAnchor& other) : ecBase(other)
{
    CopyFrom(other);
}

ecTimeAnchor& ecTimeAnchor::operator=(const ecTimeAnchor& other)
{
    if (this != &other) {
        ecBase::operator=(other);
        CopyFrom(other);
    }
    return *this;
}

ecTimeAnchor::~ecTimeAnchor() = default;

void ecTimeAnchor::CopyFrom(const ecTimeAnchor& other)
{
    m_fLatencyWRTSpecifier = other.m_fLatencyWRTSpecifier;
    m_sName = other.m_sName;
    m_iEventListIndex = other.m_iEventListIndex;
    m_fLatencyWRTHome = other.m_fLatencyWRTHome;
    m_fLatencyAbsolute = other.m_fLatencyAbsolute;
    m_llSampleAbsolute = other.m_llSampleAbsolute;
}

void ecTimeAnchor::SetTabDepth(int depth) { m_iTabDepth = depth; }
int ecTimeAnchor::GetTabDepth() const { return m_iTabDepth; }
float ecTimeAnchor::GetLatencyWRTSpecifier() const { return m_fLatencyWRTSpecifier; }
void ecTimeAnchor::SetLatencyWRTSpecifier(float latency) { m_fLatencyWRTSpecifier = latency; }
void ecTimeAnchor::SetLatencyWRTHome(float latency) { m_fLatencyWRTHome = latency; }
float ecTimeAnchor::GetLatencyWRTHome() const { return m_fLatencyWRTHome; }
void ecTimeAnchor::SetLatencyAbsolute(float latency) { m_fLatencyAbsolute = latency; }
float ecTimeAnchor::GetLatencyAbsolute() const { return m_fLatencyAbsolute; }
void ecTimeAnchor::SetSampleAbsolute(long long sample) { m_llSampleAbsolute = sample; }
long long ecTimeAnchor::GetSampleAbsolute() const { return m_llSampleAbsolute; }
void ecTimeAnchor::SetEventListIndex(unsigned int index) { m_iEventListIndex = static_cast<int>(index); }
int ecTimeAnchor::GetEventListIndex() const { return m_iEventListIndex; }
std::string ecTimeAnchor::GetName() const { return m_sName; }
void ecTimeAnchor::SetName(const std::string& name) { m_sName = name; }
bool ecTimeAnchor::IsMinus() const { return (GetOption() & kMinus) != 0; }

void ecTimeAnchor::SetDisplayCoords(int x, int y)
{
    m_iDisplayX = x;
    m_iDisplayY = y;
}

void ecTimeAnchor::GetDisplayCoords(int& x, int& y) const
{
    x = m_iDisplayX;
    y = m_iDisplayY;
}

void ecTimeAnchor::ReadXml(ecXml& xml)
{
    if (xml.CharacterData("logic") == "-")
        SetOptionFlag(kMinus);
    else
        ClearOptionFlag(kMinus);
    m_fLatencyWRTSpecifier = xml.GetFloat("latency");
    m_sName = xml.CharacterData("EventSpecifier");
}

void ecTimeAnchor::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    xml.Line(m_iTabDepth, "logic", (IsMinus() ? "-" : "+"));
    xml.Line(m_iTabDepth, "latency", m_fLatencyWRTSpecifier);
    xml.Line(m_iTabDepth, "EventSpecifier", m_sName);
}

void ecTimeAnchor::ResetRuntimeParameters()
{
    m_iEventListIndex = -1;
    m_fLatencyWRTHome = 0.0f;
    m_fLatencyAbsolute = 0.0f;
    m_llSampleAbsolute = 0;
    m_iTabDepth = 0;
}
