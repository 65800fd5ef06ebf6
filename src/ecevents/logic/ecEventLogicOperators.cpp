// The operators of the event-logic machine.
#include "ecevents/logic/ecEventLogic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "ecevents/events/ecEvent.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/logic/ecBinResultList.h"

namespace {

// Equality of two texts with the cheap tests first: names and tags that
// differ mostly differ in length or in their first or last character.
inline bool SameText(const std::string& a, const std::string& b)
{
    const std::size_t n = a.size();
    if (n != b.size())
        return false;
    if (n == 0)
        return true;
    const char* x = a.data();
    const char* y = b.data();
    if (x[n - 1] != y[n - 1] || x[0] != y[0])
        return false;
    // Names and tags are short: a plain loop beats a library call.
    for (std::size_t k = 1; k + 1 < n; ++k)
        if (x[k] != y[k])
            return false;
    return true;
}

bool Contains(const std::vector<std::string>& list, const std::string& text)
{
    for (const std::string& item : list)
        if (SameText(item, text))
            return true;
    return false;
}

// The percent factor of "KeepSector" is the single-precision 0.01.
const double kPercent = static_cast<double>(0.01f);

} // namespace

// ---------------------------------------------------------------- helpers

std::vector<std::string> ecEventLogic::ReadSList(ecXml& xml)
{
    std::vector<std::string> values;
    int begin = 0;
    int end = 0;
    while (xml.GetBeginEnd(begin, end, "s") && begin < m_iOpIdEnd)
        xml.CharacterDataNext("s");
    for (std::string s = xml.CharacterDataNext("s"); !s.empty(); s = xml.CharacterDataNext("s"))
        values.push_back(s);
    return values;
}

template <class Visit>
void ecEventLogic::Walk(Visit&& visit)
{
    ResetNextEvent();
    ecEventList* events = GetpEvents();
    const int n = static_cast<int>(events->size());
    if (n > 0)
        ResolveWalkDomains();
    const bool* global = m_pWalkGlobal;
    const bool* local = m_pWalkLocal;
    ecEvent* event = events->data();
    for (int i = 0; i < n; ++i) {
        if ((global && !global[i]) || (local && !local[i]))
            continue;
        m_iNextEvent = i;
        visit(i, event[i]);
    }
    m_iNextEvent = n;
}

// ---------------------------------------------------------------- operators

void ecEventLogic::Op0_Attribs(ecXml& xml)
{
    const std::vector<std::string> values = ReadSList(xml);
    if (values.empty())
        throw ecError("[ecEventLogic::Op0_Attribs] No event attributes extracted from AttribCluster");
    GetpEvents();
    ecBinResult* r = Push(nullptr);
    std::string id;
    for (const std::string& v : values)
        id += v;
    SetResultID(r, id);
    bool* out = r->R1;
    Walk([&](int i, const ecEvent& e) {
        const std::vector<std::string>& tags = e.m_vTags;
        if (values.size() > tags.size())
            return;
        for (const std::string& v : values)
            if (!Contains(tags, v))
                return;
        out[i] = true;
    });
}

void ecEventLogic::Op0_GetBin(ecXml& xml)
{
    const std::string id = xml.CharacterData("s");
    if (id.empty())
        throw ecError("[ecEventLogic::Op0_GetBin] Missing or empty ID string for saved result");
    ecBinResult* saved = GetpParentResult(id, true);
    CheckResultLength(*saved);
    Push(saved);
}

void ecEventLogic::Op0_Names(ecXml& xml)
{
    const std::vector<std::string> names = ReadSList(xml);
    if (names.empty())
        throw ecError("[ecEventLogic::Op0_Names] No event names extracted from NameList");
    GetpEvents();
    ecBinResult* r = Push(nullptr);
    bool* out = r->R1;
    // A long list is hashed; a short one is cheaper to compare in place.
    const bool hashed = names.size() > 8;
    std::unordered_set<std::string> set;
    if (hashed)
        set.insert(names.begin(), names.end());
    Walk([&](int i, const ecEvent& e) {
        if (hashed ? set.count(e.m_sName) > 0 : Contains(names, e.m_sName))
            out[i] = true;
    });
}

