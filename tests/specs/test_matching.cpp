// Matching an event list against a bin description: targets, conditionals in
// both modes and directions, windows, negation, flags and the errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ecevents/foundation/ecError.h"
#include "test_matching_helpers.h"

using namespace matching_test;

namespace {

using Tags = std::vector<std::string>;

// With 4 samples per second every event time and every window edge used here
// is an exact binary fraction, so boundary cases really sit on the boundary.
constexpr float kRate = 4.0f;

ecEventList MakeList() {
    ecEventList list;
    list.SetSamplingRate(kRate);
    return list;
}

std::string ThrownMessage(ecEventList& list, ecPar_BinDesc& desc) {
    try {
        list.SetBinDescAttributes(desc);
    } catch (const ecError& e) {
        return e.what();
    }
    return "";
}

const long kNeg = ecConditional::kNegated;
const long kPerm = ecConditional::kPermeable;
const long kWin = ecConditional::kWindow;

TEST(MatchingTargets, TagsAcceptedEventsWhoseNameATargetLists) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 8);
    AddEvent(list, "B", 4);
    AddEvent(list, "A", 2, kRejected);
    AddEvent(list, "A", 6, kNoStatus);
    AddEvent(list, "A", 0, kAccepted, true);
    ecPar_BinDesc desc;
    AddTarget(AddSpec(desc, "F", "1"), "T", {"X", "A"});

    list.SetBinDescAttributes(desc);

    // Sorted by start; only accepted events are visited, tagged ones included.
    const std::vector<int> starts{0, 2, 4, 6, 8};
    const std::vector<Tags> tags{{"F:1"}, {}, {}, {}, {"F:1"}};
    ASSERT_EQ(list.size(), 5u);
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].m_iStart, starts[i]);
        EXPECT_EQ(list[i].m_vTags, tags[i]) << "event " << i;
    }
    EXPECT_EQ(UniqueTags(list), Tags{"F:1"});
    EXPECT_EQ(list.GetCurrentEventIndex(), 4);
}

TEST(MatchingTargets, TagsOfSeveralSpecsInSpecAndPairOrderEachOnce) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 0);
    AddEvent(list, "B", 1);
    ecPar_BinDesc desc;
    ecAttribSpec* first = AddSpec(desc, "F", "1");
    first->AppendOneFactorValuePair("G", "2");
    AddTarget(first, "T", {"A"});
    ecAttribSpec* second = AddSpec(desc, "H", "3");
    second->AppendOneFactorValuePair("F", "1");
    AddTarget(second, "T", {"A", "B"});
    // Two factors but one value: one pair.
    ecAttribSpec* third = AddSpec(desc, "K", "9");
    third->AppendOneFactor("L");
    AddTarget(third, "T", {"B"});

    list.SetBinDescAttributes(desc);

    EXPECT_EQ(list[0].m_vTags, (Tags{"F:1", "G:2", "H:3"}));
    EXPECT_EQ(list[1].m_vTags, (Tags{"H:3", "F:1", "K:9"}));
    EXPECT_EQ(UniqueTags(list), (Tags{"F:1", "G:2", "H:3", "K:9"}));
}

TEST(MatchingTargets, PassStartsFromClearedTagsAndCodes) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 0);
    AddEvent(list, "B", 1);
    AddEvent(list, "C", 2, kRejected);
    list[2].m_vTags = {"old:1"};
    list[2].SetCode(5);
    list[1].SetCode(3);
    ecPar_BinDesc first;
    AddTarget(AddSpec(first, "F", "1"), "T", {"A"});
    list.SetBinDescAttributes(first);
    ASSERT_EQ(list[0].m_vTags, Tags{"F:1"});

    ecPar_BinDesc second;
    AddTarget(AddSpec(second, "G", "2"), "T", {"B"});
    list.SetBinDescAttributes(second);

    EXPECT_TRUE(list[0].m_vTags.empty());
    EXPECT_EQ(list[1].m_vTags, Tags{"G:2"});
    EXPECT_TRUE(list[2].m_vTags.empty());
    EXPECT_EQ(list[1].GetCode(), 0u);
    EXPECT_EQ(list[2].GetCode(), 0u);
    EXPECT_EQ(UniqueTags(list), Tags{"G:2"});
}

