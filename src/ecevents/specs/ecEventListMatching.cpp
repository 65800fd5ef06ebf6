// Matching an event list against a bin description: the members of
// ecEventList that tag events with the factor:value tags of the attribute
// specs they satisfy.
#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecMatchRecord.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecevents/specs/ecTarget.h"
#include "ecevents/specs/ecTimeAnchor.h"

static const char* const kNoIntervalStart = "[ecEventList::SetConditionalWindow] Can't find interval start";
static const char* const kNoIntervalStop = "[ecEventList::SetConditionalWindow] Can't find interval stop";
static const char* const kUninitializedIndex =
    "[ecEventList::TestOneConditionalImpermeable] Unitialized event list index.";

// Event times are single precision on purpose: window edges are computed in
// float too, and an event exactly on an edge must compare equal to it.
static float EventTime(const ecEvent& e, float rate) {
    return static_cast<float>(e.m_iStart) / rate;
}

static bool HasName(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

static bool IsMinus(ecTimeAnchor* anchor) {
    return (anchor->GetOption() & ecTimeAnchor::kMinus) != 0;
}

// The anchor of the conditional's reference event. A pre anchor naming
// nothing of its attribute spec is the same fault the window computation reports, so
// it is reported the same way whether or not the window is used.
static ecTimeAnchor* ReferenceAnchor(ecAttribSpec* spec, ecConditional* cond, int eventCount) {
    ecTimeAnchor* ref = spec->NameToTimeAnchor(cond->GetpTimeAnchorPre()->GetName());
    if (ref == nullptr)
        throw ecError(kNoIntervalStart);
    // An index outside the list can only come from an anchor that was never
    // filled by this list; walking from it would leave the list.
    const int r = ref->GetEventListIndex();
    if (r < 0 || r >= eventCount)
        throw ecError(kUninitializedIndex);
    return ref;
}

// The anchor alone cannot tell a later reader what this evaluation found: a
// conditional that holds without finding keeps what an earlier attempt left
// there. So a recorded pass notes each find as it happens.
static void RecordFound(ecMatchRecord* record, ecConditional* cond, int index, const ecEvent& found, float t,
                        float homeTime) {
    ecTimeAnchor* own = cond->GetpTimeAnchor();
    own->SetLatencyAbsolute(t);
    own->SetEventListIndex(static_cast<unsigned int>(index));
    own->SetLatencyWRTHome(t - homeTime);
    if (record != nullptr)
        record->NoteFound(cond, index, found.m_iStart);
}

// Where both walks start: the index of the reference event, or -1 when the
// conditional seeks no name (the walk then gives the negated bit, and the
// reference is not looked up).
static int WalkStart(ecAttribSpec* spec, ecConditional* cond, int eventCount) {
    return cond->GetpEventNames()->empty() ? -1 : ReferenceAnchor(spec, cond, eventCount)->GetEventListIndex();
}

// What both walks start from; with r negative there is no walk, and the
// answer is the negated bit.
struct ConditionalWalk {
    ConditionalWalk(ecAttribSpec* spec, ecConditional* cond, int eventCount)
        : negated((cond->GetOption() & ecConditional::kNegated) != 0)
        , names(*cond->GetpEventNames())
        , n(eventCount)
        , r(WalkStart(spec, cond, eventCount))
        , pre(cond->GetpTimeAnchorPre())
        , post(cond->GetpTimeAnchorPost())
    {
    }
    const bool negated;
    const std::vector<std::string>& names;
    const int n;
    const int r;
    ecTimeAnchor* const pre;
    ecTimeAnchor* const post;
};

// A named candidate that holds: a negated conditional fails on it, any other
// records it and holds.
static bool Found(bool negated, ecMatchRecord* record, ecConditional* cond, int index, const ecEvent& found, float t,
                  float homeTime) {
    if (negated)
        return false;
    RecordFound(record, cond, index, found, t, homeTime);
    return true;
}

static void ShiftAnchor(ecTimeAnchor* anchor, const ecTimeAnchor* ref) {
    const float latency = anchor->GetLatencyWRTSpecifier();
    if (IsMinus(anchor)) {
        anchor->SetLatencyWRTHome(ref->GetLatencyWRTHome() - latency);
        anchor->SetLatencyAbsolute(ref->GetLatencyAbsolute() - latency);
    } else {
        anchor->SetLatencyWRTHome(ref->GetLatencyWRTHome() + latency);
        anchor->SetLatencyAbsolute(ref->GetLatencyAbsolute() + latency);
    }
}

void ecEventList::SetBinDescAttributes(ecPar_BinDesc& binDesc) {
    SetBinDescAttributes(binDesc, nullptr);
}

namespace {
// Holds the record on the list for one pass, and takes it off however the
// pass ends.
class RecordingPass {
public:
    RecordingPass(ecMatchRecord*& slot, ecMatchRecord* record) : m_slot(slot) { m_slot = record; }
    ~RecordingPass() { m_slot = nullptr; }
    RecordingPass(const RecordingPass&) = delete;
    RecordingPass& operator=(const RecordingPass&) = delete;

private:
    ecMatchRecord*& m_slot;
};
} // namespace

void ecEventList::SetBinDescAttributes(ecPar_BinDesc& binDesc, ecMatchRecord* record) {
    if (record != nullptr)
        record->Clear();
    RecordingPass recording(m_pMatchRecord, record);
    binDesc.ConsistencyCheck();
    ClearAttributes();
    SortEventListInTimelyOrder("");
    binDesc.ResetRuntimeParameters();

    std::vector<ecAttribSpec*>& specs = *binDesc.GetpAttribSpecList();
    // The pairs of a spec do not change during the pass: build its tags once.
    std::vector<std::vector<std::string>> specTags(specs.size());
    for (size_t s = 0; s < specs.size(); ++s) {
        const int pairs = specs[s]->GetNumPairs();
        for (int k = 0; k < pairs; ++k)
            specTags[s].push_back(specs[s]->GetOneAttribTag(k));
    }
    // Beside the ordered unique tag names, so that a long pass does not pay a
    // linear search per written tag.
    std::unordered_set<std::string> uniqueTags(m_vUniqueTagNames.begin(), m_vUniqueTagNames.end());

    if (record != nullptr)
        record->Begin(binDesc, static_cast<int>(size()));

    ResetEventList();
    while (ecEvent* ev = GetNextEvent(true)) {
        bool matched = false;
        for (size_t s = 0; s < specs.size(); ++s) {
            if (record != nullptr)
                record->BeginAttempt();
            if (!MatchEventToAttribSpecs(ev, specs[s]))
                continue;
            if (record != nullptr)
                record->Keep(static_cast<int>(s), specs[s], m_iCurrentEventIndex, ev->m_iStart);
            matched = true;
            for (const std::string& tag : specTags[s]) {
                if (!HasName(ev->m_vTags, tag))
                    ev->m_vTags.push_back(tag);
                if (uniqueTags.insert(tag).second)
                    m_vUniqueTagNames.push_back(tag);
            }
        }
        if (matched)
            binDesc.ResetRuntimeParameters();
    }
}

void ecEventList::ClearAttributes() {
    ResetEventList();
    while (ecEvent* ev = GetNextEvent(false)) {
        ev->m_vTags.clear();
        ev->SetCode(0);
    }
    m_vUniqueTagNames.clear();
}

bool ecEventList::MatchEventToAttribSpecs(ecEvent* ev, ecAttribSpec* spec) {
    return MatchEventToAttribTarget(ev, spec) && MatchEventToAttribConditional(ev, spec);
}

bool ecEventList::MatchEventToAttribTarget(ecEvent* ev, ecAttribSpec* spec) {
    for (ecTarget* target : *spec->GetpEventSpecs()->GetpTargetList()) {
        if (!HasName(*target->GetpEventNames(), ev->m_sName))
            continue;
        // Flags that passed before a failing one keep their effect on ev.
        if (!TestCode(ev, target))
            continue;
        ecTimeAnchor* anchor = target->GetpTimeAnchor();
        anchor->SetEventListIndex(static_cast<unsigned int>(m_iCurrentEventIndex));
        anchor->SetLatencyWRTHome(0.0f);
        anchor->SetLatencyAbsolute(EventTime(*ev, m_fSamplingRate));
        return true;
    }
    return false;
}

bool ecEventList::MatchEventToAttribConditional(ecEvent* ev, ecAttribSpec* spec) {
    // In order: a conditional may take as reference one found just before it.
    for (ecConditional* cond : *spec->GetpEventSpecs()->GetpConditionalList()) {
        const long option = cond->GetOption();
        if (option & ecConditional::kWindow)
            SetConditionalWindow(spec, cond);
        const bool held = (option & ecConditional::kPermeable) ? TestOneConditionalPermeable(ev, cond, spec)
                                                                : TestOneConditionalImpermeable(ev, cond, spec);
        if (!held)
            return false;
    }
    return true;
}

void ecEventList::SetConditionalWindow(ecAttribSpec* spec, ecConditional* cond) {
    ecTimeAnchor* pre = cond->GetpTimeAnchorPre();
    const ecTimeAnchor* start = spec->NameToTimeAnchor(pre->GetName());
    if (start == nullptr)
        throw ecError(kNoIntervalStart);
    ShiftAnchor(pre, start);

    ecTimeAnchor* post = cond->GetpTimeAnchorPost();
    const ecTimeAnchor* stop = spec->NameToTimeAnchor(post->GetName());
    if (stop == nullptr)
        throw ecError(kNoIntervalStop);
    ShiftAnchor(post, stop);
}

bool ecEventList::TestOneConditionalImpermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec) {
    const ConditionalWalk w(spec, cond, static_cast<int>(size()));
    if (w.r < 0)
        return w.negated;
    const long option = cond->GetOption();

    // Backward walks leave out the event right before the reference, as bin
    // descriptions written for the established behaviour expect.
    int i;
    if (IsMinus(w.pre)) {
        i = w.r - 2;
        while (i >= 0 && (*this)[i].IsTagged())
            --i;
    } else {
        i = w.r + 1;
        while (i < w.n && (*this)[i].IsTagged())
            ++i;
    }
    if (i < 0 || i >= w.n)
        return w.negated;

    ecEvent& candidate = (*this)[i];
    if (!HasName(w.names, candidate.m_sName))
        return w.negated;
    const float t = EventTime(candidate, m_fSamplingRate);
    if (!(option & ecConditional::kWindow))
        return Found(w.negated, m_pMatchRecord, cond, i, candidate, t, EventTime(*ev, m_fSamplingRate));

    const float preAbs = w.pre->GetLatencyAbsolute();
    const float postAbs = w.post->GetLatencyAbsolute();
    const bool insidePre = IsMinus(w.pre) ? t <= preAbs : t >= preAbs;
    const bool insidePost = IsMinus(w.post) ? t >= postAbs : t <= postAbs;
    if (!insidePre || !insidePost)
        return false;
    if (!TestCode(&candidate, cond))
        return false;
    RecordFound(m_pMatchRecord, cond, i, candidate, t, EventTime(*ev, m_fSamplingRate));
    return true;
}

