// The matching pass against a plain transcription of its algorithm, on many
// random lists and descriptions: tags, code words, unique tags, the cursor,
// every run-time anchor value and every thrown error must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/foundation/ecError.h"
#include "specs_test_support.h"

using namespace specs_test;

namespace {

// ---------------------------------------------------------------------------
// Reference: every step as the algorithm states it, walks without shortcuts.

class ReferencePass {
public:
    ReferencePass(ecEventList& list, ecPar_BinDesc& desc) : m_list(list), m_desc(desc) {}

    // Returns the message of the error that ended the pass, "" when none.
    std::string Run() { return EcErrorOf([this] { Pass(); }); }

    std::vector<std::string> m_uniqueTags;
    int m_current = -1;
    // Permeable walks that met a candidate without a conditional name beyond
    // the window's far edge, where the pass may stop early.
    int m_farEdgeWalks = 0;

private:
    float Time(int i) const { return static_cast<float>(m_list[i].m_iStart) / m_list.GetSamplingRate(); }
    int Count() const { return static_cast<int>(m_list.size()); }

    void Pass() {
        m_desc.ConsistencyCheck();
        for (ecEvent& e : m_list) {
            e.m_vTags.clear();
            e.SetCode(0);
        }
        m_uniqueTags.clear();
        std::stable_sort(m_list.begin(), m_list.end(),
                         [](const ecEvent& a, const ecEvent& b) { return a.m_iStart < b.m_iStart; });
        m_desc.ResetRuntimeParameters();
        m_current = -1;
        for (int i = 0; i < Count(); ++i) {
            if (!m_list[i].IsAccepted())
                continue;
            m_current = i;
            bool any = false;
            for (ecAttribSpec* spec : *m_desc.GetpAttribSpecList()) {
                if (!MatchTarget(i, spec) || !MatchConditionals(i, spec))
                    continue;
                any = true;
                const int pairs = std::min(spec->GetNumFactors(), spec->GetNumTags());
                for (int k = 0; k < pairs; ++k) {
                    const std::string tag = spec->GetOneFactor(k) + ":" + spec->GetOneValue(k);
                    std::vector<std::string>& tags = m_list[i].m_vTags;
                    if (std::find(tags.begin(), tags.end(), tag) == tags.end())
                        tags.push_back(tag);
                    if (std::find(m_uniqueTags.begin(), m_uniqueTags.end(), tag) == m_uniqueTags.end())
                        m_uniqueTags.push_back(tag);
                }
            }
            if (any)
                m_desc.ResetRuntimeParameters();
        }
    }

    bool TestCode(ecEvent& e, ecEventSpecBase* owner) {
        for (ecCondEventFlag* flag : *owner->GetpvFlags()) {
            bool hit = (e.GetCode() & flag->GetCode()) != 0;
            if (flag->GetOption() & 1)
                hit = !hit;
            if (!hit)
                return false;
            if (flag->GetOption() & 2)
                e.SetCode(e.GetCode() | flag->GetSetCode());
            if (flag->GetOption() & 4)
                e.SetCode(e.GetCode() & ~flag->GetClearCode());
        }
        return true;
    }

    bool MatchTarget(int i, ecAttribSpec* spec) {
        for (ecTarget* target : *spec->GetpEventSpecs()->GetpTargetList()) {
            if (!Named(target, m_list[i].m_sName) || !TestCode(m_list[i], target))
                continue;
            ecTimeAnchor* a = target->GetpTimeAnchor();
            a->SetEventListIndex(m_current);
            a->SetLatencyWRTHome(0.0f);
            a->SetLatencyAbsolute(Time(i));
            return true;
        }
        return false;
    }

    bool MatchConditionals(int i, ecAttribSpec* spec) {
        for (ecConditional* cond : *spec->GetpEventSpecs()->GetpConditionalList()) {
            if (cond->GetOption() & 4)
                Window(spec, cond);
            const bool r = (cond->GetOption() & 2) ? Permeable(i, cond, spec) : Impermeable(i, cond, spec);
            if (!r)
                return false;
        }
        return true;
    }