TEST(MatchingTargets, NothingToMatchStillClearsAndSorts) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 3);
    AddEvent(list, "A", 1, kRejected);
    list[0].m_vTags = {"x:y"};
    list[0].SetCode(9);
    ecPar_BinDesc empty;
    list.SetBinDescAttributes(empty);
    EXPECT_EQ(list[0].m_iStart, 1);
    EXPECT_TRUE(list[1].m_vTags.empty());
    EXPECT_EQ(list[1].GetCode(), 0u);
    EXPECT_EQ(list.GetUniqueTagNameCnt(), 0);

    // No accepted event: the target never gets an event to look at.
    ecEventList none = MakeList();
    AddEvent(none, "A", 0, kRejected);
    AddEvent(none, "A", 1, kNoStatus);
    ecPar_BinDesc desc;
    AddTarget(AddSpec(desc, "F", "1"), "T", {"A"});
    none.SetBinDescAttributes(desc);
    EXPECT_TRUE(none[0].m_vTags.empty());
    EXPECT_TRUE(none[1].m_vTags.empty());
    EXPECT_EQ(none.GetCurrentEventIndex(), -1);

    // A spec without targets never matches.
    ecEventList one = MakeList();
    AddEvent(one, "A", 0);
    ecPar_BinDesc noTargets;
    AddSpec(noTargets, "F", "1");
    one.SetBinDescAttributes(noTargets);
    EXPECT_TRUE(one[0].m_vTags.empty());
}

TEST(MatchingFlags, ZeroCodeNeverPassesUnlessInverted) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 0);
    ecPar_BinDesc desc;
    AddFlag(AddTarget(AddSpec(desc, "F", "1"), "T", {"A"}), 0, 0);
    AddFlag(AddTarget(AddSpec(desc, "G", "1"), "T", {"A"}), 0, ecCondEventFlag::kInvert);
    list.SetBinDescAttributes(desc);
    EXPECT_EQ(list[0].m_vTags, Tags{"G:1"});
}

TEST(MatchingFlags, FlagsApplyInOrderAndStopAtTheFirstFailure) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 0);
    AddEvent(list, "B", 1);
    ecPar_BinDesc desc;
    ecTarget* a = AddTarget(AddSpec(desc, "F", "1"), "T", {"A"});
    // Passes and sets bit 2; the next flag fails, so the third never runs.
    AddFlag(a, 0, ecCondEventFlag::kInvert | ecCondEventFlag::kSet, 2);
    AddFlag(a, 4, 0);
    AddFlag(a, 0, ecCondEventFlag::kInvert | ecCondEventFlag::kSet, 8);
    // Set is applied before clear.
    ecTarget* b = AddTarget(AddSpec(desc, "G", "1"), "T", {"B"});
    AddFlag(b, 0, ecCondEventFlag::kInvert | ecCondEventFlag::kSet | ecCondEventFlag::kClear, 6, 2);

    list.SetBinDescAttributes(desc);

    EXPECT_TRUE(list[0].m_vTags.empty());
    EXPECT_EQ(list[0].GetCode(), 2u);
    EXPECT_EQ(list[1].m_vTags, Tags{"G:1"});
    EXPECT_EQ(list[1].GetCode(), 4u);
}

TEST(MatchingFlags, OnlyTheFirstAcceptingTargetIsRecorded) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 2);
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddFlag(AddTarget(spec, "T1", {"A"}), 1, 0);
    AddTarget(spec, "T2", {"A"});
    AddTarget(spec, "T3", {"A"});
    // A conditional that cannot hold keeps the anchors as the attempt left them.
    AddConditional(spec, "C", {"Z"}, 0, {"T2", false, 0.0f}, {"T2", false, 0.0f});

    list.SetBinDescAttributes(desc);

    EXPECT_TRUE(list[0].m_vTags.empty());
    ecEventSpecs* specs = spec->GetpEventSpecs();
    EXPECT_EQ(specs->GetpTarget(0)->GetpTimeAnchor()->GetEventListIndex(), -1);
    ecTimeAnchor* recorded = specs->GetpTarget(1)->GetpTimeAnchor();
    EXPECT_EQ(recorded->GetEventListIndex(), 0);
    EXPECT_EQ(recorded->GetLatencyAbsolute(), 0.5f);
    EXPECT_EQ(recorded->GetLatencyWRTHome(), 0.0f);
    EXPECT_EQ(specs->GetpTarget(2)->GetpTimeAnchor()->GetEventListIndex(), -1);
}