void ecEventLogic::Op0_SetEpoch(ecXml& xml)
{
    m_pEpoch = GetpParentEpoch(xml.CharacterData("s"), true);
}

void ecEventLogic::Op1_KeepMod(ecXml& xml)
{
    const int keep = xml.GetInt("keep");
    const int mod = xml.GetInt("mod");
    if (mod == 0)
        throw ecError("[ecEventLogic::Op1_KeepMod] <mod> must be greater than 0");
    GetpEvents();
    ecBinResult* r = Push(nullptr);
    const ecBinResult* src = GetpResult(2);
    if (src->m_nOrder != 1)
        throw ecError("[ecEventLogic::Op1_KeepMod] Top stack item is not a Boolean vector.  Please verify stack logic.");
    CheckResultLength(*src);
    const bool* in = src->R1;
    bool* out = r->R1;
    int k = 0;
    Walk([&](int i, const ecEvent&) {
        if (in[i] == true) {
            if (k % mod == keep)
                out[i] = true;
            ++k;
        }
    });
}

void ecEventLogic::Op1_KeepSector(ecXml& xml)
{
    static const std::string prefix = "[ecEventLogic::Op1_KeepSector] ";
    const float from = xml.GetFloat("from");
    if (from < 0 || !(from < 100))
        throw ecError(prefix + "<from> must be greater than 0 and less than 100 (percent)");
    const float to = xml.GetFloat("to");
    if (to < from || to > 100 || std::isnan(to))
        throw ecError(prefix + "<to> must be greater than <from> and less than or equal to 100 (percent)");
    GetpEvents();
    ecBinResult* r = Push(nullptr);
    const ecBinResult* src = GetpResult(2);
    if (src->m_nOrder != 1)
        throw ecError(prefix + "Top stack item is not a Boolean vector.  Please verify stack logic.");
    CheckResultLength(*src);
    const bool* in = src->R1;
    bool* out = r->R1;

    int eCounter = 0;
    Walk([&](int i, const ecEvent&) {
        if (in[i] == true)
            ++eCounter;
    });
    if (eCounter < 1)
        throw ecError(prefix + "No events to keep");

    const double span = static_cast<double>(eCounter - 1);
    const int eFrom = static_cast<int>(span * static_cast<double>(from) * kPercent + 0.5);
    const int eTo = static_cast<int>(span * static_cast<double>(to) * kPercent + 0.5);
    if (eFrom < 0 || eTo >= eCounter || eFrom > eTo)
        throw ecError(prefix + "Technical error (eFrom<0 || eTo>=eCounter || eFrom>eTo)");

    int k = 0;
    Walk([&](int i, const ecEvent&) {
        if (in[i] == true) {
            if (eFrom <= k && k <= eTo)
                out[i] = true;
            ++k;
        }
    });
}

