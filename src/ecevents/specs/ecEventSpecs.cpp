#include "ecevents/specs/ecEventSpecs.h"

#include <ostream>

#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

namespace {

template <class T>
T* AppendNamed(std::vector<T*>& list, const std::string& name)
{
    auto created = std::make_unique<T>();
    created->SetName(name);
    list.push_back(created.get());
    return created.release();
}

template <class T>
T* FindNamed(std::vector<T*>& list, const std::string& name)
{
    for (T* item : list)
        if (item->GetName() == name)
            return item;
    return nullptr;
}

// Creates prefix + index when the index is beyond the end, then adds the name
// to the target or conditional at the index (or to the last one if still beyond the end).
template <class T>
void AddEventAt(std::vector<T*>& list, const std::string& name, int index, const char* prefix)
{
    if (index < 0)
        return;
    if (static_cast<std::size_t>(index) >= list.size())
        AppendNamed(list, prefix + std::to_string(index));
    T* spec = static_cast<std::size_t>(index) < list.size() ? list[static_cast<std::size_t>(index)] : list.back();
    spec->AddEvent(name);
}

template <class T>
int NumEventsAt(std::vector<T*>& list, int index)
{
    if (!ecIsIndex(list, index))
        return -1;
    return list[static_cast<std::size_t>(index)]->GetNumEvents();
}

template <class T>
void DeleteAt(std::vector<T*>& list, int index)
{
    if (!ecIsIndex(list, index))
        return;
    delete list[static_cast<std::size_t>(index)];
    list.erase(list.begin() + index);
}

template <class T>
void DeleteEventAt(std::vector<T*>& list, int iEvent, int index)
{
    if (!ecIsIndex(list, index))
        return;
    std::vector<std::string>& names = *list[static_cast<std::size_t>(index)]->GetpEventNames();
    if (ecIsIndex(names, iEvent))
        names.erase(names.begin() + iEvent);
}

} // namespace

ecEventSpecs::ecEventSpecs() = default;

ecEventSpecs::ecEventSpecs(const ecEventSpecs& other)
{
    CopyFrom(other);
}