// Spec 1 marks every accepted A with code bit 1; spec 2 tags B when the A two
// places before it carries that bit, and its flag clears the bit again.
void BuildLookBackAtCode(ecPar_BinDesc& desc) {
    AddFlag(AddTarget(AddSpec(desc, "S", "1"), "T", {"A"}), 0,
            ecCondEventFlag::kInvert | ecCondEventFlag::kSet, 1);
    ecAttribSpec* spec = AddSpec(desc, "P", "1");
    AddTarget(spec, "U", {"B"});
    ecConditional* cond = AddConditional(spec, "C", {"A"}, kWin, {"U", true, 0.0f}, {"U", true, 10.0f});
    AddFlag(cond, 1, ecCondEventFlag::kClear, 0, 1);
}

TEST(MatchingFlags, CodeBitsSetOnAnEarlierEventAreSeenByALaterMatch) {
    ecEventList list = MakeList();
    AddEvent(list, "A", 0);
    AddEvent(list, "X", 4);
    AddEvent(list, "B", 8);
    ecPar_BinDesc desc;
    BuildLookBackAtCode(desc);
    list.SetBinDescAttributes(desc);
    EXPECT_EQ(list[0].m_vTags, Tags{"S:1"});
    EXPECT_EQ(list[2].m_vTags, Tags{"P:1"});
    EXPECT_EQ(list[0].GetCode(), 0u);

    // A not accepted is never marked, so B finds no bit to test.
    ecEventList rejected = MakeList();
    AddEvent(rejected, "A", 0, kRejected);
    AddEvent(rejected, "X", 4);
    AddEvent(rejected, "B", 8);
    rejected.SetBinDescAttributes(desc);
    EXPECT_TRUE(rejected[0].m_vTags.empty());
    EXPECT_TRUE(rejected[2].m_vTags.empty());
}

// Target B, conditional looking for A without a window.
ecPar_BinDesc NoWindowDesc(long option, bool backward) {
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    AddConditional(spec, "C", {"A"}, option, {"T", backward, 0.0f}, {"T", backward, 0.0f});
    return desc;
}

// Whether the one B of the given names (one event per second) is tagged.
bool TagsB(const std::vector<std::string>& names, long option, bool backward,
           const std::vector<bool>& tagged = {}) {
    ecEventList list = MakeList();
    for (size_t i = 0; i < names.size(); ++i)
        AddEvent(list, names[i], static_cast<int>(i) * 4, kAccepted, i < tagged.size() && tagged[i]);
    ecPar_BinDesc desc = NoWindowDesc(option, backward);
    list.SetBinDescAttributes(desc);
    for (const ecEvent& e : list)
        if (e.m_sName == "B")
            return !e.m_vTags.empty();
    ADD_FAILURE() << "no B";
    return false;
}

TEST(MatchingImpermeable, BackwardLooksTwoPlacesBeforeTheReference) {
    // Reference first or second: no candidate, the negated bit decides.
    EXPECT_FALSE(TagsB({"B"}, 0, true));
    EXPECT_TRUE(TagsB({"B"}, kNeg, true));
    EXPECT_FALSE(TagsB({"A", "B"}, 0, true));
    EXPECT_TRUE(TagsB({"A", "B"}, kNeg, true));
    // The event right before the reference is never a candidate.
    EXPECT_TRUE(TagsB({"A", "X", "B"}, 0, true));
    EXPECT_FALSE(TagsB({"A", "X", "B"}, kNeg, true));
    EXPECT_FALSE(TagsB({"X", "A", "B"}, 0, true));
    EXPECT_TRUE(TagsB({"X", "A", "B"}, kNeg, true));
    // Only the nearest candidate counts.
    EXPECT_FALSE(TagsB({"A", "X", "Y", "B"}, 0, true));
}

TEST(MatchingImpermeable, ForwardLooksAtTheNextCandidateOnly) {
    EXPECT_FALSE(TagsB({"X", "B"}, 0, false));
    EXPECT_TRUE(TagsB({"X", "B"}, kNeg, false));
    EXPECT_TRUE(TagsB({"B", "A"}, 0, false));
    EXPECT_FALSE(TagsB({"B", "A"}, kNeg, false));
    EXPECT_FALSE(TagsB({"B", "X", "A"}, 0, false));
    EXPECT_TRUE(TagsB({"B", "X", "A"}, kNeg, false));
}

