#include "ecevents/specs/ecMatchRecord.h"

#include <limits>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecPar_BinDesc.h"

void ecMatchRecord::Clear() {
    m_vConditionalNames.clear();
    m_vMatches.clear();
    m_vAttempt.clear();
    m_nEvents = 0;
}

int ecMatchRecord::GetNumSpecs() const {
    return static_cast<int>(m_vMatches.size());
}

const std::vector<ecMatchRecord::Match>& ecMatchRecord::GetMatches(int iSpec) const {
    static const std::vector<Match> none;
    return iSpec >= 0 && iSpec < GetNumSpecs() ? m_vMatches[iSpec] : none;
}

int ecMatchRecord::ConditionalIndex(int iSpec, const std::string& name) const {
    if (iSpec < 0 || iSpec >= GetNumSpecs())
        return -1;
    const std::vector<std::string>& names = m_vConditionalNames[iSpec];
    for (size_t c = 0; c < names.size(); ++c)
        if (names[c] == name)
            return static_cast<int>(c);
    return -1;
}

int ecMatchRecord::GetNumEvents() const {
    return m_nEvents;
}

std::vector<double> ecMatchRecord::Latencies(const ecEventList& list, int iSpec, const std::string& conditional) const {
    const int c = ConditionalIndex(iSpec, conditional);
    if (c < 0)
        throw ecError("[ecMatchRecord::Latencies] Attribute spec " + std::to_string(iSpec) +
                      " has no conditional named \"" + conditional + "\".");
    const double rate = list.GetSamplingRate();
    if (!(rate > 0.0))
        throw ecError("[ecMatchRecord::Latencies] Sampling rate is not positive.");
    if (static_cast<int>(list.size()) != m_nEvents)
        throw ecError("[ecMatchRecord::Latencies] Event list differs from the matched one.");
    std::vector<double> latencies(list.size(), std::numeric_limits<double>::quiet_NaN());
    for (const Match& m : m_vMatches[iSpec]) {
        if (list[m.iEvent].m_iStart != m.iStart)
            throw ecError("[ecMatchRecord::Latencies] Event list differs from the matched one.");
        if (m.vFound[c] < 0)
            continue;
        // The difference of two ints may not fit one.
        const long long samples = static_cast<long long>(m.vFoundStart[c]) - m.iStart;
        latencies[m.iEvent] = static_cast<double>(samples) / rate;
    }
    return latencies;
}

void ecMatchRecord::Begin(ecPar_BinDesc& binDesc, int numEvents) {
    Clear();
    m_nEvents = numEvents;
    for (ecAttribSpec* spec : *binDesc.GetpAttribSpecList()) {
        std::vector<std::string> names;
        for (ecConditional* cond : *spec->GetpEventSpecs()->GetpConditionalList())
            names.push_back(cond->GetName());
        m_vConditionalNames.push_back(names);
    }
    m_vMatches.resize(m_vConditionalNames.size());
}

void ecMatchRecord::BeginAttempt() {
    m_vAttempt.clear();
}

void ecMatchRecord::NoteFound(const ecConditional* cond, int iEvent, int iStart) {
    m_vAttempt.push_back({cond, {iEvent, iStart}});
}

void ecMatchRecord::Keep(int iSpec, ecAttribSpec* spec, int iEvent, int iStart) {
    const std::vector<ecConditional*>& conds = *spec->GetpEventSpecs()->GetpConditionalList();
    Match m;
    m.iEvent = iEvent;
    m.iStart = iStart;
    m.vFound.assign(conds.size(), -1);
    m.vFoundStart.assign(conds.size(), 0);
    // Each conditional is evaluated once per attempt, so it was found at most
    // once in it.
    for (const auto& found : m_vAttempt) {
        for (size_t c = 0; c < conds.size(); ++c) {
            if (conds[c] == found.first) {
                m.vFound[c] = found.second.first;
                m.vFoundStart[c] = found.second.second;
            }
        }
    }
    m_vMatches[iSpec].push_back(m);
}