// A candidate with a conditional name beyond the window's far edge either
// lies before the near edge (and is passed over) or ends the walk with the
// negated bit, as does the walk running out. Candidate times never decrease
// along a forward walk (never increase along a backward one), so once any
// candidate lies beyond the far edge, no later one can give another outcome
// and the walk stops there: a bounded window keeps the pass linear. Times
// follow list order only for a positive sampling rate, so the shortcut is
// taken only then.
bool ecEventList::TestOneConditionalPermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec) {
    const ConditionalWalk w(spec, cond, static_cast<int>(size()));
    if (w.r < 0)
        return w.negated;
    const float preAbs = w.pre->GetLatencyAbsolute();
    const float postAbs = w.post->GetLatencyAbsolute();
    const bool postMinus = IsMinus(w.post);
    const float rate = m_fSamplingRate;
    const bool ordered = rate > 0.0f;

    if (!IsMinus(w.pre)) {
        for (int i = w.r + 1; i < w.n; ++i) {
            ecEvent& candidate = (*this)[i];
            if (candidate.IsTagged())
                continue;
            const float t = EventTime(candidate, rate);
            if (!HasName(w.names, candidate.m_sName)) {
                if (ordered && t > postAbs)
                    return w.negated;
                continue;
            }
            if (t < preAbs)
                continue;
            if (t > postAbs)
                return w.negated;
            if (TestCode(&candidate, cond))
                return Found(w.negated, m_pMatchRecord, cond, i, candidate, t, EventTime(*ev, rate));
            if (!w.negated)
                return false;
        }
        return w.negated;
    }

    // Backward, the far edge bounds the walk only when it is a lower bound
    // (post anchor minus); with a plus post anchor any earlier event with a
    // conditional name decides, so the walk goes on to it.
    for (int i = w.r - 2; i >= 0; --i) {
        ecEvent& candidate = (*this)[i];
        if (candidate.IsTagged())
            continue;
        const float t = EventTime(candidate, rate);
        if (!HasName(w.names, candidate.m_sName)) {
            if (ordered && postMinus && t < postAbs)
                return w.negated;
            continue;
        }
        if (t > preAbs)
            continue;
        if (postMinus ? t < postAbs : t > postAbs)
            return w.negated;
        return TestCode(&candidate, cond) ? Found(w.negated, m_pMatchRecord, cond, i, candidate, t, EventTime(*ev, rate)) : w.negated;
    }
    return w.negated;
}

bool ecEventList::TestCode(ecEvent* ev, ecEventSpecBase* spec) {
    for (ecCondEventFlag* flag : *spec->GetpvFlags()) {
        const long option = flag->GetOption();
        bool hit = (ev->m_nCode & flag->GetCode()) != 0;
        if (option & ecCondEventFlag::kInvert)
            hit = !hit;
        if (!hit)
            return false;
        if (option & ecCondEventFlag::kSet)
            ev->m_nCode |= flag->GetSetCode();
        if (option & ecCondEventFlag::kClear)
            ev->m_nCode &= ~flag->GetClearCode();
    }
    return true;
}
