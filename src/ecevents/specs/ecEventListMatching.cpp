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

namespace {
// The times of a pass. The default clock is single precision, as above. The
// sample clock, for lists in exact time, keeps event times and window edges
// as whole samples, exact on recordings of any length; its anchors also get
// their float latencies, for whoever reads them afterwards.
struct FloatClock {
    using Time = float;
    float rate;
    Time Of(const ecEvent& e) const { return EventTime(e, rate); }
    static Time Edge(const ecTimeAnchor* anchor) { return anchor->GetLatencyAbsolute(); }
    // Times follow list order only for a positive sampling rate.
    bool Ordered() const { return rate > 0.0f; }
    void Place(ecTimeAnchor* own, const ecEvent& found, const ecEvent& home) const {
        const float t = Of(found);
        own->SetLatencyAbsolute(t);
        own->SetLatencyWRTHome(t - Of(home));
    }
};

struct SampleClock {
    using Time = long long;
    float rate;
    Time Of(const ecEvent& e) const { return e.m_iStart; }
    static Time Edge(const ecTimeAnchor* anchor) { return anchor->GetSampleAbsolute(); }
    bool Ordered() const { return true; }
    void Place(ecTimeAnchor* own, const ecEvent& found, const ecEvent& home) const {
        own->SetSampleAbsolute(found.m_iStart);
        own->SetLatencyAbsolute(EventTime(found, rate));
        const long long samples = static_cast<long long>(found.m_iStart) - home.m_iStart;
        own->SetLatencyWRTHome(static_cast<float>(static_cast<double>(samples) / static_cast<double>(rate)));
    }
};
} // namespace

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
template <class Clock>
static void RecordFound(const Clock& clock, ecMatchRecord* record, ecConditional* cond, int index, const ecEvent& found,
                        const ecEvent& home) {
    ecTimeAnchor* own = cond->GetpTimeAnchor();
    clock.Place(own, found, home);
    own->SetEventListIndex(static_cast<unsigned int>(index));
    if (record != nullptr)
        record->NoteFound(cond, index, found.m_iStart);
}

// Where both walks start: the index of the reference event, or -1 when the
// conditional seeks no name (the walk then gives the negated bit, and the
// reference is not looked up).
static int WalkStart(ecAttribSpec* spec, ecConditional* cond, int eventCount) {
    return cond->GetpEventNames()->empty() ? -1 : ReferenceAnchor(spec, cond, eventCount)->GetEventListIndex();
}

