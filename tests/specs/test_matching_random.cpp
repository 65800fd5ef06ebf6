// The matching pass against a plain transcription of its algorithm, on many
// random lists and descriptions: tags, code words, unique tags, the cursor,
// every run-time anchor value and every thrown error must agree, in the
// default single precision and in exact time, on lists that start near zero
// and on lists past 2^24 samples.
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
#include "../support/matching_reference.h"
#include "../support/random_bin_desc.h"

using namespace specs_test;

namespace {


bool SameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

std::string AnchorText(ecTimeAnchor* a) {
    std::ostringstream out;
    out << a->GetEventListIndex() << " " << a->GetLatencyWRTHome() << " " << a->GetLatencyAbsolute() << " "
        << a->GetSampleAbsolute();
    return out.str();
}

void ExpectSameAnchor(ecTimeAnchor* got, ecTimeAnchor* want, const std::string& where) {
    EXPECT_TRUE(got->GetEventListIndex() == want->GetEventListIndex() &&
                SameFloat(got->GetLatencyWRTHome(), want->GetLatencyWRTHome()) &&
                SameFloat(got->GetLatencyAbsolute(), want->GetLatencyAbsolute()) &&
                got->GetSampleAbsolute() == want->GetSampleAbsolute())
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

struct Mode {
    bool exact;
    bool late; // every event moved past 2^24 samples
};

void RunCase(unsigned seed, Mode mode, Totals& totals) {
    SCOPED_TRACE("seed " + std::to_string(seed) + (mode.exact ? ", exact" : "") + (mode.late ? ", late" : ""));
    RandomMatchingCases gen(seed);
    const int rateRoll = gen.Int(0, 99);
    // Rates of 0 and below leave times out of list order.
    const float rate = rateRoll < 45   ? 4.0f
                       : rateRoll < 75 ? 8.0f
                       : rateRoll < 93 ? 1000.0f
                       : rateRoll < 96 ? 0.0f
                                       : -4.0f;
    ecEventList list;
    gen.FillList(list, rate);
    list.SetExactTime(mode.exact);
    if (mode.late) {
        const int base = (1 << 24) + gen.Int(0, 1 << 30);
        for (ecEvent& e : list) {
            e.m_iStart += base;
            e.m_iStop += base;
        }
    }
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
    const struct {
        Mode mode;
        unsigned seeds;
    } runs[] = {{{false, false}, 4000}, {{false, true}, 1000}, {{true, false}, 1000}, {{true, true}, 2000}};
    for (const auto& run : runs) {
        Totals totals;
        for (unsigned seed = 1; seed <= run.seeds && !::testing::Test::HasFailure(); ++seed)
            RunCase(seed, run.mode, totals);
        // The cases must reach errors, tags and the walks' far edges, or they
        // prove little.
        std::cout << (run.mode.exact ? "exact" : "single") << (run.mode.late ? " late" : "") << ": thrown "
                  << totals.thrown << ", tagged " << totals.tagged << ", far-edge walks " << totals.farEdgeWalks
                  << "\n";
        EXPECT_GT(totals.thrown, run.seeds / 40);
        EXPECT_GT(totals.tagged, run.seeds / 2);
        EXPECT_GT(totals.farEdgeWalks, run.seeds / 4);
    }
}

}  // namespace
