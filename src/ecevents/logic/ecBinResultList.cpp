#include "ecevents/logic/ecBinResultList.h"

#include <algorithm>
#include <ostream>
#include <unordered_set>

#include "ecevents/events/ecEvent.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

ecBinResultList::ecBinResultList()
    : m_iPreselect(-1)
    , m_pEvents(nullptr)
{
    m_Logic.SetpParent(this);
}

ecBinResultList::ecBinResultList(const ecBinResultList&)
    : ecBinResultList()
{
}

ecBinResultList::~ecBinResultList() = default;

ecBinResultList& ecBinResultList::operator=(const ecBinResultList&)
{
    return *this;
}

void ecBinResultList::SetpEvents(ecEventList* pEvents)
{
    m_pEvents = pEvents;
}

ecEventList* ecBinResultList::GetpEvents()
{
    return m_pEvents;
}

bool ecBinResultList::ReadXml(ecXml& xml)
{
    static const std::string prefix = "[ecBinResultList::ReadXml] ";
    xml.Reset();
    ecXml doc = xml.Sub("bin_results");
    if (doc.IsEmpty())
        throw ecError(prefix + "Missing <bin_results> tag");

    // The machine's current epoch points into the list about to be refilled.
    m_Logic.m_pEpoch = nullptr;
    m_vEpochs.clear();
    ecEventRelatedEpoch epoch;
    while (epoch.ReadXml(doc))
        m_vEpochs.push_back(epoch);
    if (m_vEpochs.empty())
        throw ecError(prefix + "Under <bin_results>, at least one event-related <epoch> must be specified.");

    // The event list cannot change while the sequences run, so the machine
    // may keep what it derived from it from one sequence to the next.
    struct DocumentRun {
        ecEventLogic& logic;
        explicit DocumentRun(ecEventLogic& l)
            : logic(l)
        {
            logic.m_Exclusion.Clear();
            logic.m_bInDocument = true;
        }
        ~DocumentRun()
        {
            logic.m_bInDocument = false;
            logic.m_Exclusion.Clear();
        }
    } run(m_Logic);

    if (!m_Logic.ReadXml(doc))
        throw ecError(prefix + "Under <bin_results>, at least one <bin_ops> sequence must be specified.");
    while (m_Logic.ReadXml(doc)) {
    }
    return true;
}

void ecBinResultList::WriteXml(std::ostream& out)
{
    out << "<bin_results>" << std::endl;
    out << "</bin_results>" << std::endl;
}

ecEventRelatedEpoch* ecBinResultList::GetpEpoch(std::string id, bool bThrow)
{
    static const std::string prefix = "[ecBinResultList::GetpEpoch] ";
    if (id.empty()) {
        if (!m_vEpochs.empty())
            return &m_vEpochs.front();
        if (bThrow)
            throw ecError(prefix + "No epochs have been specified");
        return nullptr;
    }
    for (auto it = m_vEpochs.rbegin(); it != m_vEpochs.rend(); ++it)
        if (it->sID == id)
            return &*it;
    if (bThrow)
        throw ecError(prefix + "Please verify formulas: No epoch parameters found with ID = " + id);
    return nullptr;
}

ecEventRelatedEpoch* ecBinResultList::GetpEpoch()
{
    if (m_iPreselect < 0 || static_cast<std::size_t>(m_iPreselect) >= m_vResultList.size())
        return nullptr;
    return &m_vResultList[static_cast<std::size_t>(m_iPreselect)].m_Epoch;
}

const ecBinResult* ecBinResultList::GetpPreselected() const
{
    if (m_iPreselect < 0 || static_cast<std::size_t>(m_iPreselect) >= m_vResultList.size())
        return nullptr;
    return &m_vResultList[static_cast<std::size_t>(m_iPreselect)];
}

ecBinResult* ecBinResultList::GetpResult(std::string id, bool bThrow)
{
    for (auto it = m_vResultList.rbegin(); it != m_vResultList.rend(); ++it) {
        if (it->m_sID != id)
            continue;
        if (!it->R1)
            throw ecError("[ecBinResultList::GetpResult] Technical error (m_vResultList[i].R1==NULL)");
        return &*it;
    }
    if (bThrow)
        throw ecError("[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = " + id);
    return nullptr;
}

void ecBinResultList::ResetForPreselection()
{
    m_iPreselect = -1;
}

std::string ecBinResultList::PreselectNextBin()
{
    static const std::string prefix = "[ecBinResultList::PreselectNextBin] ";
    if (!m_pEvents)
        throw ecError(prefix + "Technical error (m_pEvents==NULL)");
    const std::size_t nEvents = m_pEvents->size();
    const std::size_t nResults = m_vResultList.size();
    std::size_t i = m_iPreselect < 0 ? 0 : static_cast<std::size_t>(m_iPreselect) + 1;
    for (; i < nResults; ++i) {
        const ecBinResult& r = m_vResultList[i];
        if (r.m_nItems < 0 || static_cast<std::size_t>(r.m_nItems) != nEvents)
            throw ecError(prefix + "Technical error (nEvents != pResult->m_nItems)");
        const bool unusable = r.m_bPopped || r.m_bHidden || r.m_nOrder != 1 || r.m_sID.empty();
        const bool* selected = r.R1;
        const bool skip =
            unusable && (!selected || std::find(selected, selected + nEvents, true) == selected + nEvents);
        // Turning an event off and then on leaves it as turning it on alone
        // does, so one pass marks the bin.
        for (std::size_t k = 0; k < nEvents; ++k) {
            ecEvent& e = (*m_pEvents)[k];
            if (!skip && selected && selected[k])
                e.SetStatusOn();
            else
                e.SetStatusOff();
        }
        if (skip)
            continue;
        m_iPreselect = static_cast<int>(i);
        return r.m_sID;
    }
    m_iPreselect = static_cast<int>(nResults);
    return std::string();
}

ecEventList ecBinResultList::PreselectedEvents() const
{
    if (!m_pEvents)
        throw ecError("[ecBinResultList::PreselectedEvents] Technical error (m_pEvents==NULL)");
    // Each name is registered once through a set, so that the copy stays
    // linear in the number of events.
    ecEventList bin;
    bin.SetSamplingRate(m_pEvents->GetSamplingRate());
    std::unordered_set<std::string> names;
    for (const ecEvent& e : *m_pEvents) {
        if (!e.IsStatusOn())
            continue;
        bin.push_back(e);
        if (names.insert(e.m_sName).second)
            bin.AddUniqueEventName(e.m_sName);
    }
    return bin;
}

void ecBinResultList::WriteResultsAsEvents(std::string sBase)
{
    if (!m_pEvents)
        throw ecError("[ecBinResultList::WriteResultsAsEvents] Technical error (m_pEvents==NULL)");
    ResetForPreselection();
    for (std::string id = PreselectNextBin(); !id.empty(); id = PreselectNextBin())
        PreselectedEvents().Write((sBase + "_" + id + ".evt").c_str());
}
