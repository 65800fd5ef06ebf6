// Matching in exact time against plain sample arithmetic on lists past 2^24
// samples, where a float no longer resolves one sample: a window of 0.2 to
// 1.0 s after (or before) a target at sample s holds exactly the samples
// s + 200 to s + 1000 (s - 1000 to s - 200) at 1000 Hz, edges included.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "specs_test_support.h"

using namespace specs_test;

namespace {

struct Window {
    bool permeable;
    bool before;
};

// The tag the arithmetic gives the target at index r. Backward walks begin
// two events before the reference, forward walks right after it; an
// impermeable walk looks at its first candidate only.
bool ArithmeticTag(const ecEventList& list, int r, Window w, float rate) {
    const long long s = list[r].m_iStart;
    const long long nearSamples = std::llround(static_cast<double>(0.2f) * rate);
    const long long farSamples = std::llround(static_cast<double>(1.0f) * rate);
    const long long lo = w.before ? s - farSamples : s + nearSamples;
    const long long hi = w.before ? s - nearSamples : s + farSamples;
    const int n = static_cast<int>(list.size());
    for (int i = w.before ? r - 2 : r + 1; i >= 0 && i < n; i += w.before ? -1 : 1) {
        const bool inside = list[i].m_sName == "R" && lo <= list[i].m_iStart && list[i].m_iStart <= hi;
        if (inside || !w.permeable)
            return inside;
    }
    return false;
}

std::vector<bool> Tags(ecEventList list, ecPar_BinDesc& desc, bool exact) {
    list.SetExactTime(exact);
    list.SetBinDescAttributes(desc);
    std::vector<bool> tagged;
    for (const ecEvent& e : list)
        tagged.push_back(!e.m_vTags.empty());
    return tagged;
}

TEST(MatchingExactTime, WindowsAgreeWithSampleArithmeticPastTwoToThe24) {
    const Window windows[] = {{true, false}, {false, false}, {true, true}, {false, true}};
    const struct {
        float rate;
        int base;
    } recordings[] = {{1000.0f, (1 << 24) + 7}, {1000.0f, 1 << 27}, {5000.0f, 1 << 30}};
    int singleDiffers[4] = {};
    for (const auto& rec : recordings) {
        // Targets, responses and others at gaps of 0 to 0.6 s, so that
        // windows often end right on or beside an event.
        std::mt19937 random(static_cast<unsigned>(rec.base));
        std::uniform_int_distribution<int> gap(0, static_cast<int>(0.6f * rec.rate));
        ecEventList list;
        list.SetSamplingRate(rec.rate);
        int at = rec.base;
        for (int i = 0; i < 6000; ++i) {
            at += gap(random);
            list.push_back(MakeEvent(std::string(1, "TRXX"[std::uniform_int_distribution<int>(0, 3)(random)]), at));
        }
        for (int k = 0; k < 4; ++k) {
            const Window w = windows[k];
            SCOPED_TRACE(std::to_string(rec.base) + (w.permeable ? " permeable" : " impermeable") +
                         (w.before ? " before" : " after"));
            ecPar_BinDesc desc;
            ecAttribSpec* spec = AddSpec(desc, "resp", "yes");
            AddTarget(spec, "T0", {"T"});
            AddConditional(spec, "C0", {"R"}, ecConditional::kWindow | (w.permeable ? ecConditional::kPermeable : 0),
                           {"T0", w.before, 0.2f}, {"T0", w.before, 1.0f});
            const std::vector<bool> exact = Tags(list, desc, true);
            const std::vector<bool> single = Tags(list, desc, false);
            int targets = 0, tagged = 0;
            for (int r = 0; r < static_cast<int>(list.size()); ++r) {
                if (list[r].m_sName != "T")
                    continue;
                const bool want = ArithmeticTag(list, r, w, rec.rate);
                EXPECT_EQ(exact[r], want) << "target at sample " << list[r].m_iStart;
                ++targets;
                tagged += want;
                singleDiffers[k] += single[r] != want;
            }
            // Both outcomes occur, or the comparison proves little.
            EXPECT_GT(tagged, targets / 20);
            EXPECT_LT(tagged, targets - targets / 20);
        }
    }
    // And single precision misses some, where exact time must not.
    for (int k = 0; k < 4; ++k)
        EXPECT_GT(singleDiffers[k], 0) << "window " << k;
}

}  // namespace