    static void Shift(ecTimeAnchor* a, ecTimeAnchor* ref) {
        const float l = a->GetLatencyWRTSpecifier();
        if (a->GetOption() & 1) {
            a->SetLatencyWRTHome(ref->GetLatencyWRTHome() - l);
            a->SetLatencyAbsolute(ref->GetLatencyAbsolute() - l);
        } else {
            a->SetLatencyWRTHome(ref->GetLatencyWRTHome() + l);
            a->SetLatencyAbsolute(ref->GetLatencyAbsolute() + l);
        }
    }

    void Window(ecAttribSpec* spec, ecConditional* cond) {
        Shift(cond->GetpTimeAnchorPre(), Specifier(spec, cond));
        ecTimeAnchor* ref = spec->GetpEventSpecs()->NameToTimeAnchor(cond->GetpTimeAnchorPost()->GetName());
        if (!ref)
            throw ecError("[ecEventList::SetConditionalWindow] Can't find interval stop");
        Shift(cond->GetpTimeAnchorPost(), ref);
    }

    static ecTimeAnchor* Specifier(ecAttribSpec* spec, ecConditional* cond) {
        ecTimeAnchor* ref = spec->GetpEventSpecs()->NameToTimeAnchor(cond->GetpTimeAnchorPre()->GetName());
        if (!ref)
            throw ecError("[ecEventList::SetConditionalWindow] Can't find interval start");
        return ref;
    }

    int Reference(ecAttribSpec* spec, ecConditional* cond) {
        ecTimeAnchor* ref = Specifier(spec, cond);
        if (ref->GetEventListIndex() == -1)
            throw ecError("[ecEventList::TestOneConditionalImpermeable] Unitialized event list index.");
        return ref->GetEventListIndex();
    }

    // Successive candidate indices; Count() or -1 when the walk has ended.
    int First(int r, bool backward) const {
        int i = backward ? r - 2 : r + 1;
        while (i >= 0 && i < Count() && m_list[i].IsTagged())
            i += backward ? -1 : 1;
        return i;
    }
    int Next(int i, bool backward) const {
        do
            i += backward ? -1 : 1;
        while (i >= 0 && i < Count() && m_list[i].IsTagged());
        return i;
    }