// A named candidate that holds: a negated conditional fails on it, any other
// records it and holds.
template <class Clock>
static bool Found(const Clock& clock, bool negated, ecMatchRecord* record, ecConditional* cond, int index,
                  const ecEvent& found, const ecEvent& home) {
    if (negated)
        return false;
    RecordFound(clock, record, cond, index, found, home);
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

// The same shift in whole samples, for exact time.
static void ShiftAnchorSample(ecTimeAnchor* anchor, const ecTimeAnchor* ref, float rate) {
    const long long offset = ecEventList::SecondsToSampleExact(anchor->GetLatencyWRTSpecifier(), rate);
    anchor->SetSampleAbsolute(ref->GetSampleAbsolute() + (IsMinus(anchor) ? -offset : offset));
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
        if (m_bExactTime)
            anchor->SetSampleAbsolute(ev->m_iStart);
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
    if (m_bExactTime)
        ShiftAnchorSample(pre, start, m_fSamplingRate);

    ecTimeAnchor* post = cond->GetpTimeAnchorPost();
    const ecTimeAnchor* stop = spec->NameToTimeAnchor(post->GetName());
    if (stop == nullptr)
        throw ecError(kNoIntervalStop);
    ShiftAnchor(post, stop);
    if (m_bExactTime)
        ShiftAnchorSample(post, stop, m_fSamplingRate);
}

// The walks of both tests, for either clock. testCode applies the list's
// TestCode.
template <class Clock, class TestCodeFn>
static bool ImpermeableWalk(const Clock& clock, std::vector<ecEvent>& events, ecEvent* ev, ecConditional* cond,
                            ecAttribSpec* spec, TestCodeFn testCode, ecMatchRecord* record) {
    using Time = typename Clock::Time;
    const long option = cond->GetOption();
    const bool negated = (option & ecConditional::kNegated) != 0;
    const std::vector<std::string>& names = *cond->GetpEventNames();
    const int n = static_cast<int>(events.size());
    const int r = WalkStart(spec, cond, n);
    if (r < 0)
        return negated;
    ecTimeAnchor* pre = cond->GetpTimeAnchorPre();
    ecTimeAnchor* post = cond->GetpTimeAnchorPost();

    // Backward walks leave out the event right before the reference, as bin
    // descriptions written for the established behaviour expect.
    int i;
    if (IsMinus(pre)) {
        i = r - 2;
        while (i >= 0 && events[i].IsTagged())
            --i;
    } else {
        i = r + 1;
        while (i < n && events[i].IsTagged())
            ++i;
    }
    if (i < 0 || i >= n)
        return negated;

    ecEvent& candidate = events[i];
    if (!HasName(names, candidate.m_sName))
        return negated;
    if (!(option & ecConditional::kWindow))
        return Found(clock, negated, record, cond, i, candidate, *ev);

    const Time t = clock.Of(candidate);
    const Time preAbs = Clock::Edge(pre);
    const Time postAbs = Clock::Edge(post);
    const bool insidePre = IsMinus(pre) ? t <= preAbs : t >= preAbs;
    const bool insidePost = IsMinus(post) ? t >= postAbs : t <= postAbs;
    if (!insidePre || !insidePost)
        return false;
    if (!testCode(&candidate, cond))
        return false;
    RecordFound(clock, record, cond, i, candidate, *ev);
    return true;
}

// A candidate with a conditional name beyond the window's far edge either
// lies before the near edge (and is passed over) or ends the walk with the
// negated bit, as does the walk running out. Candidate times never decrease
// along a forward walk (never increase along a backward one), so once any
// candidate lies beyond the far edge, no later one can give another outcome
// and the walk stops there: a bounded window keeps the pass linear. Float
// times follow list order only for a positive sampling rate, so the shortcut
// is taken only then.
template <class Clock, class TestCodeFn>
static bool PermeableWalk(const Clock& clock, std::vector<ecEvent>& events, ecEvent* ev, ecConditional* cond,
                          ecAttribSpec* spec, TestCodeFn testCode, ecMatchRecord* record) {
    using Time = typename Clock::Time;
    const bool negated = (cond->GetOption() & ecConditional::kNegated) != 0;
    const std::vector<std::string>& names = *cond->GetpEventNames();
    const int n = static_cast<int>(events.size());
    const int r = WalkStart(spec, cond, n);
    if (r < 0)
        return negated;
    ecTimeAnchor* pre = cond->GetpTimeAnchorPre();
    ecTimeAnchor* post = cond->GetpTimeAnchorPost();
    const Time preAbs = Clock::Edge(pre);
    const Time postAbs = Clock::Edge(post);
    const bool postMinus = IsMinus(post);
    const bool ordered = clock.Ordered();

    if (!IsMinus(pre)) {
        for (int i = r + 1; i < n; ++i) {
            ecEvent& candidate = events[i];
            if (candidate.IsTagged())
                continue;
            const Time t = clock.Of(candidate);
            if (!HasName(names, candidate.m_sName)) {
                if (ordered && t > postAbs)
                    return negated;
                continue;
            }
            if (t < preAbs)
                continue;
            if (t > postAbs)
                return negated;
            if (testCode(&candidate, cond))
                return Found(clock, negated, record, cond, i, candidate, *ev);
            if (!negated)
                return false;
        }
        return negated;
    }

    // Backward, the far edge bounds the walk only when it is a lower bound
    // (post anchor minus); with a plus post anchor any earlier event with a
    // conditional name decides, so the walk goes on to it.
    for (int i = r - 2; i >= 0; --i) {
        ecEvent& candidate = events[i];
        if (candidate.IsTagged())
            continue;
        const Time t = clock.Of(candidate);
        if (!HasName(names, candidate.m_sName)) {
            if (ordered && postMinus && t < postAbs)
                return negated;
            continue;
        }
        if (t > preAbs)
            continue;
        if (postMinus ? t < postAbs : t > postAbs)
            return negated;
        return testCode(&candidate, cond) ? Found(clock, negated, record, cond, i, candidate, *ev) : negated;
    }
    return negated;
}

bool ecEventList::TestOneConditionalImpermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec) {
    auto testCode = [this](ecEvent* e, ecConditional* c) { return TestCode(e, c); };
    if (m_bExactTime)
        return ImpermeableWalk(SampleClock{m_fSamplingRate}, *this, ev, cond, spec, testCode, m_pMatchRecord);
    return ImpermeableWalk(FloatClock{m_fSamplingRate}, *this, ev, cond, spec, testCode, m_pMatchRecord);
}

bool ecEventList::TestOneConditionalPermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec) {
    auto testCode = [this](ecEvent* e, ecConditional* c) { return TestCode(e, c); };
    if (m_bExactTime)
        return PermeableWalk(SampleClock{m_fSamplingRate}, *this, ev, cond, spec, testCode, m_pMatchRecord);
    return PermeableWalk(FloatClock{m_fSamplingRate}, *this, ev, cond, spec, testCode, m_pMatchRecord);
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
