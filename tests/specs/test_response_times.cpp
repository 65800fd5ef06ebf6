// Which event satisfied each conditional, recorded during the matching pass,
// and the response times taken from it: on generated lists, every recorded
// find is the event the construction means, for followed-by and preceded-by,
// permeable and impermeable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ecevents/specs/ecMatchRecord.h"
#include "ecevents/specs/ecRtRequest.h"
#include "specs_test_support.h"

using namespace specs_test;

namespace {

// A quarter second per sample: every time and window edge is exact in single
// and double precision, so the oracle below needs no rounding rule.
constexpr float kRate = 4.0f;
constexpr double kNear = 0.25;
constexpr double kFar = 1.0;
const long kNeg = ecConditional::kNegated;
const long kPerm = ecConditional::kPermeable;
const long kWin = ecConditional::kWindow;

enum Construction { kFollowed, kFollowedPermeable, kPreceded, kPrecededPermeable, kFollowedNotNextX, kNotFollowedOrSoon };

// The rule tags T events; its conditional "R" is the one whose find gives
// the response time.
void Build(ecPar_BinDesc& desc, Construction c) {
    ecAttribSpec* spec = AddSpec(desc, "Resp", "Hit");
    AddTarget(spec, "T", {"T"});
    const AnchorDef nearT{"T", false, static_cast<float>(kNear)}, farT{"T", false, static_cast<float>(kFar)};
    const AnchorDef atT{"T", false, 0.0f}, backAtN{"N", true, 0.0f};
    switch (c) {
    case kFollowed:
    case kFollowedPermeable:
        AddConditional(spec, "R", {"R"}, kWin | (c == kFollowedPermeable ? kPerm : 0), nearT, farT);
        break;
    case kFollowedNotNextX:
        AddConditional(spec, "NX", {"X"}, kNeg, atT, atT);
        AddConditional(spec, "R", {"R"}, kWin | kPerm, nearT, farT);
        break;
    case kNotFollowedOrSoon:
        // Negated with a window, the impermeable walk still finds an R in the
        // window; a conditional after it that fails leaves that find on its
        // anchor for the next target, which must not take it.
        AddConditional(spec, "R", {"R"}, kNeg | kWin, nearT, farT);
        AddConditional(spec, "W", {"T", "R"}, 0, AnchorDef{"T", true, 0.0f}, AnchorDef{"T", true, 0.0f});
        break;
    case kPreceded:
    case kPrecededPermeable:
        // The backward walk starts two events before its reference, so it
        // starts from the event after the target.
        AddConditional(spec, "N", {"T", "R", "X"}, 0, atT, atT);
        if (c == kPreceded)
            AddConditional(spec, "R", {"R"}, 0, backAtN, backAtN);
        else
            AddConditional(spec, "R", {"R"}, kPerm | kWin, backAtN, AnchorDef{"T", true, static_cast<float>(kFar)});
        break;
    }
}

double Time(const ecEventList& list, int i) {
    return list[i].m_iStart / static_cast<double>(kRate);
}

// What the construction means for the target at i of the sorted list:
// whether it is tagged, and the index of the R event it refers to (-1: none).
bool Oracle(const ecEventList& list, int i, Construction c, int& found) {
    const int n = static_cast<int>(list.size());
    const double t = Time(list, i);
    auto named = [&](int k, const char* name) { return k >= 0 && k < n && list[k].m_sName == name; };
    auto soon = [&](int k) { return named(k, "R") && Time(list, k) >= t + kNear && Time(list, k) <= t + kFar; };
    // The nearest R from k on in the walk's direction, if within [lo, hi]
    // seconds of the target.
    auto nearestR = [&](int k, int step, double lo, double hi) {
        while (k >= 0 && k < n && !(named(k, "R") && (step < 0 || Time(list, k) >= t + lo)))
            k += step;
        return named(k, "R") && Time(list, k) >= t + lo && Time(list, k) <= t + hi ? k : -1;
    };
    found = -1;
    if (list[i].m_sName != "T")
        return false;
    switch (c) {
    case kFollowed:
        found = soon(i + 1) ? i + 1 : -1;
        break;
    case kFollowedNotNextX:
    case kFollowedPermeable:
        found = c == kFollowedNotNextX && named(i + 1, "X") ? -1 : nearestR(i + 1, 1, kNear, kFar);
        break;
    case kNotFollowedOrSoon:
        found = soon(i + 1) ? i + 1 : -1;
        return (!named(i + 1, "R") || soon(i + 1)) && (named(i - 2, "T") || named(i - 2, "R"));
    case kPreceded:
        found = i + 1 < n && named(i - 1, "R") ? i - 1 : -1;
        break;
    case kPrecededPermeable:
        found = i + 1 < n ? nearestR(i - 1, -1, -kFar, 0.0) : -1;
        break;
    }
    return found >= 0;
}

ecEventList RandomList(std::mt19937& random, int count) {
    const char* const names[] = {"T", "R", "X"};
    std::vector<int> starts;
    int at = 0;
    for (int k = 0; k < count; ++k)
        starts.push_back(at += 1 + static_cast<int>(random() % 6));
    std::shuffle(starts.begin(), starts.end(), random);
    ecEventList list;
    list.SetSamplingRate(kRate);
    for (int start : starts)
        list.push_back(MakeEvent(names[random() % 3], start));
    return list;
}

TEST(ResponseTimes, RecordedFindsAreTheEventsTheConstructionsMean) {
    const Construction cases[] = {kFollowed,          kFollowedPermeable, kPreceded,
                                  kPrecededPermeable, kFollowedNotNextX,  kNotFollowedOrSoon};
    std::mt19937 random(15);
    for (Construction c : cases) {
        int found = 0;
        for (int round = 0; round < 60; ++round) {
            SCOPED_TRACE("construction " + std::to_string(c) + ", round " + std::to_string(round));
            ecPar_BinDesc desc;
            Build(desc, c);
            ecEventList list = RandomList(random, 30);
            ecEventList plain = list;
            ecMatchRecord record;
            list.SetBinDescAttributes(desc, &record);
            plain.SetBinDescAttributes(desc);

            const std::vector<double> rt = ecRtRequest::Column(ecRtRequest::ForFactor(desc, "Resp", "R"), "Resp",
                                                               record, list);
            const int r = record.ConditionalIndex(0, "R");
            std::vector<ecMatchRecord::Match>::const_iterator match = record.GetMatches(0).begin();
            for (int i = 0; i < static_cast<int>(list.size()); ++i) {
                // The record changes nothing in the pass.
                ASSERT_EQ(list[i].m_iStart, plain[i].m_iStart);
                ASSERT_EQ(list[i].m_vTags, plain[i].m_vTags);
                int want = -1;
                const bool tagged = Oracle(list, i, c, want);
                ASSERT_EQ(!list[i].m_vTags.empty(), tagged) << "event " << i;
                if (!tagged || want < 0) {
                    EXPECT_TRUE(std::isnan(rt[i]));
                }
                if (!tagged)
                    continue;
                found += want >= 0;
                ASSERT_NE(match, record.GetMatches(0).end());
                EXPECT_EQ(match->iEvent, i);
                EXPECT_EQ(match->vFound[r], want);
                if (c == kFollowedNotNextX) {
                    EXPECT_EQ(match->vFound[0], -1);
                }
                if (want >= 0) {
                    EXPECT_EQ(rt[i], (list[want].m_iStart - list[i].m_iStart) / static_cast<double>(kRate));
                }
                ++match;
            }
            EXPECT_EQ(match, record.GetMatches(0).end());
        }
        EXPECT_GT(found, 20) << "construction " << c << " was hardly ever met";
    }
}

// Far into a recording at a rate that is no binary fraction, single-precision
// times would differ from the samples' own difference by several samples.
TEST(ResponseTimes, LatencyIsTheSampleDifferenceOverTheRate) {
    ecEventList list = MakeList("T@40000000 R@40000123", 500.3f);
    ecPar_BinDesc desc;
    Build(desc, kFollowed);
    ecMatchRecord record;
    list.SetBinDescAttributes(desc, &record);
    const std::vector<double> rt = record.Latencies(list, 0, "R");
    ASSERT_EQ(rt.size(), 2u);
    EXPECT_EQ(rt[0], 123 / static_cast<double>(500.3f));
    EXPECT_TRUE(std::isnan(rt[1]));
}

// Two rules share the factor: each event takes the latency of the rule that
// tagged it; the record refuses a list that is not the one it was taken from.
TEST(ResponseTimes, RequestsByFactorAndTheirFaults) {
    ecEventList list = MakeList("T@0 R@2 T@10 R@16", kRate);
    ecPar_BinDesc desc;
    Build(desc, kFollowed);
    ecAttribSpec* late = AddSpec(desc, "Resp", "Late");
    AddTarget(late, "T", {"T"});
    AddConditional(late, "R", {"R"}, kWin | kPerm, {"T", false, 1.25f}, {"T", false, 2.0f});
    AddTarget(AddSpec(desc, "Other", "x"), "T", {"T"});
    ecMatchRecord record;
    list.SetBinDescAttributes(desc, &record);

    const std::vector<ecRtRequest> requests = ecRtRequest::ForFactor(desc, "Resp", "R");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(ecRtRequest::Factors(requests), std::vector<std::string>{"Resp"});
    const std::vector<double> rt = ecRtRequest::Column(requests, "Resp", record, list);
    EXPECT_EQ(rt[0], 0.5);
    EXPECT_EQ(rt[2], 1.5);
    EXPECT_TRUE(std::isnan(rt[1]) && std::isnan(rt[3]));

    const struct {
        std::function<void()> call;
        const char* message;
    } faults[] = {
        {[&] { ecRtRequest::ForFactor(desc, "Nope", "R"); }, "No attribute spec carries the factor \"Nope\""},
        {[&] { ecRtRequest::ForFactor(desc, "Other", "R"); }, "has a conditional named \"R\""},
        {[&] { record.Latencies(list, 2, "R"); }, "Attribute spec 2 has no conditional named \"R\""},
        {[&] {
             ecEventList shorter = list;
             shorter.pop_back();
             record.Latencies(shorter, 0, "R");
         },
         "differs from the matched one"},
        {[&] {
             ecEventList moved = list;
             moved[0].m_iStart = 1;
             record.Latencies(moved, 0, "R");
         },
         "differs from the matched one"},
    };
    for (const auto& f : faults)
        EXPECT_NE(EcErrorOf(f.call).find(f.message), std::string::npos) << f.message;
}

} // namespace
