#include "ecevents/events/ecEventList.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>
#include <utility>

namespace {

void Unlist(std::vector<std::string>& names, const std::string& name)
{
    const auto it = std::find(names.begin(), names.end(), name);
    if (it != names.end())
        names.erase(it);
}

std::string IndexMessage(const char* operation, int i)
{
    return std::string("[ecEventList::") + operation + "] Index " + std::to_string(i) + " is out of range.";
}

} // namespace

ecEventList::ecEventList() = default;

ecEventList::ecEventList(const ecEventList& other)
    : std::vector<ecEvent>(other),
      ecBase(other),
      m_vUniqueEventNames(other.m_vUniqueEventNames),
      m_iCurrentEventIndex(other.m_iCurrentEventIndex),
      m_iEventListSource(other.m_iEventListSource),
      m_iEventFileMFR(other.m_iEventFileMFR),
      m_fSamplingRate(other.m_fSamplingRate),
      m_sAnnotation(other.m_sAnnotation),
      m_vUniqueTagNames(other.m_vUniqueTagNames),
      m_bExactTime(other.m_bExactTime)
{
}

ecEventList::~ecEventList() = default;

float ecEventList::GetSamplingRate() const { return m_fSamplingRate; }
void ecEventList::SetSamplingRate(float rate) { m_fSamplingRate = rate; }
int ecEventList::GetEventFileMFR() const { return m_iEventFileMFR; }
void ecEventList::SetEventFileMFR(int code) { m_iEventFileMFR = code; }
int ecEventList::GetEventListSource() const { return m_iEventListSource; }
void ecEventList::SetEventListSource(int source) { m_iEventListSource = source; }
int ecEventList::GetCurrentEventIndex() const { return m_iCurrentEventIndex; }
void ecEventList::ResetEventList() { m_iCurrentEventIndex = -1; }
int ecEventList::GetUniqueEventNameCnt() const { return static_cast<int>(m_vUniqueEventNames.size()); }
int ecEventList::GetUniqueTagNameCnt() const { return static_cast<int>(m_vUniqueTagNames.size()); }
std::string ecEventList::GetAnnotation() const { return m_sAnnotation; }
void ecEventList::SetAnnotation(std::string annotation) { m_sAnnotation = std::move(annotation); }
void ecEventList::SetExactTime(bool exact) { m_bExactTime = exact; }
bool ecEventList::IsExactTime() const { return m_bExactTime; }

const ecEvent& ecEventList::GetEvent(int i) const
{
    if (i < 0 || i >= static_cast<int>(size()))
        throw std::out_of_range(IndexMessage("GetEvent", i));
    return (*this)[static_cast<size_type>(i)];
}

ecEvent* ecEventList::GetEventPointer(int i)
{
    if (i < 0 || i >= static_cast<int>(size()))
        throw std::out_of_range(IndexMessage("GetEventPointer", i));
    return &(*this)[static_cast<size_type>(i)];
}

std::string ecEventList::GetUniqueEventName(int i) const
{
    if (i < 0 || i >= static_cast<int>(m_vUniqueEventNames.size()))
        return std::string();
    return m_vUniqueEventNames[static_cast<size_type>(i)];
}

std::string ecEventList::GetUniqueTagName(int i) const
{
    if (i < 0 || i >= static_cast<int>(m_vUniqueTagNames.size()))
        return std::string();
    return m_vUniqueTagNames[static_cast<size_type>(i)];
}

int ecEventList::GetUniqueEventCodeFromName(std::string name) const
{
    const auto it = std::find(m_vUniqueEventNames.begin(), m_vUniqueEventNames.end(), name);
    if (it == m_vUniqueEventNames.end())
        return -1;
    return static_cast<int>(it - m_vUniqueEventNames.begin()) + 1;
}

ecEvent* ecEventList::IsEventInRange(int start, int stop)
{
    for (ecEvent& e : *this) {
        if (e.m_iStart >= start && e.m_iStop <= stop)
            return &e;
    }
    return nullptr;
}

bool ecEventList::AddUniqueEventName(std::string name)
{
    if (name.empty())
        return false;
    if (std::find(m_vUniqueEventNames.begin(), m_vUniqueEventNames.end(), name) != m_vUniqueEventNames.end())
        return false;
    m_vUniqueEventNames.push_back(std::move(name));
    return true;
}

void ecEventList::AppendOneEvent(const ecEvent& e)
{
    AddUniqueEventName(e.m_sName);
    for (ecEvent& stored : *this) {
        if (stored.m_sName == e.m_sName && stored.m_iStart == e.m_iStart && stored.m_iStop == e.m_iStop) {
            ecEvent copy(e);
            copy.m_nLoadCount = stored.m_nLoadCount + 1;
            stored = std::move(copy);
            return;
        }
    }
    push_back(e);
    back().m_nLoadCount = 1;
    SetDirty(true);
}

void ecEventList::DeleteOneEvent(int i)
{
    if (i < 0)
        throw std::out_of_range(IndexMessage("DeleteOneEvent", i));
    if (i >= static_cast<int>(size()))
        return;
    const std::string name = (*this)[static_cast<size_type>(i)].m_sName;
    erase(begin() + i);
    const bool stillThere =
        std::any_of(begin(), end(), [&name](const ecEvent& e) { return e.m_sName == name; });
    if (!stillThere)
        Unlist(m_vUniqueEventNames, name);
}

