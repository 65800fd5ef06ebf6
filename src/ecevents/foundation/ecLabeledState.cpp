#include "ecevents/foundation/ecLabeledState.h"

#include <ostream>

#include "ecutil/ecXml.h"

ecLabeledState::ecLabeledState() = default;

ecLabeledState::ecLabeledState(const ecLabeledState& other) : ecBase()
{
    operator=(other);
}

ecLabeledState::~ecLabeledState() = default;

void ecLabeledState::SetLabel(std::string label) { m_sLabel = std::move(label); }
std::string ecLabeledState::GetLabel() { return m_sLabel; }
void ecLabeledState::SetDataUnit(std::string unit) { m_sDataUnit = std::move(unit); }
std::string ecLabeledState::GetDataUnit() { return m_sDataUnit; }
void ecLabeledState::SetUseDataUnit(bool use) { m_bUseDataUnit = use; }
bool ecLabeledState::UseDataUnit() const { return m_bUseDataUnit; }
void ecLabeledState::SetUseSIPrefix(bool use) { m_bUseSIPrefix = use; }
bool ecLabeledState::UseSIPrefix() const { return m_bUseSIPrefix; }

int ecLabeledState::operator=(const ecLabeledState& other)
{
    // The getters are not const; the source is only read through them.
    ecLabeledState& source = const_cast<ecLabeledState&>(other);
    m_iState = static_cast<int>(source.GetState());
    m_iOption = static_cast<int>(source.GetOption());
    m_iInstanceType = static_cast<int>(source.GetInstanceType());
    m_iErrorCode = static_cast<int>(source.GetErrorCode());
    m_bDirtyFlag = source.IsDirty();
    m_sLabel = source.GetLabel();
    m_sDataUnit = source.GetDataUnit();
    m_bUseDataUnit = source.UseDataUnit();
    m_bUseSIPrefix = source.UseSIPrefix();
    return 0;
}

int ecLabeledState::operator==(ecLabeledState& other)
{
    if (other.GetState() != m_iState)
        return 0;
    if (other.GetOption() != m_iOption)
        return 0;
    if (other.GetLabel() != m_sLabel)
        return 0;
    if (other.GetDataUnit() != m_sDataUnit)
        return 0;
    if (other.UseDataUnit() != m_bUseDataUnit)
        return 0;
    if (other.UseSIPrefix() != m_bUseSIPrefix)
        return 0;
    return 1;
}

bool ecLabeledState::WriteXml(std::ostream& out)
{
    out << "<item>"
        << "<l>" << m_sLabel << "</l>"
        << "<s>" << static_cast<unsigned int>(m_iState) << "</s>"
        << "<DataUnit>" << m_sDataUnit << "</DataUnit>"
        << "<UseDataUnit>" << (m_bUseDataUnit ? 1 : 0) << "</UseDataUnit>"
        << "<UseSIPrefix>" << (m_bUseSIPrefix ? 1 : 0) << "</UseSIPrefix>"
        << "</item>" << '\n';
    out.flush();
    return true;
}

bool ecLabeledState::ReadXml(ecXml& xml)
{
    ecXml item = xml.Sub("item");
    m_sLabel = item.CharacterData("l");
    m_iState = item.GetInt("s");
    if (item.TagExists("DataUnit"))
        m_sDataUnit = item.CharacterData("DataUnit");
    if (item.TagExists("UseDataUnit"))
        m_bUseDataUnit = item.GetBool("UseDataUnit");
    if (item.TagExists("UseSIPrefix"))
        m_bUseSIPrefix = item.GetBool("UseSIPrefix");
    item.Free();
    return true;
}