    template <class Spec>
    static bool Named(Spec* spec, const std::string& name) {
        const std::vector<std::string>& names = *spec->GetpEventNames();
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    bool Record(ecConditional* cond, int c, int i) {
        ecTimeAnchor* a = cond->GetpTimeAnchor();
        a->SetLatencyAbsolute(Time(c));
        a->SetEventListIndex(c);
        a->SetLatencyWRTHome(Time(c) - Time(i));
        return true;
    }

    bool Impermeable(int i, ecConditional* cond, ecAttribSpec* spec) {
        const bool neg = cond->GetOption() & 1;
        if (cond->GetpEventNames()->empty())
            return neg;
        const int r = Reference(spec, cond);
        ecTimeAnchor* pre = cond->GetpTimeAnchorPre();
        ecTimeAnchor* post = cond->GetpTimeAnchorPost();
        const bool backward = pre->GetOption() & 1;
        const int c = First(r, backward);
        if (c < 0 || c >= Count())
            return neg;
        if (!Named(cond, m_list[c].m_sName))
            return neg;
        if (!(cond->GetOption() & 4))
            return !neg && Record(cond, c, i);
        const float t = Time(c);
        const float preAbs = pre->GetLatencyAbsolute();
        const float postAbs = post->GetLatencyAbsolute();
        if ((pre->GetOption() & 1) && !(t <= preAbs))
            return false;
        if (!(pre->GetOption() & 1) && !(t >= preAbs))
            return false;
        if (!(post->GetOption() & 1) && !(t <= postAbs))
            return false;
        if ((post->GetOption() & 1) && !(t >= postAbs))
            return false;
        return TestCode(m_list[c], cond) && Record(cond, c, i);
    }

    bool Permeable(int i, ecConditional* cond, ecAttribSpec* spec) {
        const bool neg = cond->GetOption() & 1;
        if (cond->GetpEventNames()->empty())
            return neg;
        const int r = Reference(spec, cond);
        ecTimeAnchor* pre = cond->GetpTimeAnchorPre();
        ecTimeAnchor* post = cond->GetpTimeAnchorPost();
        const bool backward = pre->GetOption() & 1;
        bool counted = false;
        for (int c = First(r, backward); c >= 0 && c < Count(); c = Next(c, backward)) {
            const float t = Time(c);
            const float preAbs = pre->GetLatencyAbsolute();
            const float postAbs = post->GetLatencyAbsolute();
            if (!Named(cond, m_list[c].m_sName)) {
                const bool beyond = backward ? (post->GetOption() & 1) && t <= preAbs && t < postAbs
                                             : t >= preAbs && t > postAbs;
                if (beyond && !counted) {
                    counted = true;
                    ++m_farEdgeWalks;
                }
                continue;
            }
            if (!backward) {
                if (t < preAbs)
                    continue;
                if (t > postAbs)
                    return neg;
                if (TestCode(m_list[c], cond))
                    return !neg && Record(cond, c, i);
                if (neg)
                    continue;
                return false;
            }
            if (t > preAbs)
                continue;
            if (((post->GetOption() & 1) == 0 && t > postAbs) || ((post->GetOption() & 1) && t < postAbs))
                return neg;
            if (TestCode(m_list[c], cond))
                return !neg && Record(cond, c, i);
            return neg;
        }
        return neg;
    }

    ecEventList& m_list;
    ecPar_BinDesc& m_desc;
};

// ---------------------------------------------------------------------------
// Random cases.

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool Chance(int percent) { return Int(0, 99) < percent; }
    template <class T>
    const T& Pick(const std::vector<T>& v) {
        return v[static_cast<size_t>(Int(0, static_cast<int>(v.size()) - 1))];
    }

    std::string EventName() { return Pick(std::vector<std::string>{"A", "B", "C", "D", "E"}); }

    void FillList(ecEventList& list, float rate) {
        list.SetSamplingRate(rate);
        const int n = Chance(10) ? Int(100, 300) : Int(0, 60);
        const int span = Chance(20) ? Int(1, 8) : Int(10, 2 * n + 10);
        const int first = Chance(10) ? -span / 2 : 0;
        for (int i = 0; i < n; ++i) {
            const int s = Int(0, 9);
            const Status status = s < 7 ? kAccepted : (s < 9 ? kRejected : kNoStatus);
            AddEvent(list, EventName(), Int(first, first + span), status, Chance(15));
            list.back().m_sNotation = std::to_string(i);
            list.back().SetCode(static_cast<unsigned>(Int(0, 15)));
            if (Chance(5))
                list.back().m_vTags.push_back("old:tag");
        }
    }

    void AddFlags(ecEventSpecBase* owner, int maxFlags) {
        const int count = Int(0, maxFlags);
        for (int f = 0; f < count; ++f)
            AddFlag(owner, static_cast<unsigned>(Int(0, 4)), Int(0, 7), static_cast<unsigned>(Int(0, 7)),
                    static_cast<unsigned>(Int(0, 7)));
    }

    float Latency(float rate) {
        // Multiples of a sample put window edges exactly on events.
        const float step = rate > 0.0f ? 1.0f / rate : 0.25f;
        if (Chance(15))
            return static_cast<float>(Int(0, 99)) / 37.0f;
        return step * static_cast<float>(Int(-2, 12));
    }

