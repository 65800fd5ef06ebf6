#pragma once
// Reference for the matching pass (ecEventList::SetBinDescAttributes): every
// step transcribed as the algorithm states it, each walk done literally,
// without the indexes and shortcuts of the library. The randomised tests
// compare tags, code words, unique tags, the cursor, the run-time anchor
// values and thrown errors against it.
//
// A list in exact time is walked in whole samples instead: an event's time is
// its start sample and a window edge L seconds from a reference at sample r
// is r +/- llround(double(L) x rate), in plain integer arithmetic.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/ecevents.h"
#include "../specs/specs_test_support.h"

namespace specs_test {

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
    float FloatTime(int i) const { return static_cast<float>(m_list[i].m_iStart) / m_list.GetSamplingRate(); }
    bool Exact() const { return m_list.IsExactTime(); }
    // Times and edges as compared: every float and every sample below 2^53
    // is exact in a double, so comparing doubles compares the originals.
    double Time(int i) const { return Exact() ? static_cast<double>(m_list[i].m_iStart) : FloatTime(i); }
    double Edge(const ecTimeAnchor* a) const {
        return Exact() ? static_cast<double>(a->GetSampleAbsolute()) : a->GetLatencyAbsolute();
    }
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
            a->SetLatencyAbsolute(FloatTime(i));
            if (Exact())
                a->SetSampleAbsolute(m_list[i].m_iStart);
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

    void Shift(ecTimeAnchor* a, ecTimeAnchor* ref) const {
        const float l = a->GetLatencyWRTSpecifier();
        if (Exact()) {
            const long long offset = std::llround(static_cast<double>(l) * m_list.GetSamplingRate());
            a->SetSampleAbsolute(ref->GetSampleAbsolute() + ((a->GetOption() & 1) ? -offset : offset));
        }
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
        a->SetLatencyAbsolute(FloatTime(c));
        a->SetEventListIndex(c);
        if (Exact()) {
            a->SetSampleAbsolute(m_list[c].m_iStart);
            const long long samples = static_cast<long long>(m_list[c].m_iStart) - m_list[i].m_iStart;
            a->SetLatencyWRTHome(static_cast<float>(static_cast<double>(samples) / m_list.GetSamplingRate()));
        } else {
            a->SetLatencyWRTHome(FloatTime(c) - FloatTime(i));
        }
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
        const double t = Time(c);
        const double preAbs = Edge(pre);
        const double postAbs = Edge(post);
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
            const double t = Time(c);
            const double preAbs = Edge(pre);
            const double postAbs = Edge(post);
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

} // namespace specs_test
