#pragma once
// Random event lists and bin descriptions for the randomised comparison of
// the matching pass with its reference: names, anchors, windows, flags and
// conditionals drawn so that every branch of the walks is reached often.
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

class RandomMatchingCases {
public:
    explicit RandomMatchingCases(unsigned seed) : m_rng(seed) {}

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
        // Now and then most events are tagged, so that walks meet long runs
        // of them.
        const int taggedShare = Chance(10) ? 70 : 15;
        for (int i = 0; i < n; ++i) {
            const int s = Int(0, 9);
            const unsigned int status = s < 7 ? kAccepted : (s < 9 ? kRejected : kNoStatus);
            const std::string name = EventName();
            list.push_back(MakeEvent(name, Int(first, first + span), kAtStart, status));
            if (Chance(taggedShare))
                list.back().SetTagged();
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

} // namespace specs_test