TEST(MatchingImpermeable, TaggedEventsAreNotCandidates) {
    EXPECT_TRUE(TagsB({"B", "X", "A"}, 0, false, {false, true, false}));
    EXPECT_FALSE(TagsB({"B", "A"}, 0, false, {false, true}));
    EXPECT_TRUE(TagsB({"A", "X", "Y", "B"}, 0, true, {false, true, false, false}));
    EXPECT_FALSE(TagsB({"A", "X", "Y", "B"}, 0, true, {true, false, false, false}));
}

TEST(MatchingImpermeable, ConditionalWithoutNamesGivesItsNegatedBit) {
    for (long mode : {0L, kPerm}) {
        for (long neg : {0L, kNeg}) {
            ecEventList list = MakeList();
            AddEvent(list, "B", 0);
            ecPar_BinDesc desc;
            ecAttribSpec* spec = AddSpec(desc, "F", "1");
            AddTarget(spec, "T", {"B"});
            // Its pre anchor names nothing: without names it is never looked up.
            AddConditional(spec, "C", {}, mode | neg, {"nowhere", false, 0.0f}, {"T", false, 0.0f});
            list.SetBinDescAttributes(desc);
            EXPECT_EQ(!list[0].m_vTags.empty(), neg != 0) << "mode " << mode;
        }
    }
}

// Target B at start 4 (1 s), or at start 12 (3 s) behind a filler for
// backward walks; a single A at the given start; a window [a, b] after or
// before the target, through the pre and post latencies.
bool WindowTagsB(int aStart, long option, bool backward, float preLatency, float postLatency,
                 bool postMinus) {
    ecEventList list = MakeList();
    if (backward) {
        AddEvent(list, "A", aStart);
        AddEvent(list, "X", 12);
        AddEvent(list, "B", 12);
    } else {
        AddEvent(list, "B", 4);
        AddEvent(list, "A", aStart);
    }
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    AddConditional(spec, "C", {"A"}, option | kWin, {"T", backward, preLatency}, {"T", postMinus, postLatency});
    list.SetBinDescAttributes(desc);
    return !list[backward ? 2 : 0].m_vTags.empty();
}

TEST(MatchingWindows, BoundsAreInclusiveInBothModesAndDirections) {
    for (long mode : {0L, kPerm}) {
        // After B at 1 s: [1.5, 2.0].
        EXPECT_FALSE(WindowTagsB(5, mode, false, 0.5f, 1.0f, false)) << mode;
        EXPECT_TRUE(WindowTagsB(6, mode, false, 0.5f, 1.0f, false)) << mode;
        EXPECT_TRUE(WindowTagsB(8, mode, false, 0.5f, 1.0f, false)) << mode;
        EXPECT_FALSE(WindowTagsB(9, mode, false, 0.5f, 1.0f, false)) << mode;
        // Before B at 3 s: [2.0, 2.5].
        EXPECT_FALSE(WindowTagsB(7, mode, true, 0.5f, 1.0f, true)) << mode;
        EXPECT_TRUE(WindowTagsB(8, mode, true, 0.5f, 1.0f, true)) << mode;
        EXPECT_TRUE(WindowTagsB(10, mode, true, 0.5f, 1.0f, true)) << mode;
        EXPECT_FALSE(WindowTagsB(11, mode, true, 0.5f, 1.0f, true)) << mode;
    }
}

TEST(MatchingWindows, ReversedLatenciesAreOrderedBeforeMatching) {
    // Written far edge first; the consistency check swaps the anchors.
    for (long mode : {0L, kPerm}) {
        EXPECT_TRUE(WindowTagsB(6, mode, false, 1.0f, 0.5f, false)) << mode;
        EXPECT_FALSE(WindowTagsB(9, mode, false, 1.0f, 0.5f, false)) << mode;
        EXPECT_TRUE(WindowTagsB(8, mode, true, 1.0f, 0.5f, true)) << mode;
        EXPECT_FALSE(WindowTagsB(7, mode, true, 1.0f, 0.5f, true)) << mode;
    }
}

