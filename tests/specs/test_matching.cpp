// Matching worked out by hand, beside the randomised comparison: targets,
// flags, both walks in both directions, window edges, and the errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "specs_test_support.h"

using namespace specs_test;

namespace {

using Tags = std::vector<std::string>;

// With 4 samples per second every event time and every window edge used here
// is an exact binary fraction, so boundary cases really sit on the boundary.
constexpr float kRate = 4.0f;
const long kNeg = ecConditional::kNegated;
const long kPerm = ecConditional::kPermeable;
const long kWin = ecConditional::kWindow;
const long kInvSet = ecCondEventFlag::kInvert | ecCondEventFlag::kSet;

TEST(Matching, TargetsTagAcceptedEventsInSpecAndPairOrder) {
    ecEventList list = MakeList("A@8 B@4 A@2! A@6? A@0*", kRate);
    list[2].m_vTags = {"old:1"};
    list[2].SetCode(5);
    ecPar_BinDesc desc;
    ecAttribSpec* first = AddSpec(desc, "F", "1");
    first->AppendOneFactorValuePair("G", "2");
    AddTarget(first, "T", {"X", "A"});
    ecAttribSpec* second = AddSpec(desc, "H", "3");
    second->AppendOneFactorValuePair("F", "1");
    second->AppendOneFactor("L");  // no value: no pair
    AddTarget(second, "T", {"A", "B"});
    AddFlag(AddTarget(AddSpec(desc, "K", "1"), "T", {"A", "B"}), 0, 0);  // a zero code never passes

    list.SetBinDescAttributes(desc);

    // Sorted by start; only accepted events are visited, tagged ones
    // included; old tags and codes are cleared first.
    const std::vector<int> starts{0, 2, 4, 6, 8};
    const std::vector<Tags> tags{{"F:1", "G:2", "H:3"}, {}, {"H:3", "F:1"}, {}, {"F:1", "G:2", "H:3"}};
    for (size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list[i].m_iStart, starts[i]);
        EXPECT_EQ(list[i].m_vTags, tags[i]);
        EXPECT_EQ(list[i].GetCode(), 0u);
    }
    EXPECT_EQ(UniqueTags(list), (Tags{"F:1", "G:2", "H:3"}));
    EXPECT_EQ(list.GetCurrentEventIndex(), 4);
}

TEST(Matching, FlagsApplyInOrderStopAtTheFirstFailureAndCarryToLaterMatches) {
    ecEventList list = MakeList("A@0 B@1 C@2 X@3 D@10", kRate);
    ecPar_BinDesc desc;
    ecTarget* a = AddTarget(AddSpec(desc, "F", "1"), "T", {"A"});
    AddFlag(a, 0, kInvSet, 2);  // passes, sets bit 2
    AddFlag(a, 4, 0);           // fails, so the next never runs
    AddFlag(a, 0, kInvSet, 8);
    // Set goes before clear.
    AddFlag(AddTarget(AddSpec(desc, "G", "1"), "T", {"B"}), 0, kInvSet | ecCondEventFlag::kClear, 6, 2);
    // C is marked with bit 1; D looks back past X for a C with it and clears it.
    AddFlag(AddTarget(AddSpec(desc, "S", "1"), "T", {"C"}), 0, kInvSet, 1);
    ecAttribSpec* spec = AddSpec(desc, "P", "1");
    AddTarget(spec, "U", {"D"});
    AddFlag(AddConditional(spec, "C", {"C"}, kWin, {"U", true, 0.0f}, {"U", true, 10.0f}), 1,
            ecCondEventFlag::kClear, 0, 1);

    list.SetBinDescAttributes(desc);

    EXPECT_TRUE(list[0].m_vTags.empty());
    EXPECT_EQ(list[0].GetCode(), 2u);
    EXPECT_EQ(list[1].m_vTags, Tags{"G:1"});
    EXPECT_EQ(list[1].GetCode(), 4u);
    EXPECT_EQ(list[2].m_vTags, Tags{"S:1"});
    EXPECT_EQ(list[2].GetCode(), 0u);
    EXPECT_EQ(list[4].m_vTags, Tags{"P:1"});
}

// Whether the one B among the names (one event per second) is tagged, with a
// conditional looking for A from it.
bool TagsB(const std::vector<std::string>& names, long option, bool backward, const std::vector<bool>& tagged) {
    std::string words;
    for (size_t i = 0; i < names.size(); ++i)
        words += names[i] + "@" + std::to_string(i * 4) + (i < tagged.size() && tagged[i] ? "* " : " ");
    ecEventList list = MakeList(words, kRate);
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    AddConditional(spec, "C", {"A"}, option, {"T", backward, 0.0f}, {"T", backward, 0.0f});
    list.SetBinDescAttributes(desc);
    for (const ecEvent& e : list)
        if (e.m_sName == "B")
            return !e.m_vTags.empty();
    ADD_FAILURE() << "no B";
    return false;
}