    // Mostly a target or a conditional listed earlier; rarely one listed
    // later (its anchor is not filled yet), an unknown or an empty name.
    std::string Specifier(const std::vector<std::string>& targets, const std::vector<std::string>& conds,
                          int current) {
        const int roll = Int(0, 99);
        if (roll < 1)
            return "";
        if (roll < 2)
            return "nowhere";
        if (roll < 4 && !conds.empty())
            return Pick(conds);
        if (roll < 12 && current > 0)
            return conds[static_cast<size_t>(Int(0, current - 1))];
        // A target other than the one that matched has no event yet.
        if (targets.empty())
            return "T0";
        return Chance(85) ? targets[0] : Pick(targets);
    }

    void FillDesc(ecPar_BinDesc& desc, float rate) {
        const int specs = Int(0, 3);
        for (int s = 0; s < specs; ++s) {
            desc.AddOneAttribSpec();
            ecAttribSpec* spec = desc.GetpAttribSpec(s);
            const int pairs = Int(0, 2);
            for (int k = 0; k < pairs; ++k)
                spec->AppendOneFactorValuePair(Pick(std::vector<std::string>{"F", "G", "H"}),
                                               std::to_string(Int(1, 2)));
            if (Chance(10))
                spec->AppendOneFactor("Odd");

            std::vector<std::string> targetNames;
            const int targets = Int(0, 2);
            for (int t = 0; t < targets; ++t) {
                targetNames.push_back(Chance(10) ? "C0" : "T" + std::to_string(Int(0, 1)));
                const int count = spec->CreateTarget(targetNames.back());
                ecTarget* target = spec->GetpEventSpecs()->GetpTarget(count - 1);
                const int names = Int(1, 2);
                for (int k = 0; k < names; ++k)
                    target->AddEvent(EventName());
                AddFlags(target, 2);
            }

            std::vector<std::string> condNames;
            const int conds = Int(0, 3);
            for (int c = 0; c < conds; ++c)
                condNames.push_back("C" + std::to_string(Chance(10) ? Int(0, 3) : c));
            for (int c = 0; c < conds; ++c) {
                const int index = spec->CreateConditional(condNames[static_cast<size_t>(c)]);
                ecConditional* cond = spec->GetpEventSpecs()->GetpConditional(index);
                const int names = Chance(10) ? 0 : Int(1, 2);
                for (int k = 0; k < names; ++k)
                    cond->AddEvent(EventName());
                // Mostly windows, and the permeable walks are the long ones.
                cond->SetOption(Int(0, 7) | (Chance(60) ? 4 : 0) | (Chance(40) ? 2 : 0));
                const std::string pre = Specifier(targetNames, condNames, c);
                const std::string post = Chance(85) ? pre : Specifier(targetNames, condNames, c);
                const bool minus = Chance(50);
                SetAnchor(cond->GetpTimeAnchorPre(), {pre, minus, Latency(rate)});
                SetAnchor(cond->GetpTimeAnchorPost(), {post, Chance(80) ? minus : !minus, Latency(rate)});
                AddFlags(cond, 2);
            }
        }
    }

private:
    std::mt19937 m_rng;
};

bool SameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

std::string AnchorText(ecTimeAnchor* a) {
    std::ostringstream out;
    out << a->GetEventListIndex() << " " << a->GetLatencyWRTHome() << " " << a->GetLatencyAbsolute();
    return out.str();
}

void ExpectSameAnchor(ecTimeAnchor* got, ecTimeAnchor* want, const std::string& where) {
    EXPECT_TRUE(got->GetEventListIndex() == want->GetEventListIndex() &&
                SameFloat(got->GetLatencyWRTHome(), want->GetLatencyWRTHome()) &&
                SameFloat(got->GetLatencyAbsolute(), want->GetLatencyAbsolute()))
        << where << ": " << AnchorText(got) << " vs " << AnchorText(want);
}

void ExpectSameDesc(ecPar_BinDesc& got, ecPar_BinDesc& want) {
    ASSERT_EQ(got.GetNumAttribSpecs(), want.GetNumAttribSpecs());
    for (int s = 0; s < got.GetNumAttribSpecs(); ++s) {
        ecEventSpecs* g = got.GetpAttribSpec(s)->GetpEventSpecs();
        ecEventSpecs* w = want.GetpAttribSpec(s)->GetpEventSpecs();
        for (int t = 0; t < g->GetNumTargets(); ++t)
            ExpectSameAnchor(g->GetpTarget(t)->GetpTimeAnchor(), w->GetpTarget(t)->GetpTimeAnchor(),
                             "spec " + std::to_string(s) + " target " + std::to_string(t));
        for (int c = 0; c < g->GetNumConditionals(); ++c) {
            ecConditional* gc = g->GetpConditional(c);
            ecConditional* wc = w->GetpConditional(c);
            const std::string where = "spec " + std::to_string(s) + " conditional " + std::to_string(c);
            ExpectSameAnchor(gc->GetpTimeAnchor(), wc->GetpTimeAnchor(), where);
            ExpectSameAnchor(gc->GetpTimeAnchorPre(), wc->GetpTimeAnchorPre(), where + " pre");
            ExpectSameAnchor(gc->GetpTimeAnchorPost(), wc->GetpTimeAnchorPost(), where + " post");
        }
    }
}

struct Totals {
    int thrown = 0;
    int tagged = 0;
    int farEdgeWalks = 0;
};

void RunCase(unsigned seed, Totals& totals) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Generator gen(seed);
    const int rateRoll = gen.Int(0, 99);
    // Rates of 0 and below leave times out of list order.
    const float rate = rateRoll < 45   ? 4.0f
                       : rateRoll < 75 ? 8.0f
                       : rateRoll < 93 ? 1000.0f
                       : rateRoll < 96 ? 0.0f
                                       : -4.0f;
    ecEventList list;
    gen.FillList(list, rate);
    ecPar_BinDesc desc;
    gen.FillDesc(desc, rate);