TEST(MatchingWindows, MixedSignsBoundTheFarEdgeDifferentlyPerMode) {
    // Pre 1.5 s (plus), post 0.75 s (minus): the impermeable test asks
    // t >= 0.75, the permeable one t <= 0.75.
    EXPECT_TRUE(WindowTagsB(6, 0, false, 0.5f, 0.25f, true));
    EXPECT_FALSE(WindowTagsB(6, kPerm, false, 0.5f, 0.25f, true));
}

TEST(MatchingPermeable, WalksPastOtherNamesToTheWindow) {
    ecEventList list = MakeList();
    AddEvent(list, "B", 4);
    AddEvent(list, "X", 5);
    AddEvent(list, "A", 5);
    AddEvent(list, "Y", 6);
    AddEvent(list, "A", 7);
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    // The A at 1.25 s lies before the window [1.5, 2.0] and is passed over.
    ecConditional* cond = AddConditional(spec, "C", {"A"}, kPerm | kWin, {"T", false, 0.5f}, {"T", false, 1.0f});
    list.SetBinDescAttributes(desc);
    EXPECT_EQ(list[0].m_vTags, Tags{"F:1"});

    // The impermeable test stops at X.
    cond->SetOption(kWin);
    list.SetBinDescAttributes(desc);
    EXPECT_TRUE(list[0].m_vTags.empty());

    // Tagged events inside the window are not seen either.
    cond->SetOption(kPerm | kWin);
    list[4].SetTagged();
    list.SetBinDescAttributes(desc);
    EXPECT_TRUE(list[0].m_vTags.empty());
}

TEST(MatchingPermeable, NegatedFailsOnlyOnAPassingEventInsideTheWindow) {
    // Forward window [1.5, 2.0] after B at 1 s.
    EXPECT_FALSE(WindowTagsB(7, kPerm | kNeg, false, 0.5f, 1.0f, false));
    EXPECT_TRUE(WindowTagsB(9, kPerm | kNeg, false, 0.5f, 1.0f, false));
    EXPECT_TRUE(WindowTagsB(5, kPerm | kNeg, false, 0.5f, 1.0f, false));
    // Backward window [2.0, 2.5] before B at 3 s.
    EXPECT_FALSE(WindowTagsB(9, kPerm | kNeg, true, 0.5f, 1.0f, true));
    EXPECT_TRUE(WindowTagsB(7, kPerm | kNeg, true, 0.5f, 1.0f, true));

    // An event inside the window whose flags fail: the negated forward walk
    // goes on, finds nothing else and holds.
    ecEventList list = MakeList();
    AddEvent(list, "B", 4);
    AddEvent(list, "A", 7);
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    ecConditional* cond =
        AddConditional(spec, "C", {"A"}, kPerm | kWin | kNeg, {"T", false, 0.5f}, {"T", false, 1.0f});
    AddFlag(cond, 1, 0);
    list.SetBinDescAttributes(desc);
    EXPECT_EQ(list[0].m_vTags, Tags{"F:1"});
}

TEST(MatchingPermeable, BackwardStopsAtTheFirstNamedEventInsideTheWindow) {
    // Every accepted A gets code bit 1 when visited; B wants an A with it in
    // [1.5, 2.25] before its 3 s. A at 2.5 s is not yet in the window.
    ecPar_BinDesc desc;
    AddFlag(AddTarget(AddSpec(desc, "S", "1"), "T", {"A"}), 0,
            ecCondEventFlag::kInvert | ecCondEventFlag::kSet, 1);
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    AddFlag(AddConditional(spec, "C", {"A"}, kPerm | kWin, {"T", true, 0.75f}, {"T", true, 1.5f}), 1, 0);

    ecEventList list = MakeList();
    AddEvent(list, "A", 7);
    AddEvent(list, "A", 10);
    AddEvent(list, "X", 11);
    AddEvent(list, "B", 12);
    list.SetBinDescAttributes(desc);
    EXPECT_EQ(list[3].m_vTags, Tags{"F:1"});

    // A rejected A nearer in the window fails its flag and ends the walk,
    // although the earlier A would pass.
    AddEvent(list, "A", 8, kRejected);
    list.SetBinDescAttributes(desc);
    ASSERT_EQ(list[1].m_iStart, 8);
    EXPECT_TRUE(list[4].m_vTags.empty());

    // Beyond the far edge: the negated bit.
    ecEventList early = MakeList();
    AddEvent(early, "A", 4);
    AddEvent(early, "X", 11);
    AddEvent(early, "B", 12);
    early.SetBinDescAttributes(desc);
    EXPECT_TRUE(early[2].m_vTags.empty());
}