namespace {

int FindSame(const std::vector<ecEvent>& events, const ecEvent& e)
{
    for (std::size_t i = 0; i < events.size(); ++i) {
        const ecEvent& s = events[i];
        if (s.m_sName == e.m_sName && s.m_iStart == e.m_iStart && s.m_iStop == e.m_iStop)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

void ecEventList::DeleteOneEvent(const ecEvent& e)
{
    const int i = FindSame(*this, e);
    if (i >= 0)
        DeleteOneEvent(i);
}

void ecEventList::UnloadOneEvent(int i)
{
    if (i < 0)
        throw std::out_of_range(IndexMessage("UnloadOneEvent", i));
    if (i >= static_cast<int>(size()))
        return;
    ecEvent& e = (*this)[static_cast<size_type>(i)];
    if (e.m_nLoadCount > 1) {
        --e.m_nLoadCount;
        return;
    }
    DeleteOneEvent(i);
}

void ecEventList::UnloadOneEvent(const ecEvent& e)
{
    const int i = FindSame(*this, e);
    if (i >= 0)
        UnloadOneEvent(i);
}

bool ecEventList::RemoveFlaggedEvents(const std::vector<char>& remove)
{
    std::unordered_set<std::string> removedNames;
    size_type kept = 0;
    for (size_type i = 0; i < size(); ++i) {
        ecEvent& e = (*this)[i];
        if (remove[i]) {
            removedNames.insert(e.m_sName);
            continue;
        }
        if (kept != i)
            (*this)[kept] = std::move(e);
        ++kept;
    }
    if (kept == size())
        return false;
    erase(begin() + static_cast<difference_type>(kept), end());

    // A removed name stays listed while some other event still carries it.
    for (const ecEvent& e : *this) {
        if (removedNames.empty())
            break;
        removedNames.erase(e.m_sName);
    }
    if (!removedNames.empty()) {
        m_vUniqueEventNames.erase(std::remove_if(m_vUniqueEventNames.begin(), m_vUniqueEventNames.end(),
                                                 [&removedNames](const std::string& n) {
                                                     return removedNames.count(n) != 0;
                                                 }),
                                  m_vUniqueEventNames.end());
    }
    return true;
}

void ecEventList::DeleteAllNamedEvents(std::string name)
{
    std::vector<char> remove(size(), 0);
    for (size_type i = 0; i < size(); ++i)
        remove[i] = (*this)[i].m_sName == name;
    RemoveFlaggedEvents(remove);
    Unlist(m_vUniqueEventNames, name);
}

void ecEventList::UnloadAllNamedEvents(std::string name)
{
    std::vector<char> remove(size(), 0);
    bool anyStayed = false;
    for (size_type i = 0; i < size(); ++i) {
        ecEvent& e = (*this)[i];
        if (e.m_sName != name)
            continue;
        if (e.m_nLoadCount < 2) {
            remove[i] = 1;
        } else {
            --e.m_nLoadCount;
            anyStayed = true;
        }
    }
    RemoveFlaggedEvents(remove);
    if (!anyStayed)
        Unlist(m_vUniqueEventNames, name);
}

void ecEventList::ClearForRead()
{
    SetState(0);
    SetOption(0);
    SetInstanceType(0);
    std::vector<ecEvent>::clear();
    m_vUniqueEventNames.clear();
    m_vUniqueTagNames.clear();
    m_iCurrentEventIndex = -1;
    m_sAnnotation.clear();
    SetDirty(false);
}

void ecEventList::Clear()
{
    ClearForRead();
    m_fSamplingRate = 0.0f;
}

void ecEventList::ClearStatus()
{
    for (ecEvent& e : *this)
        e.ClearStatus();
}

void ecEventList::RebuildUniqueEventNames()
{
    m_vUniqueEventNames.clear();
    std::unordered_set<std::string> seen;
    for (const ecEvent& e : *this) {
        if (!e.m_sName.empty() && seen.insert(e.m_sName).second)
            m_vUniqueEventNames.push_back(e.m_sName);
    }
}

int ecEventList::GetEventCnt(bool skipRejected) const
{
    if (!skipRejected)
        return static_cast<int>(size());
    return static_cast<int>(std::count_if(begin(), end(), [](const ecEvent& e) { return !e.IsRejected(); }));
}

int ecEventList::GetEventCnt(std::string name, bool skipRejected) const
{
    return static_cast<int>(std::count_if(begin(), end(), [&](const ecEvent& e) {
        return e.m_sName == name && !(skipRejected && e.IsRejected());
    }));
}

int ecEventList::GetTagCnt(std::string tag, bool skipRejected) const
{
    return static_cast<int>(std::count_if(begin(), end(), [&](const ecEvent& e) {
        if (skipRejected && e.IsRejected())
            return false;
        return std::find(e.m_vTags.begin(), e.m_vTags.end(), tag) != e.m_vTags.end();
    }));
}

ecEvent* ecEventList::GetNextEvent(bool acceptedOnly)
{
    const int next = m_iCurrentEventIndex + 1;
    if (empty() || next >= static_cast<int>(size()) || m_iCurrentEventIndex < -1)
        return nullptr;
    for (int i = next; i < static_cast<int>(size()); ++i) {
        ecEvent& e = (*this)[static_cast<size_type>(i)];
        if (!acceptedOnly || e.IsAccepted()) {
            m_iCurrentEventIndex = i;
            return &e;
        }
    }
    return nullptr;
}

ecEvent* ecEventList::GetNextEvent(std::string name, bool acceptedOnly)
{
    const int next = m_iCurrentEventIndex + 1;
    if (empty() || next >= static_cast<int>(size()) || m_iCurrentEventIndex < -1)
        return nullptr;
    for (int i = next; i < static_cast<int>(size()); ++i) {
        ecEvent& e = (*this)[static_cast<size_type>(i)];
        if (e.m_sName == name && (!acceptedOnly || e.IsAccepted())) {
            m_iCurrentEventIndex = i;
            return &e;
        }
    }
    return nullptr;
}