    ecEventList refList(list);
    ecPar_BinDesc refDesc(desc);
    ReferencePass reference(refList, refDesc);
    const std::string want = reference.Run();

    EXPECT_EQ(EcErrorOf([&] { list.SetBinDescAttributes(desc); }), want);
    ASSERT_EQ(list.size(), refList.size());
    for (size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE("event " + std::to_string(i));
        EXPECT_EQ(list[i].m_iStart, refList[i].m_iStart);
        EXPECT_EQ(list[i].m_sNotation, refList[i].m_sNotation);
        EXPECT_EQ(list[i].m_vTags, refList[i].m_vTags);
        EXPECT_EQ(list[i].GetCode(), refList[i].GetCode());
        if (!list[i].m_vTags.empty())
            ++totals.tagged;
    }
    EXPECT_EQ(UniqueTags(list), reference.m_uniqueTags);
    EXPECT_EQ(list.GetCurrentEventIndex(), reference.m_current);
    ExpectSameDesc(desc, refDesc);
    if (!want.empty())
        ++totals.thrown;
    totals.farEdgeWalks += reference.m_farEdgeWalks;
}

TEST(MatchingRandom, SameResultsAsTheLiteralWalks) {
    Totals totals;
    for (unsigned seed = 1; seed <= 4000; ++seed) {
        RunCase(seed, totals);
        if (::testing::Test::HasFailure())
            break;
    }
    // The cases must reach errors, tags and the walks' far edges, or they
    // prove little.
    std::cout << "thrown " << totals.thrown << ", tagged " << totals.tagged << ", far-edge walks "
              << totals.farEdgeWalks << "\n";
    EXPECT_GT(totals.thrown, 100);
    EXPECT_GT(totals.tagged, 2000);
    EXPECT_GT(totals.farEdgeWalks, 1000);
}

}  // namespace