TEST(MatchingPermeable, WithoutWindowBitComparesWithTheAnchorsAsTheyStand) {
    // After a reset both edges are 0: only an event at time 0 can be found.
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    AddConditional(spec, "C", {"A"}, kPerm, {"T", false, 0.25f}, {"T", false, 0.5f});

    ecEventList atZero = MakeList();
    AddEvent(atZero, "B", 0);
    AddEvent(atZero, "A", 0);
    atZero.SetBinDescAttributes(desc);
    EXPECT_EQ(atZero[0].m_vTags, Tags{"F:1"});

    ecEventList later = MakeList();
    AddEvent(later, "B", 0);
    AddEvent(later, "A", 1);
    later.SetBinDescAttributes(desc);
    EXPECT_TRUE(later[0].m_vTags.empty());
}

// Target B; C1 finds the next A; C2 wants a D within [0.25, 0.5] s after it.
ecPar_BinDesc ChainedDesc(bool secondFirst) {
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    if (secondFirst)
        AddConditional(spec, "C2", {"D"}, kWin, {"C1", false, 0.25f}, {"C1", false, 0.5f});
    AddConditional(spec, "C1", {"A"}, 0, {"T", false, 0.0f}, {"T", false, 0.0f});
    if (!secondFirst)
        AddConditional(spec, "C2", {"D"}, kWin, {"C1", false, 0.25f}, {"C1", false, 0.5f});
    return desc;
}

TEST(MatchingConditionals, WindowFromAConditionalFoundInTheSameEvaluation) {
    ecEventList list = MakeList();
    AddEvent(list, "B", 0);
    AddEvent(list, "A", 2);
    AddEvent(list, "D", 3);
    ecPar_BinDesc desc = ChainedDesc(false);
    list.SetBinDescAttributes(desc);
    EXPECT_EQ(list[0].m_vTags, Tags{"F:1"});
    // Anchors are reset after an event that received tags.
    ecEventSpecs* specs = desc.GetpAttribSpec(0)->GetpEventSpecs();
    EXPECT_EQ(specs->GetpConditional(0)->GetpTimeAnchor()->GetEventListIndex(), -1);
    EXPECT_EQ(specs->GetpTarget(0)->GetpTimeAnchor()->GetEventListIndex(), -1);
}

TEST(MatchingConditionals, FailedAttemptLeavesItsRunTimeValues) {
    // Only B is accepted; the A and D it looks at are candidates all the same.
    ecEventList list = MakeList();
    AddEvent(list, "B", 4);
    AddEvent(list, "A", 6, kRejected);
    AddEvent(list, "D", 9, kNoStatus);
    ecPar_BinDesc desc = ChainedDesc(false);
    list.SetBinDescAttributes(desc);
    EXPECT_TRUE(list[0].m_vTags.empty());

    ecEventSpecs* specs = desc.GetpAttribSpec(0)->GetpEventSpecs();
    ecTimeAnchor* target = specs->GetpTarget(0)->GetpTimeAnchor();
    EXPECT_EQ(target->GetEventListIndex(), 0);
    EXPECT_EQ(target->GetLatencyAbsolute(), 1.0f);
    ecTimeAnchor* found = specs->GetpConditional(0)->GetpTimeAnchor();
    EXPECT_EQ(found->GetEventListIndex(), 1);
    EXPECT_EQ(found->GetLatencyAbsolute(), 1.5f);
    EXPECT_EQ(found->GetLatencyWRTHome(), 0.5f);
    ecConditional* second = specs->GetpConditional(1);
    EXPECT_EQ(second->GetpTimeAnchorPre()->GetLatencyAbsolute(), 1.75f);
    EXPECT_EQ(second->GetpTimeAnchorPre()->GetLatencyWRTHome(), 0.75f);
    EXPECT_EQ(second->GetpTimeAnchorPost()->GetLatencyAbsolute(), 2.0f);
    EXPECT_EQ(second->GetpTimeAnchorPost()->GetLatencyWRTHome(), 1.0f);
    EXPECT_EQ(second->GetpTimeAnchor()->GetEventListIndex(), -1);
    EXPECT_EQ(list.GetCurrentEventIndex(), 0);
}

