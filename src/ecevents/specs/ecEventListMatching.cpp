// Matching an event list against a bin description: the members of
// ecEventList that tag events with the factor:value tags of the attribute
// specs they satisfy.
//
// A pass works on compact copies of what it reads: event times (or start
// samples), name ids interned once, status bits and code words in flat
// arrays, the flags compiled, the time anchors' run-time values in a table,
// and for the permeable walks that no window edge bounds the indexes of the
// events bearing the conditional's names. Event records are read once and
// written only where tags or code words change; anchors and code words go
// back to their objects when the pass ends, however it ends.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecCondEventFlag.h"
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

namespace {

// The accepted status bit and the tagged attribute flag of an event, read in
// place in the pass's hot loop.
const unsigned int kAcceptedBit = 2u;
const int kTaggedBit = 0x400;

// A condition flag as the pass applies it.
struct Flag {
    unsigned int code;
    unsigned int set;
    unsigned int clear;
    bool invert;
    bool doSet;
    bool doClear;
};
using Flags = std::vector<Flag>;

Flags CompileFlags(ecEventSpecBase* owner) {
    Flags flags;
    for (ecCondEventFlag* f : *owner->GetpvFlags()) {
        const long option = f->GetOption();
        flags.push_back({f->GetCode(), f->GetSetCode(), f->GetClearCode(), (option & ecCondEventFlag::kInvert) != 0,
                         (option & ecCondEventFlag::kSet) != 0, (option & ecCondEventFlag::kClear) != 0});
    }
    return flags;
}

// Flags that pass before a failing one keep their effect on the word.
bool PassFlags(const Flags& flags, unsigned int& word) {
    for (const Flag& f : flags) {
        bool hit = (word & f.code) != 0;
        if (f.invert)
            hit = !hit;
        if (!hit)
            return false;
        if (f.doSet)
            word |= f.set;
        if (f.doClear)
            word &= ~f.clear;
    }
    return true;
}

// The names that the description's targets and conditionals seek, each with
// a small id; an event whose name is none of them has id -1. Open
// addressing over a short hash: looking up every event of a long list is a
// hot loop.
class NameIds {
public:
    int Add(const std::string& name) {
        const int found = Find(name);
        if (found >= 0)
            return found;
        m_names.push_back(name);
        if (m_names.size() * 2 > m_slots.size())
            Rehash(m_slots.empty() ? 16 : m_slots.size() * 2);
        else
            Place(static_cast<int>(m_names.size()) - 1);
        return static_cast<int>(m_names.size()) - 1;
    }
    int Find(const std::string& name) const {
        if (m_slots.empty())
            return -1;
        const size_t mask = m_slots.size() - 1;
        for (size_t h = Hash(name) & mask;; h = (h + 1) & mask) {
            const int id = m_slots[h];
            if (id < 0 || Same(m_names[static_cast<size_t>(id)], name))
                return id;
        }
    }
    int Count() const { return static_cast<int>(m_names.size()); }

private:
    // Names are short: a plain loop beats a call to compare them.
    static bool Same(const std::string& a, const std::string& b) {
        const size_t size = a.size();
        if (b.size() != size)
            return false;
        const char* x = a.data();
        const char* y = b.data();
        for (size_t k = 0; k < size; ++k)
            if (x[k] != y[k])
                return false;
        return true;
    }
    static size_t Hash(const std::string& s) {
        std::uint32_t h = 2166136261u;
        for (const char c : s)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h;
    }
    void Place(int id) {
        const size_t mask = m_slots.size() - 1;
        size_t h = Hash(m_names[static_cast<size_t>(id)]) & mask;
        while (m_slots[h] >= 0)
            h = (h + 1) & mask;
        m_slots[h] = id;
    }
    void Rehash(size_t size) {
        m_slots.assign(size, -1);
        for (int id = 0; id < Count(); ++id)
            Place(id);
    }
    std::vector<std::string> m_names;
    std::vector<int> m_slots;
};

// The run-time values of one time anchor while a pass runs.
struct AnchorState {
    int index = -1;
    float home = 0.0f;
    float absolute = 0.0f;
    long long sample = 0;
};

// Where a specifier leads: the anchor's slot, -1 when nothing of the rule
// bears the name; an empty name is reported by the lookup itself.
struct Reference {
    int slot = -1;
    bool emptyName = false;
};

struct Target {
    std::vector<char> named; // by name id
    int own;
    Flags flags;
};

struct Cond {
    ecConditional* object;
    bool negated;
    bool permeable;
    bool window;
    bool hasNames;
    std::vector<char> named;
    int own;
    int pre;
    int post;
    bool preMinus;
    bool postMinus;
    float preLatency;
    float postLatency;
    long long preOffset; // the latencies in whole samples, for exact time
    long long postOffset;
    Reference preRef;
    Reference postRef;
    Flags flags;
    int positions = -1; // its list of named events, once a permeable walk needs it
    size_t hint = 0;    // where its last walk began (in the events, or in that list)
};

struct Spec {
    ecAttribSpec* object;
    std::vector<Target> targets;
    std::vector<Cond> conds;
    std::vector<int> tags; // tag ids, in pair order
};

// The first index in [0, size) at which a predicate that is false then true
// becomes true (size when never), found by galloping from a guess: the cost
// grows with the log of the distance from the guess, so a walk whose start
// moves little from one event to the next costs little.
template <class Pred>
size_t FirstTrue(size_t size, size_t guess, Pred pred) {
    size_t lo;
    size_t hi;
    if (guess >= size || pred(guess)) {
        hi = std::min(guess, size);
        size_t step = 1;
        for (;;) {
            if (step > hi) {
                lo = 0;
                break;
            }
            if (!pred(hi - step)) {
                lo = hi - step + 1;
                break;
            }
            hi -= step;
            step *= 2;
        }
    } else {
        lo = guess + 1;
        size_t step = 1;
        for (;;) {
            if (lo + step - 1 >= size) {
                hi = size;
                break;
            }
            if (pred(lo + step - 1)) {
                hi = lo + step - 1;
                break;
            }
            lo += step;
            step *= 2;
        }
    }
    // pred is false before lo and true from hi on.
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (pred(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

class Pass;

// The times of a pass. The default clock is single precision: an event's
// time is its start sample over the rate, as a float, and window edges are
// computed in float too, so that an event exactly on an edge compares equal
// to it. The sample clock, for lists in exact time, keeps event times and
// window edges as whole samples, exact on recordings of any length; its
// anchors also get their float latencies, for whoever reads them afterwards.
struct FloatClock {
    using Time = float;
    const Pass& pass;
    Time Of(int i) const;
    static Time Edge(const AnchorState& a) { return a.absolute; }
    void Place(AnchorState& own, int found, int home) const;
};

struct SampleClock {
    using Time = long long;
    const Pass& pass;
    Time Of(int i) const;
    static Time Edge(const AnchorState& a) { return a.sample; }
    void Place(AnchorState& own, int found, int home) const;
};

class Pass {
public:
    Pass(ecEventList& list, const std::vector<ecAttribSpec*>& specs, bool exact, ecMatchRecord* record);
    // Anchors and changed code words go back to their objects however the
    // pass ends.
    ~Pass() { Store(); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

    // Reads the events, emptying their tags and code words when clear is
    // set; a list found out of time order is read again once sorted.
    void Load(bool clear);
    bool Sorted() const { return m_sorted; }
    int Count() const { return static_cast<int>(m_state.size()); }
    bool Accepted(int i) const { return (m_state[static_cast<size_t>(i)] & kAccepted) != 0; }
    // Whether a target of rule s seeks the name of event i.
    bool Sought(int i, size_t s) const {
        const int id = m_nameId[static_cast<size_t>(i)];
        return id >= 0 && m_sought[static_cast<size_t>(id) * m_specs.size() + s] != 0;
    }
    // How many tags event i can get at most.
    size_t TagBound(int i) const { return m_tagBound[static_cast<size_t>(m_nameId[static_cast<size_t>(i)])]; }
    size_t NumSpecs() const { return m_specs.size(); }
    const std::vector<std::string>& TagNames() const { return m_tagNames; }
    const std::vector<int>& SpecTags(size_t s) const { return m_specs[s].tags; }

    // The event i is also the list's current index.
    bool MatchTarget(int i, size_t s);
    bool MatchConds(int i, size_t s);
    void SetWindow(Spec& spec, Cond& cond);
    bool Walk(int i, Spec& spec, Cond& cond, bool permeable) {
        return m_exact ? Walk(SampleClock{*this}, i, spec, cond, permeable)
                       : Walk(FloatClock{*this}, i, spec, cond, permeable);
    }
    void ResetAnchors() { std::fill(m_anchors.begin(), m_anchors.end(), AnchorState()); }
    Spec& SpecAt(size_t s) { return m_specs[s]; }
    // The compiled conditional of rule s, compiled now (before Load, as it
    // may bring names) if the rule does not hold it.
    Cond& CondOf(size_t s, ecConditional* object);

    // Single precision keeps event times, exact time start samples.
    float TimeOf(int i) const {
        return m_exact ? EventTime(m_start[static_cast<size_t>(i)]) : m_time[static_cast<size_t>(i)];
    }
    int StartOf(int i) const { return m_start[static_cast<size_t>(i)]; }
    float EventTime(int start) const { return static_cast<float>(start) / m_rate; }
    float Rate() const { return m_rate; }

private:
    AnchorState& Anchor(int slot) { return m_anchors[static_cast<size_t>(slot)]; }
    int Slot(ecTimeAnchor* anchor);
    // Every table of names covers every id.
    void CoverAllNames();
    // The untagged events that bear one of the conditional's names, in list
    // order; built when first walked, shared by conditionals seeking the
    // same names.
    const std::vector<int>& Positions(Cond& cond);
    Reference Resolve(ecAttribSpec* spec, const std::string& name);
    int RefSlot(Spec& spec, const Reference& ref, const char* missing);
    Cond Compile(ecAttribSpec* spec, ecConditional* c);
    bool Named(const Cond& cond, int i) const {
        const int id = m_nameId[static_cast<size_t>(i)];
        return id >= 0 && cond.named[static_cast<size_t>(id)] != 0;
    }
    bool Test(int i, const Flags& flags) {
        unsigned int& word = m_code[static_cast<size_t>(i)];
        const unsigned int before = word;
        const bool passed = PassFlags(flags, word);
        if (word != before)
            m_touched.push_back(i);
        return passed;
    }
    bool Tagged(int i) const { return (m_state[static_cast<size_t>(i)] & kTagged) != 0; }
    // The nearest untagged event from i on, in either direction; Count() or
    // -1 when none. Tagged events are few, so a short step usually finds it;
    // long runs of them get a table, which keeps every walk short.
    int Untagged(int i, int step) {
        for (int k = 0; k < 8; ++k, i += step)
            if (i < 0 || i >= Count() || !Tagged(i))
                return i < 0 ? -1 : std::min(i, Count());
        if (i < 0 || i >= Count())
            return i < 0 ? -1 : Count();
        if (m_nextUntagged.empty()) {
            const int n = Count();
            m_nextUntagged.resize(static_cast<size_t>(n));
            m_prevUntagged.resize(static_cast<size_t>(n));
            int next = n;
            for (int j = n - 1; j >= 0; --j)
                m_nextUntagged[static_cast<size_t>(j)] = next = Tagged(j) ? next : j;
            int prev = -1;
            for (int j = 0; j < n; ++j)
                m_prevUntagged[static_cast<size_t>(j)] = prev = Tagged(j) ? prev : j;
        }
        return step > 0 ? m_nextUntagged[static_cast<size_t>(i)] : m_prevUntagged[static_cast<size_t>(i)];
    }
    template <class Clock>
    bool Walk(const Clock& clock, int i, Spec& spec, Cond& cond, bool permeable);
    template <class Clock>
    bool Impermeable(const Clock& clock, int i, int r, Cond& cond);
    template <class Clock>
    bool Permeable(const Clock& clock, int i, int r, Cond& cond);
    template <class Clock>
    void Record(const Clock& clock, Cond& cond, int found, int home);
    void Store();

    ecEventList& m_list;
    ecMatchRecord* m_record;
    bool m_exact;
    float m_rate;
    bool m_sorted = true;
    // Event times never decrease along the list: it is sorted, and in single
    // precision the rate is positive.
    bool m_ordered = true;
    NameIds m_nameIds;
    std::vector<Spec> m_specs;
    std::unordered_map<ecTimeAnchor*, int> m_slots;
    std::vector<ecTimeAnchor*> m_anchorObjects;
    std::vector<AnchorState> m_anchors;
    std::vector<std::string> m_tagNames;
    std::map<std::vector<char>, int> m_positionSets; // a permeable name set to its list below
    std::vector<std::vector<int>> m_positions;       // untagged events bearing one of the names

    std::vector<int> m_start; // exact time only
    std::vector<float> m_time; // single precision only
    std::vector<int> m_nameId;
    std::vector<unsigned int> m_code;
    enum : unsigned char { kAccepted = 1, kTagged = 2 };
    std::vector<unsigned char> m_state;
    std::vector<int> m_nextUntagged; // built when a long run of tagged events is met
    std::vector<int> m_prevUntagged;
    std::vector<int> m_touched; // events whose code word changed
    std::vector<char> m_sought;    // by name id, then rule
    std::vector<size_t> m_tagBound; // by name id
};

FloatClock::Time FloatClock::Of(int i) const {
    return pass.TimeOf(i);
}
void FloatClock::Place(AnchorState& own, int found, int home) const {
    const float t = Of(found);
    own.absolute = t;
    own.home = t - Of(home);
}
SampleClock::Time SampleClock::Of(int i) const {
    return pass.StartOf(i);
}
void SampleClock::Place(AnchorState& own, int found, int home) const {
    own.sample = Of(found);
    own.absolute = pass.TimeOf(found);
    const long long samples = Of(found) - Of(home);
    own.home = static_cast<float>(static_cast<double>(samples) / static_cast<double>(pass.Rate()));
}

Pass::Pass(ecEventList& list, const std::vector<ecAttribSpec*>& specs, bool exact, ecMatchRecord* record)
    : m_list(list), m_record(record), m_exact(exact), m_rate(list.GetSamplingRate()) {
    std::unordered_map<std::string, int> tagIds;
    for (ecAttribSpec* object : specs) {
        Spec spec{object, {}, {}, {}};
        for (ecTarget* t : *object->GetpEventSpecs()->GetpTargetList()) {
            Target target{{}, Slot(t->GetpTimeAnchor()), CompileFlags(t)};
            for (const std::string& name : *t->GetpEventNames()) {
                const size_t id = static_cast<size_t>(m_nameIds.Add(name));
                target.named.resize(std::max(target.named.size(), id + 1), 0);
                target.named[id] = 1;
            }
            spec.targets.push_back(std::move(target));
        }
        for (ecConditional* c : *object->GetpEventSpecs()->GetpConditionalList())
            spec.conds.push_back(Compile(object, c));
        const int pairs = object->GetNumPairs();
        for (int k = 0; k < pairs; ++k) {
            const std::string tag = object->GetOneAttribTag(k);
            const auto added = tagIds.emplace(tag, static_cast<int>(m_tagNames.size()));
            if (added.second)
                m_tagNames.push_back(tag);
            spec.tags.push_back(added.first->second);
        }
        m_specs.push_back(std::move(spec));
    }
    CoverAllNames();
    const size_t names = static_cast<size_t>(m_nameIds.Count());
    m_sought.assign(names * m_specs.size(), 0);
    m_tagBound.assign(names, 0);
    for (size_t id = 0; id < names; ++id) {
        std::vector<int> tags;
        for (size_t s = 0; s < m_specs.size(); ++s) {
            for (const Target& t : m_specs[s].targets)
                m_sought[id * m_specs.size() + s] |= t.named[id];
            if (m_sought[id * m_specs.size() + s])
                tags.insert(tags.end(), m_specs[s].tags.begin(), m_specs[s].tags.end());
        }
        std::sort(tags.begin(), tags.end());
        m_tagBound[id] = static_cast<size_t>(std::unique(tags.begin(), tags.end()) - tags.begin());
    }
}

void Pass::CoverAllNames() {
    for (Spec& spec : m_specs) {
        for (Target& t : spec.targets)
            t.named.resize(static_cast<size_t>(m_nameIds.Count()), 0);
        for (Cond& c : spec.conds)
            c.named.resize(static_cast<size_t>(m_nameIds.Count()), 0);
    }
}

Cond Pass::Compile(ecAttribSpec* spec, ecConditional* c) {
    const long option = c->GetOption();
    ecTimeAnchor* pre = c->GetpTimeAnchorPre();
    ecTimeAnchor* post = c->GetpTimeAnchorPost();
    Cond cond{c,
              (option & ecConditional::kNegated) != 0,
              (option & ecConditional::kPermeable) != 0,
              (option & ecConditional::kWindow) != 0,
              !c->GetpEventNames()->empty(),
              {},
              Slot(c->GetpTimeAnchor()),
              Slot(pre),
              Slot(post),
              pre->IsMinus(),
              post->IsMinus(),
              pre->GetLatencyWRTSpecifier(),
              post->GetLatencyWRTSpecifier(),
              ecEventList::SecondsToSampleExact(pre->GetLatencyWRTSpecifier(), m_rate),
              ecEventList::SecondsToSampleExact(post->GetLatencyWRTSpecifier(), m_rate),
              Resolve(spec, pre->GetName()),
              Resolve(spec, post->GetName()),
              CompileFlags(c)};
    for (const std::string& name : *c->GetpEventNames()) {
        const size_t id = static_cast<size_t>(m_nameIds.Add(name));
        cond.named.resize(std::max(cond.named.size(), id + 1), 0);
        cond.named[id] = 1;
    }
    cond.named.resize(static_cast<size_t>(m_nameIds.Count()), 0);
    return cond;
}

Cond& Pass::CondOf(size_t s, ecConditional* object) {
    Spec& spec = m_specs[s];
    for (Cond& c : spec.conds)
        if (c.object == object)
            return c;
    spec.conds.push_back(Compile(spec.object, object));
    CoverAllNames();
    return spec.conds.back();
}

int Pass::Slot(ecTimeAnchor* anchor) {
    const auto added = m_slots.emplace(anchor, static_cast<int>(m_anchors.size()));
    if (added.second) {
        m_anchorObjects.push_back(anchor);
        m_anchors.push_back({anchor->GetEventListIndex(), anchor->GetLatencyWRTHome(), anchor->GetLatencyAbsolute(),
                             anchor->GetSampleAbsolute()});
    }
    return added.first->second;
}

Reference Pass::Resolve(ecAttribSpec* spec, const std::string& name) {
    Reference ref;
    if (name.empty()) {
        ref.emptyName = true;
        return ref;
    }
    if (ecTimeAnchor* anchor = spec->NameToTimeAnchor(name))
        ref.slot = Slot(anchor);
    return ref;
}

int Pass::RefSlot(Spec& spec, const Reference& ref, const char* missing) {
    if (ref.emptyName)
        spec.object->NameToTimeAnchor(std::string()); // throws the lookup's own error
    if (ref.slot < 0)
        throw ecError(missing);
    return ref.slot;
}

void Pass::Load(bool clear) {
    const size_t n = m_list.size();
    m_start.resize(m_exact ? n : 0);
    m_time.resize(m_exact ? 0 : n);
    m_nameId.resize(n);
    m_code.resize(n);
    m_state.resize(n);
    m_nextUntagged.clear();
    m_prevUntagged.clear();
    m_sorted = true;
    int last = n > 0 ? m_list[0].m_iStart : 0;
    for (size_t i = 0; i < n; ++i) {
        ecEvent& e = m_list[i];
#if defined(__GNUC__)
        if (i + 8 < n) {
            const ecEvent& ahead = m_list[i + 8];
            __builtin_prefetch(&ahead.m_sName);
            __builtin_prefetch(&ahead.m_vTags);
            __builtin_prefetch(&ahead.m_nCode);
        }
#endif
        // Records are large: writing only what is not clear already spares
        // the memory traffic of dirtying them.
        if (clear) {
            if (!e.m_vTags.empty())
                e.m_vTags.clear();
            if (e.m_nCode != 0)
                e.m_nCode = 0;
        }
        const int start = e.m_iStart;
        if (m_exact)
            m_start[i] = start;
        else
            m_time[i] = EventTime(start);
        m_nameId[i] = m_nameIds.Find(e.m_sName);
        m_code[i] = e.m_nCode;
        m_state[i] = static_cast<unsigned char>(((e.m_nStatus & kAcceptedBit) != 0 ? kAccepted : 0) |
                                                ((e.m_iAttribute & kTaggedBit) != 0 ? kTagged : 0));
        m_sorted = m_sorted && start >= last;
        last = start;
    }
    m_ordered = m_sorted && (m_exact || m_rate > 0.0f);
}

const std::vector<int>& Pass::Positions(Cond& cond) {
    if (cond.positions < 0) {
        const auto added = m_positionSets.emplace(cond.named, static_cast<int>(m_positions.size()));
        cond.positions = added.first->second;
        if (added.second) {
            m_positions.emplace_back();
            for (int i = 0; i < Count(); ++i)
                if (!Tagged(i) && Named(cond, i))
                    m_positions.back().push_back(i);
        }
    }
    return m_positions[static_cast<size_t>(cond.positions)];
}

void Pass::Store() {
    for (size_t k = 0; k < m_anchors.size(); ++k) {
        ecTimeAnchor* anchor = m_anchorObjects[k];
        const AnchorState& a = m_anchors[k];
        anchor->SetEventListIndex(static_cast<unsigned int>(a.index));
        anchor->SetLatencyWRTHome(a.home);
        anchor->SetLatencyAbsolute(a.absolute);
        anchor->SetSampleAbsolute(a.sample);
    }
    for (const int i : m_touched)
        m_list[static_cast<size_t>(i)].m_nCode = m_code[static_cast<size_t>(i)];
}

bool Pass::MatchTarget(int i, size_t s) {
    const int id = m_nameId[static_cast<size_t>(i)];
    if (id < 0)
        return false;
    for (Target& target : m_specs[s].targets) {
        if (!target.named[static_cast<size_t>(id)] || !Test(i, target.flags))
            continue;
        AnchorState& a = Anchor(target.own);
        a.index = i;
        a.home = 0.0f;
        a.absolute = TimeOf(i);
        if (m_exact)
            a.sample = StartOf(i);
        return true;
    }
    return false;
}

bool Pass::MatchConds(int i, size_t s) {
    Spec& spec = m_specs[s];
    // In order: a conditional may take as reference one found just before it.
    for (Cond& cond : spec.conds) {
        if (cond.window)
            SetWindow(spec, cond);
        if (!Walk(i, spec, cond, cond.permeable))
            return false;
    }
    return true;
}

void Pass::SetWindow(Spec& spec, Cond& cond) {
    const auto shift = [this](int slot, int refSlot, bool minus, float latency, long long offset) {
        const AnchorState ref = Anchor(refSlot);
        AnchorState& a = Anchor(slot);
        a.home = minus ? ref.home - latency : ref.home + latency;
        a.absolute = minus ? ref.absolute - latency : ref.absolute + latency;
        if (m_exact)
            a.sample = ref.sample + (minus ? -offset : offset);
    };
    shift(cond.pre, RefSlot(spec, cond.preRef, kNoIntervalStart), cond.preMinus, cond.preLatency, cond.preOffset);
    shift(cond.post, RefSlot(spec, cond.postRef, kNoIntervalStop), cond.postMinus, cond.postLatency,
          cond.postOffset);
}

template <class Clock>
void Pass::Record(const Clock& clock, Cond& cond, int found, int home) {
    AnchorState& own = Anchor(cond.own);
    clock.Place(own, found, home);
    own.index = found;
    // The anchor alone cannot tell a later reader what this evaluation found:
    // a conditional that holds without finding keeps what an earlier attempt
    // left there. So a recorded pass notes each find as it happens.
    if (m_record != nullptr)
        m_record->NoteFound(cond.object, found, m_list[static_cast<size_t>(found)].m_iStart);
}

// Where both walks start. A conditional that seeks no name gives its negated
// bit without looking its reference up. A pre anchor naming nothing of its
// rule is the same fault the window computation reports, so it is
// reported the same way whether or not the window is used; an index outside
// the list can only come from an anchor that was never filled by this list.
template <class Clock>
bool Pass::Walk(const Clock& clock, int i, Spec& spec, Cond& cond, bool permeable) {
    if (!cond.hasNames)
        return cond.negated;
    const int r = Anchor(RefSlot(spec, cond.preRef, kNoIntervalStart)).index;
    if (r < 0 || r >= Count())
        throw ecError(kUninitializedIndex);
    return permeable ? Permeable(clock, i, r, cond) : Impermeable(clock, i, r, cond);
}

// Only the nearest candidate counts. Backward walks leave out the event
// right before the reference, as bin descriptions written for the
// established behaviour expect.
template <class Clock>
bool Pass::Impermeable(const Clock& clock, int i, int r, Cond& cond) {
    const int c = cond.preMinus ? Untagged(r - 2, -1) : Untagged(r + 1, 1);
    if (c < 0 || c >= Count() || !Named(cond, c))
        return cond.negated;
    if (!cond.window) {
        if (cond.negated)
            return false;
        Record(clock, cond, c, i);
        return true;
    }
    const typename Clock::Time t = clock.Of(c);
    const typename Clock::Time preAbs = Clock::Edge(Anchor(cond.pre));
    const typename Clock::Time postAbs = Clock::Edge(Anchor(cond.post));
    const bool insidePre = cond.preMinus ? t <= preAbs : t >= preAbs;
    const bool insidePost = cond.postMinus ? t >= postAbs : t <= postAbs;
    if (!insidePre || !insidePost || !Test(c, cond.flags))
        return false;
    Record(clock, cond, c, i);
    return true;
}

// In time order the permeable walk starts where the window does, found by
// galloping, and stops at its far edge: before the window, named candidates
// are passed over and an unnamed one can only end the walk as the far edge
// would; beyond the far edge every candidate ends it with the negated bit.
// Its cost thus follows the number of events in the window, not the distance
// to it. The other walks (backward towards a plus post anchor, which no edge
// bounds, or times out of list order) visit the named candidates alone.
template <class Clock>
bool Pass::Permeable(const Clock& clock, int i, int r, Cond& cond) {
    const typename Clock::Time preAbs = Clock::Edge(Anchor(cond.pre));
    const typename Clock::Time postAbs = Clock::Edge(Anchor(cond.post));
    const bool negated = cond.negated;
    const auto found = [&](int c) {
        if (negated)
            return false;
        Record(clock, cond, c, i);
        return true;
    };

    if (m_ordered && !cond.preMinus) {
        const size_t k = FirstTrue(static_cast<size_t>(Count()), cond.hint, [&](size_t j) {
            return static_cast<int>(j) > r && !(clock.Of(static_cast<int>(j)) < preAbs);
        });
        cond.hint = k;
        for (int c = static_cast<int>(k); c < Count(); ++c) {
            if (Tagged(c))
                continue;
            if (clock.Of(c) > postAbs)
                return negated;
            if (!Named(cond, c))
                continue;
            if (Test(c, cond.flags))
                return found(c);
            if (!negated)
                return false;
        }
        return negated;
    }
    if (m_ordered && cond.postMinus) {
        const size_t k = FirstTrue(static_cast<size_t>(Count()), cond.hint, [&](size_t j) {
            return static_cast<int>(j) > r - 2 || clock.Of(static_cast<int>(j)) > preAbs;
        });
        cond.hint = k;
        for (int c = static_cast<int>(k) - 1; c >= 0; --c) {
            if (Tagged(c))
                continue;
            if (clock.Of(c) < postAbs)
                return negated;
            if (Named(cond, c))
                return Test(c, cond.flags) ? found(c) : negated;
        }
        return negated;
    }

    const std::vector<int>& named = Positions(cond);
    if (!cond.preMinus) {
        // Out of time order: every named candidate after the reference.
        size_t k = FirstTrue(named.size(), cond.hint, [&](size_t j) { return named[j] > r; });
        cond.hint = k;
        for (; k < named.size(); ++k) {
            const int c = named[k];
            const typename Clock::Time t = clock.Of(c);
            if (t < preAbs)
                continue;
            if (t > postAbs)
                return negated;
            if (Test(c, cond.flags))
                return found(c);
            if (!negated)
                return false;
        }
        return negated;
    }
    // Backward, the first named candidate not short of the near edge decides.
    size_t k = FirstTrue(named.size(), cond.hint, [&](size_t j) { return named[j] > r - 2; });
    cond.hint = k;
    if (m_ordered)
        k = FirstTrue(k, k, [&](size_t j) { return clock.Of(named[j]) > preAbs; });
    while (k > 0) {
        const int c = named[--k];
        const typename Clock::Time t = clock.Of(c);
        if (t > preAbs)
            continue;
        if (cond.postMinus ? t < postAbs : t > postAbs)
            return negated;
        return Test(c, cond.flags) ? found(c) : negated;
    }
    return negated;
}

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

void ecEventList::SetBinDescAttributes(ecPar_BinDesc& binDesc) {
    SetBinDescAttributes(binDesc, nullptr);
}

void ecEventList::SetBinDescAttributes(ecPar_BinDesc& binDesc, ecMatchRecord* record) {
    if (record != nullptr)
        record->Clear();
    RecordingPass recording(m_pMatchRecord, record);
    binDesc.ConsistencyCheck();
    // Anchors are reset first: the pass takes their values as it starts.
    binDesc.ResetRuntimeParameters();
    std::vector<ecAttribSpec*>& specs = *binDesc.GetpAttribSpecList();
    Pass pass(*this, specs, m_bExactTime, record);
    // Tags and code words are emptied as the events are read; a list out of
    // time order is then sorted and read again.
    pass.Load(true);
    m_vUniqueTagNames.clear();
    if (!pass.Sorted()) {
        SortEventListInTimelyOrder("");
        pass.Load(false);
    }

    if (record != nullptr)
        record->Begin(binDesc, static_cast<int>(size()));
    const std::vector<std::string>& tagNames = pass.TagNames();
    std::vector<char> listed(tagNames.size(), 0);
    std::vector<int> tagIds; // those of the current event
    ResetEventList();
    const int n = pass.Count();
    for (int i = 0; i < n; ++i) {
        if (!pass.Accepted(i))
            continue;
        m_iCurrentEventIndex = i;
#if defined(__GNUC__)
        if (i + 16 < n)
            __builtin_prefetch(&(*this)[static_cast<size_t>(i + 16)].m_vTags, 1);
#endif
        tagIds.clear();
        bool matched = false;
        for (size_t s = 0; s < pass.NumSpecs(); ++s) {
            if (record != nullptr)
                record->BeginAttempt();
            if (!pass.Sought(i, s) || !pass.MatchTarget(i, s) || !pass.MatchConds(i, s))
                continue;
            ecEvent& ev = (*this)[static_cast<size_t>(i)];
            if (record != nullptr)
                record->Keep(static_cast<int>(s), specs[s], i, ev.m_iStart);
            if (!matched)
                ev.m_vTags.reserve(pass.TagBound(i));
            matched = true;
            // Written at once: a later rule may throw.
            for (const int id : pass.SpecTags(s)) {
                if (std::find(tagIds.begin(), tagIds.end(), id) != tagIds.end())
                    continue;
                tagIds.push_back(id);
                ev.m_vTags.push_back(tagNames[static_cast<size_t>(id)]);
                if (!listed[static_cast<size_t>(id)]) {
                    listed[static_cast<size_t>(id)] = 1;
                    m_vUniqueTagNames.push_back(tagNames[static_cast<size_t>(id)]);
                }
            }
        }
        if (matched)
            pass.ResetAnchors();
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

// The single steps, for callers outside a pass: each reads the list afresh
// (a cost linear in its length) and works as the pass does, with ev as the
// current event.
bool ecEventList::MatchEventToAttribSpecs(ecEvent* ev, ecAttribSpec* spec) {
    return MatchEventToAttribTarget(ev, spec) && MatchEventToAttribConditional(ev, spec);
}

namespace {
// A pass over one rule (and a conditional it may not hold), with the list
// read and indexed as it stands.
struct StepPass {
    StepPass(ecEventList& list, ecAttribSpec* spec, bool exact, ecMatchRecord* record,
             ecConditional* cond = nullptr)
        : pass(list, {spec}, exact, record) {
        if (cond != nullptr)
            pass.CondOf(0, cond);
        pass.Load(false);
    }
    Pass pass;
};
} // namespace

bool ecEventList::MatchEventToAttribTarget(ecEvent* ev, ecAttribSpec* spec) {
    StepPass step(*this, spec, m_bExactTime, m_pMatchRecord);
    return step.pass.MatchTarget(static_cast<int>(ev - data()), 0);
}

bool ecEventList::MatchEventToAttribConditional(ecEvent* ev, ecAttribSpec* spec) {
    StepPass step(*this, spec, m_bExactTime, m_pMatchRecord);
    return step.pass.MatchConds(static_cast<int>(ev - data()), 0);
}

void ecEventList::SetConditionalWindow(ecAttribSpec* spec, ecConditional* cond) {
    StepPass step(*this, spec, m_bExactTime, m_pMatchRecord, cond);
    step.pass.SetWindow(step.pass.SpecAt(0), step.pass.CondOf(0, cond));
}

bool ecEventList::TestOneConditionalImpermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec) {
    StepPass step(*this, spec, m_bExactTime, m_pMatchRecord, cond);
    return step.pass.Walk(static_cast<int>(ev - data()), step.pass.SpecAt(0), step.pass.CondOf(0, cond), false);
}

bool ecEventList::TestOneConditionalPermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec) {
    StepPass step(*this, spec, m_bExactTime, m_pMatchRecord, cond);
    return step.pass.Walk(static_cast<int>(ev - data()), step.pass.SpecAt(0), step.pass.CondOf(0, cond), true);
}

bool ecEventList::TestCode(ecEvent* ev, ecEventSpecBase* spec) {
    return PassFlags(CompileFlags(spec), ev->m_nCode);
}