ecEventSpecs& ecEventSpecs::operator=(const ecEventSpecs& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

ecEventSpecs::~ecEventSpecs()
{
    DeleteAll();
}

void ecEventSpecs::DeleteAll()
{
    ecDeleteOwned(m_vpTargets);
    ecDeleteOwned(m_vpConditionals);
}

void ecEventSpecs::CopyFrom(const ecEventSpecs& other)
{
    ecCopyOwned(other.m_vpTargets, m_vpTargets);
    ecCopyOwned(other.m_vpConditionals, m_vpConditionals);
    m_iTabDepth = other.m_iTabDepth;
}

void ecEventSpecs::SetTabDepth(int depth) { m_iTabDepth = depth; }
int ecEventSpecs::GetTabDepth() const { return m_iTabDepth; }

std::vector<ecTarget*>* ecEventSpecs::GetpTargetList() { return &m_vpTargets; }
int ecEventSpecs::GetNumTargets() const { return static_cast<int>(m_vpTargets.size()); }
ecTarget* ecEventSpecs::GetpTarget(int iTarget) { return m_vpTargets.at(static_cast<std::size_t>(iTarget)); }
std::vector<ecConditional*>* ecEventSpecs::GetpConditionalList() { return &m_vpConditionals; }
int ecEventSpecs::GetNumConditionals() const { return static_cast<int>(m_vpConditionals.size()); }
ecConditional* ecEventSpecs::GetpConditional(int iCond)
{
    return m_vpConditionals.at(static_cast<std::size_t>(iCond));
}

ecTarget* ecEventSpecs::NameToTarget(const std::string& name) { return FindNamed(m_vpTargets, name); }

ecConditional* ecEventSpecs::NameToConditional(const std::string& name)
{
    return FindNamed(m_vpConditionals, name);
}

ecTimeAnchor* ecEventSpecs::NameToTimeAnchor(const std::string& name)
{
    if (name.empty())
        throw ecError("[ecEventSpecs::NameToTimeAnchor] Null name string.");
    if (ecTarget* target = NameToTarget(name))
        return target->GetpTimeAnchor();
    if (ecConditional* cond = NameToConditional(name))
        return cond->GetpTimeAnchor();
    return nullptr;
}

void ecEventSpecs::AddTargetEvent(const std::string& name, int iTarget)
{
    AddEventAt(m_vpTargets, name, iTarget, "T");
}

void ecEventSpecs::AddConditionalEvent(const std::string& name, int iCond)
{
    AddEventAt(m_vpConditionals, name, iCond, "C");
}

std::string ecEventSpecs::GetTargetEvent(int iEvent, int iTarget)
{
    return GetpTarget(iTarget)->GetpEventNames()->at(static_cast<std::size_t>(iEvent));
}

std::string ecEventSpecs::GetConditionalEvent(int iEvent, int iCond)
{
    return GetpConditional(iCond)->GetpEventNames()->at(static_cast<std::size_t>(iEvent));
}

std::string ecEventSpecs::GetTargetName(int iTarget)
{
    if (m_vpTargets.empty())
        return std::string();
    return GetpTarget(iTarget)->GetName();
}

std::string ecEventSpecs::GetConditionalName(int iCond) { return GetpConditional(iCond)->GetName(); }
int ecEventSpecs::GetNumEventsInTarget(int iTarget) { return NumEventsAt(m_vpTargets, iTarget); }
int ecEventSpecs::GetNumEventsInConditional(int iCond) { return NumEventsAt(m_vpConditionals, iCond); }

ecTarget* ecEventSpecs::AppendTarget(const std::string& name) { return AppendNamed(m_vpTargets, name); }

ecConditional* ecEventSpecs::AppendConditional(const std::string& name)
{
    return AppendNamed(m_vpConditionals, name);
}

void ecEventSpecs::DeleteOneTarget(int iTarget) { DeleteAt(m_vpTargets, iTarget); }
void ecEventSpecs::DeleteOneConditional(int iCond) { DeleteAt(m_vpConditionals, iCond); }

void ecEventSpecs::DeleteOneTargetEvent(int iEvent, int iTarget)
{
    DeleteEventAt(m_vpTargets, iEvent, iTarget);
}

void ecEventSpecs::DeleteOneConditionalEvent(int iEvent, int iCond)
{
    DeleteEventAt(m_vpConditionals, iEvent, iCond);
}

void ecEventSpecs::ResetRuntimeParameters()
{
    for (ecTarget* target : m_vpTargets)
        target->ResetRuntimeParameters();
    for (ecConditional* cond : m_vpConditionals)
        cond->ResetRuntimeParameters();
}

void ecEventSpecs::ConsistencyCheck()
{
    for (ecConditional* cond : m_vpConditionals)
        cond->ConsistencyCheck();
}

bool ecEventSpecs::ReadXml(ecXml& xml)
{
    ecXml specs = xml.Sub("event_specs");
    if (specs.IsEmpty())
        return false;
    ecReadOwnedList(specs, m_vpTargets, "[ecEventSpecs::ReadXml] Target limit exceeded.");
    ecReadOwnedList(specs, m_vpConditionals, "[ecEventSpecs::ReadXml] Conditional limit exceeded.");
    return true;
}

void ecEventSpecs::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    xml.OpenLine(m_iTabDepth, "event_specs");
    for (ecTarget* target : m_vpTargets) {
        target->SetTabDepth(m_iTabDepth + 1);
        target->WriteXml(out);
    }
    for (ecConditional* cond : m_vpConditionals) {
        cond->SetTabDepth(m_iTabDepth + 1);
        cond->WriteXml(out);
    }
    xml.CloseLine(m_iTabDepth, "event_specs");
}