TEST(MatchingErrors, ReferenceNotFoundYet) {
    ecEventList list = MakeList();
    AddEvent(list, "B", 0);
    AddEvent(list, "A", 2);
    AddEvent(list, "D", 3);
    ecPar_BinDesc desc = ChainedDesc(true);
    EXPECT_EQ(ThrownMessage(list, desc), "[ecEventList::TestOneConditionalImpermeable] Unitialized event list index.");

    ecPar_BinDesc permeable = ChainedDesc(true);
    permeable.GetpAttribSpec(0)->GetpEventSpecs()->GetpConditional(0)->SetOption(kWin | kPerm);
    EXPECT_EQ(ThrownMessage(list, permeable),
              "[ecEventList::TestOneConditionalImpermeable] Unitialized event list index.");
}

// Spec 1 tags every A; spec 2 targets B with a conditional built by the caller.
ecConditional* ThrowingDesc(ecPar_BinDesc& desc, long option, const AnchorDef& pre, const AnchorDef& post) {
    AddTarget(AddSpec(desc, "F", "1"), "T", {"A"});
    ecAttribSpec* spec = AddSpec(desc, "G", "1");
    AddTarget(spec, "T", {"B"});
    return AddConditional(spec, "C", {"A"}, option, pre, post);
}

ecEventList ThrowingList() {
    ecEventList list = MakeList();
    AddEvent(list, "A", 8);
    AddEvent(list, "B", 4);
    AddEvent(list, "A", 0);
    return list;
}

TEST(MatchingErrors, ErrorEndsThePassWhereItStands) {
    ecEventList list = ThrowingList();
    ecPar_BinDesc desc;
    ThrowingDesc(desc, kWin, {"nowhere", false, 0.0f}, {"T", false, 1.0f});
    EXPECT_EQ(ThrownMessage(list, desc), "[ecEventList::SetConditionalWindow] Can't find interval start");
    // Sorted; the A before B keeps its tag, the A after it has none.
    EXPECT_EQ(list[0].m_iStart, 0);
    EXPECT_EQ(list[0].m_vTags, Tags{"F:1"});
    EXPECT_TRUE(list[1].m_vTags.empty());
    EXPECT_TRUE(list[2].m_vTags.empty());
    EXPECT_EQ(UniqueTags(list), Tags{"F:1"});
    EXPECT_EQ(list.GetCurrentEventIndex(), 1);
}

TEST(MatchingErrors, MissingIntervalStopAfterThePreAnchorWasSet) {
    ecEventList list = ThrowingList();
    ecPar_BinDesc desc;
    ecConditional* cond = ThrowingDesc(desc, kWin | kPerm, {"T", false, 0.5f}, {"nowhere", false, 1.0f});
    EXPECT_EQ(ThrownMessage(list, desc), "[ecEventList::SetConditionalWindow] Can't find interval stop");
    EXPECT_EQ(cond->GetpTimeAnchorPre()->GetLatencyAbsolute(), 1.5f);
    EXPECT_EQ(cond->GetpTimeAnchorPre()->GetLatencyWRTHome(), 0.5f);
}

TEST(MatchingErrors, UnknownReferenceWithoutWindowInBothModes) {
    for (long mode : {0L, kPerm}) {
        ecEventList list = ThrowingList();
        ecPar_BinDesc desc;
        ThrowingDesc(desc, mode, {"nowhere", false, 0.0f}, {"T", false, 0.0f});
        EXPECT_EQ(ThrownMessage(list, desc), "[ecEventList::SetConditionalWindow] Can't find interval start")
            << mode;
    }
}

TEST(MatchingErrors, EmptySpecifier) {
    for (long option : {0L, kPerm, kWin, kWin | kPerm}) {
        ecEventList list = ThrowingList();
        ecPar_BinDesc desc;
        ThrowingDesc(desc, option, {"", false, 0.0f}, {"", false, 0.0f});
        EXPECT_EQ(ThrownMessage(list, desc), "[ecEventSpecs::NameToTimeAnchor] Null name string.") << option;
    }
}

}  // namespace