TEST(Matching, ImpermeableLooksAtOneCandidateOnly) {
    const struct {
        std::vector<std::string> names;
        bool backward;
        std::vector<bool> tagged;
        bool want;  // without the negated bit; with it, the opposite
    } cases[] = {
        {{"B"}, true, {}, false},
        {{"A", "B"}, true, {}, false},  // the event right before is never a candidate
        {{"A", "X", "B"}, true, {}, true},
        {{"X", "A", "B"}, true, {}, false},
        {{"A", "X", "Y", "B"}, true, {}, false},  // only the nearest counts
        {{"A", "X", "Y", "B"}, true, {false, true}, true},  // tagged events are skipped
        {{"X", "B"}, false, {}, false},
        {{"B", "A"}, false, {}, true},
        {{"B", "X", "A"}, false, {}, false},
        {{"B", "X", "A"}, false, {false, true}, true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(TagsB(cases[i].names, 0, cases[i].backward, cases[i].tagged), cases[i].want);
        EXPECT_EQ(TagsB(cases[i].names, kNeg, cases[i].backward, cases[i].tagged), !cases[i].want);
    }
    // Runs of tagged events as long as the short step of the walk, ending
    // at either end of the list: the walk passes over all of them to an A,
    // or off the list.
    for (const bool backward : {false, true}) {
        for (const bool beyond : {false, true}) {
            std::vector<std::string> names(8, "X");
            std::vector<bool> tagged(8, true);
            if (beyond) {
                names.insert(backward ? names.begin() : names.end(), "A");
                tagged.insert(backward ? tagged.begin() : tagged.end(), false);
            }
            if (backward) {
                names.insert(names.end(), {"Y", "B"});
                tagged.resize(names.size(), false);
            } else {
                names.insert(names.begin(), "B");
                tagged.insert(tagged.begin(), false);
            }
            SCOPED_TRACE(std::string(backward ? "backward" : "forward") + (beyond ? ", A beyond" : ""));
            EXPECT_EQ(TagsB(names, 0, backward, tagged), beyond);
        }
    }
    // Nothing to look for: the negated bit decides, the reference unread.
    for (long option : {0L, kNeg, kPerm, kPerm | kNeg}) {
        ecEventList list = MakeList("B@0", kRate);
        ecPar_BinDesc desc;
        ecAttribSpec* spec = AddSpec(desc, "F", "1");
        AddTarget(spec, "T", {"B"});
        AddConditional(spec, "C", {}, option, {"nowhere", false, 0.0f}, {"T", false, 0.0f});
        list.SetBinDescAttributes(desc);
        EXPECT_EQ(!list[0].m_vTags.empty(), (option & kNeg) != 0) << option;
    }
}

// B at 1 s (forward) or at 3 s behind a filler (backward); one A at aStart;
// a window through the pre and post latencies.
bool WindowTagsB(int aStart, long option, bool backward, float pre, float post, bool postMinus) {
    ecEventList list = MakeList("A@" + std::to_string(aStart) + (backward ? " X@12 B@12" : " B@4"), kRate);
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    AddConditional(spec, "C", {"A"}, option | kWin, {"T", backward, pre}, {"T", postMinus, post});
    list.SetBinDescAttributes(desc);
    for (const ecEvent& e : list)
        if (e.m_sName == "B")
            return !e.m_vTags.empty();
    return false;
}

TEST(Matching, WindowEdgesAreInclusiveAndReversedLatenciesAreOrdered) {
    for (long mode : {0L, kPerm}) {
        for (bool reversed : {false, true}) {
            SCOPED_TRACE(std::to_string(mode) + (reversed ? " reversed" : ""));
            const float pre = reversed ? 1.0f : 0.5f, post = reversed ? 0.5f : 1.0f;
            // After B at 1 s: [1.5, 2.0]; before B at 3 s: [2.0, 2.5].
            const struct {
                int start;
                bool backward, want;
            } cases[] = {{5, false, false}, {6, false, true}, {8, false, true},  {9, false, false},
                         {7, true, false},  {8, true, true},  {10, true, true},  {11, true, false}};
            for (const auto& c : cases)
                EXPECT_EQ(WindowTagsB(c.start, mode, c.backward, pre, post, c.backward), c.want) << c.start;
        }
    }
    // Pre 1.5 s (plus), post 0.75 s (minus): the impermeable test asks
    // t >= 0.75, the permeable one t <= 0.75.
    EXPECT_TRUE(WindowTagsB(6, 0, false, 0.5f, 0.25f, true));
    EXPECT_FALSE(WindowTagsB(6, kPerm, false, 0.5f, 0.25f, true));
    // Negated permeable: fails only on a passing A inside the window.
    EXPECT_FALSE(WindowTagsB(7, kPerm | kNeg, false, 0.5f, 1.0f, false));
    EXPECT_TRUE(WindowTagsB(9, kPerm | kNeg, false, 0.5f, 1.0f, false));
    EXPECT_FALSE(WindowTagsB(9, kPerm | kNeg, true, 0.5f, 1.0f, true));
    EXPECT_TRUE(WindowTagsB(7, kPerm | kNeg, true, 0.5f, 1.0f, true));
}

TEST(Matching, ChainedWindowLeavesItsRunTimeValuesAfterAFailedAttempt) {
    // Only B is accepted; the A and D it looks at are candidates all the same.
    ecEventList list = MakeList("B@4 A@6! D@9?", kRate);
    ecPar_BinDesc desc;
    ecAttribSpec* spec = AddSpec(desc, "F", "1");
    AddTarget(spec, "T", {"B"});
    AddConditional(spec, "C1", {"A"}, 0, {"T", false, 0.0f}, {"T", false, 0.0f});
    ecConditional* second = AddConditional(spec, "C2", {"D"}, kWin, {"C1", false, 0.25f}, {"C1", false, 0.5f});
    list.SetBinDescAttributes(desc);
    EXPECT_TRUE(list[0].m_vTags.empty());

    ecEventSpecs* specs = spec->GetpEventSpecs();
    ecTimeAnchor* found = specs->GetpConditional(0)->GetpTimeAnchor();
    EXPECT_EQ(specs->GetpTarget(0)->GetpTimeAnchor()->GetLatencyAbsolute(), 1.0f);
    EXPECT_EQ(found->GetEventListIndex(), 1);
    EXPECT_EQ(found->GetLatencyAbsolute(), 1.5f);
    EXPECT_EQ(found->GetLatencyWRTHome(), 0.5f);
    EXPECT_EQ(second->GetpTimeAnchorPre()->GetLatencyAbsolute(), 1.75f);
    EXPECT_EQ(second->GetpTimeAnchorPre()->GetLatencyWRTHome(), 0.75f);
    EXPECT_EQ(second->GetpTimeAnchorPost()->GetLatencyAbsolute(), 2.0f);
    EXPECT_EQ(second->GetpTimeAnchor()->GetEventListIndex(), -1);

    // With D inside the window the event is tagged and the anchors reset.
    list[1].SetRejectedOff();
    list[2].m_iStart = 7;
    list.SetBinDescAttributes(desc);
    EXPECT_EQ(list[0].m_vTags, Tags{"F:1"});
    EXPECT_EQ(found->GetEventListIndex(), -1);
}

TEST(Matching, ErrorsEndThePassWhereItStands) {
    const std::string start = "[ecEventList::SetConditionalWindow] Can't find interval start";
    const struct {
        long option;
        AnchorDef pre, post;
        std::string message;
    } cases[] = {
        {kWin, {"nowhere", false, 0.0f}, {"T", false, 1.0f}, start},
        {0, {"nowhere", false, 0.0f}, {"T", false, 0.0f}, start},
        {kPerm, {"nowhere", false, 0.0f}, {"T", false, 0.0f}, start},
        {kWin | kPerm, {"T", false, 0.5f}, {"nowhere", false, 1.0f},
         "[ecEventList::SetConditionalWindow] Can't find interval stop"},
        {kWin | kPerm, {"", false, 0.0f}, {"", false, 0.0f}, "[ecEventSpecs::NameToTimeAnchor] Null name string."},
        {0, {"D", false, 0.0f}, {"D", false, 0.0f},
         "[ecEventList::TestOneConditionalImpermeable] Unitialized event list index."},
        {kPerm, {"D", false, 0.0f}, {"D", false, 0.0f},
         "[ecEventList::TestOneConditionalImpermeable] Unitialized event list index."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + " " + std::to_string(c.option));
        ecEventList list = MakeList("A@8 B@4 A@0", kRate);
        ecPar_BinDesc desc;
        AddTarget(AddSpec(desc, "F", "1"), "T", {"A"});
        ecAttribSpec* spec = AddSpec(desc, "G", "1");
        AddTarget(spec, "T", {"B"});
        ecConditional* cond = AddConditional(spec, "C", {"A"}, c.option, c.pre, c.post);
        AddConditional(spec, "D", {"A"}, 0, {"T", false, 0.0f}, {"T", false, 0.0f});  // listed later
        EXPECT_EQ(EcErrorOf([&] { list.SetBinDescAttributes(desc); }), c.message);
        // Sorted; the A before B keeps its tag, the A after it has none.
        EXPECT_EQ(list[0].m_vTags, Tags{"F:1"});
        EXPECT_TRUE(list[2].m_vTags.empty());
        EXPECT_EQ(UniqueTags(list), Tags{"F:1"});
        EXPECT_EQ(list.GetCurrentEventIndex(), 1);
        if (c.post.specifier == "nowhere") {
            EXPECT_EQ(cond->GetpTimeAnchorPre()->GetLatencyAbsolute(), 1.5f);
        }
    }
}

}  // namespace