void ecEventLogic::Op1_RejectIf(ecXml&)
{
    ecBinResult* t = GetpResult(1);
    ecEventList* events = GetpEvents();
    const float rate = events->GetSamplingRate();
    if (!(rate > 0))
        throw ecError("[ecEventLogic::Op1_RejectIf] Technical error (sampling rate unset)");
    CheckResultLength(*t);
    bool* selected = t->R1;
    const std::size_t n = events->size();
    if (std::isinf(rate) && std::find(selected, selected + n, true) != selected + n)
        throw ecError("[ecEventLogic::Op1_RejectIf] Technical error (invalid sampling rate)");
    if (!m_Exclusion.IsBuilt()) {
        m_Exclusion.Build(*events, false);
        // The samples of every event, kept compact: the post-step reads them
        // once per selection, and the list cannot change while a document
        // runs.
        m_vEventSamples.clear();
        m_vEventSamples.reserve(n);
        for (const ecEvent& e : *events)
            m_vEventSamples.emplace_back(e.m_iStart, e.m_iStop);
    }
    if (m_Exclusion.IsEmpty())
        return;
    const float fStart = t->m_Epoch.fStart;
    const float fStop = t->m_Epoch.fStop;
    const std::pair<int, int>* samples = m_vEventSamples.data();
    if (events->IsExactTime()) {
        // The epoch's edges as whole samples from each event's own samples.
        const long long before = ecEventList::SecondsToSampleExact(fStart, rate);
        const long long after = ecEventList::SecondsToSampleExact(fStop, rate);
        for (std::size_t i = 0; i < n; ++i) {
            if (selected[i] &&
                m_Exclusion.Overlaps(ecEventList::ClampToSample(samples[i].first + before),
                                     ecEventList::ClampToSample(samples[i].second + after)))
                selected[i] = false;
        }
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!selected[i])
            continue;
        const float tStart = static_cast<float>(samples[i].first) / rate + fStart;
        const float tStop = static_cast<float>(samples[i].second) / rate + fStop;
        if (m_Exclusion.Overlaps(tStart, tStop, rate))
            selected[i] = false;
    }
}

void ecEventLogic::Op1_SaveBin(ecXml& xml)
{
    const std::string id = xml.CharacterData("s");
    ecBinResult* t = GetpResult(1);
    if (!id.empty())
        SetResultID(t, id);
    if (t->m_sID.empty())
        throw ecError("[ecEventLogic::Op1_SaveBin] No (or empty) <id> available for saved result");
    SaveResult(t);
}

void ecEventLogic::Op2_And(ecXml& xml)
{
    int n = 2;
    if (xml.TagExists("n")) {
        n = xml.GetInt("n");
        if (n < 2 || n > GetStackSize())
            throw ecError("[ecEventLogic::Op2_And] <n> is less than 2 or greater than stack size.");
    }
    ecBinResult* r = Push(nullptr);
    bool* out = r->R1;
    const std::size_t count = static_cast<std::size_t>(r->m_nItems);
    for (int depth = 2; depth <= n + 1; ++depth) {
        const ecBinResult* operand = GetpResult(depth);
        CheckResultLength(*operand);
        const bool* in = operand->R1;
        if (depth == 2) {
            std::memcpy(out, in, count);
        } else {
            for (std::size_t i = 0; i < count; ++i)
                out[i] = out[i] && in[i];
        }
    }
    std::vector<const ecBinResult*> operands;
    for (int depth = 2; depth <= n + 1; ++depth)
        operands.push_back(GetpResult(depth));
    CombineExcluded(*r, operands, true);
    for (int k = 0; k < n; ++k)
        Pop(2);
}

void ecEventLogic::Op2_AndNot(ecXml&)
{
    ecBinResult* r = Push(nullptr);
    const ecBinResult* a = GetpResult(2);
    const ecBinResult* b = GetpResult(3);
    CheckResultLength(*a);
    CheckResultLength(*b);
    bool* out = r->R1;
    const std::size_t count = static_cast<std::size_t>(r->m_nItems);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = b->R1[i] && !a->R1[i];
    // What the post-step took out of b stays out, unless a would have
    // taken it away anyway.
    if (!b->m_vExcluded.empty()) {
        r->m_vExcluded.assign(count, 0);
        for (std::size_t i = 0; i < count; ++i)
            r->m_vExcluded[i] = b->m_vExcluded[i] && !a->R1[i] && (a->m_vExcluded.empty() || !a->m_vExcluded[i]);
    }
}

void ecEventLogic::Op2_Or(ecXml&)
{
    ecBinResult* r = Push(nullptr);
    const ecBinResult* a = GetpResult(2);
    const ecBinResult* b = GetpResult(3);
    CheckResultLength(*a);
    CheckResultLength(*b);
    const bool* inA = a->R1;
    const bool* inB = b->R1;
    bool* out = r->R1;
    Walk([&](int i, const ecEvent&) { out[i] = inA[i] || inB[i]; });
    CombineExcluded(*r, {a, b}, false);
}
