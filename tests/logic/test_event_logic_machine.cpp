#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "LogicTestSupport.h"

using namespace logictest;

namespace {

using Indices = std::vector<int>;

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ecError& e) {
        return e.what();
    }
    return "";
}

// A machine of its own over a result list that offers one epoch.
struct Machine {
    ecEventList list;
    ecBinResultList results;
    ecEventLogic logic;
    ecEventLogicProbe probe{logic};
    explicit Machine(const std::vector<std::string>& names)
        : list(MakeList(names))
    {
        results.SetpEvents(&list);
        results.m_vEpochs.emplace_back();
        logic.SetpParent(&results);
    }
    bool Read(const std::string& text)
    {
        ecXml xml = Xml(text);
        return logic.ReadXml(xml);
    }
};

// ------------------------------------------------------------------ stack

TEST(Stack, DepthOutsideTheStackOverflows)
{
    Machine m({"A", "B"});
    EXPECT_EQ(Message([&] { m.probe.Pop(1); }), "[ecEventLogic::Pop] Please verify stack logic: Stack overflow");
    EXPECT_EQ(Message([&] { m.probe.GetpResult(1); }),
              "[ecEventLogic::GetpResult] Please verify stack logic: Stack overflow");
    m.probe.Push(nullptr);
    m.probe.Push(nullptr);
    EXPECT_EQ(Message([&] { m.probe.Pop(0); }), "[ecEventLogic::Pop] Please verify stack logic: Stack overflow");
    EXPECT_EQ(Message([&] { m.probe.Pop(3); }), "[ecEventLogic::Pop] Please verify stack logic: Stack overflow");
    EXPECT_EQ(Message([&] { m.probe.GetpResult(-1); }),
              "[ecEventLogic::GetpResult] Please verify stack logic: Stack overflow");
    EXPECT_EQ(m.probe.GetStackSize(), 2);
}

TEST(Stack, PoppedItemsStayAmongTheResults)
{
    Machine m({"A", "B"});
    for (int k = 0; k < 4; ++k)
        m.probe.SetResultID(m.probe.Push(nullptr), "R" + std::to_string(k));
    m.probe.Pop(3);  // R1
    ASSERT_EQ(m.probe.GetStackSize(), 3);
    EXPECT_EQ(m.probe.GetpResult(1)->m_sID, "R3");
    EXPECT_EQ(m.probe.GetpResult(2)->m_sID, "R2");
    EXPECT_EQ(m.probe.GetpResult(3)->m_sID, "R0");
    ASSERT_EQ(m.probe.NumResults(), 4u);
    EXPECT_TRUE(m.probe.Result(1).m_bPopped);
    EXPECT_FALSE(m.probe.Result(2).m_bPopped);
    EXPECT_NO_THROW(m.probe.DiagnoseStackRemap());
}

TEST(Stack, NamedLookupsFindTheUpperItem)
{
    Machine m({"A", "B"});
    ecBinResult* lower = m.probe.Push(nullptr);
    m.probe.SetResultID(lower, "Twin");
    lower->R1[0] = true;
    ecBinResult* upper = m.probe.Push(nullptr);
    m.probe.SetResultID(upper, "Twin");
    upper->R1[1] = true;
    m.probe.Push(nullptr);
    EXPECT_EQ(Selected(*m.probe.GetpResultNamed("Twin", true)), Indices({1}));
    EXPECT_EQ(m.probe.GetpResultNamed("None", false), nullptr);
    EXPECT_EQ(Message([&] { m.probe.GetpResultNamed("None", true); }),
              "[ecEventLogic::GetpResultNamed] Please verify stack logic: No stack item found with ID = None");
    m.probe.PopNamed("Twin", true);
    EXPECT_EQ(m.probe.GetStackSize(), 2);
    EXPECT_EQ(Selected(*m.probe.GetpResultNamed("Twin", true)), Indices({0}));
    EXPECT_NO_THROW(m.probe.PopNamed("None", false));
    EXPECT_EQ(Message([&] { m.probe.PopNamed("None", true); }),
              "[ecEventLogic::PopNamed] Please verify stack logic: No stack item found with ID = None");
}

TEST(Stack, PushingAPoppedCopyBreaksTheSecondInvariant)
{
    Machine m({"A"});
    ecBinResult popped;
    popped.Initialize(1, 1, ecEventRelatedEpoch(), 1);
    popped.m_bPopped = true;
    EXPECT_EQ(Message([&] { m.probe.Push(&popped); }),
              "[ecEventLogic::DiagnoseStackRemap] Technical error: Inconsistent stack remapping (#2)");
}

TEST(Stack, PushWithoutEpochsFailsButTheItemStays)
{
    ecEventList list = MakeList({"A"});
    ecBinResultList results;
    results.SetpEvents(&list);
    ecEventLogic logic;
    logic.SetpParent(&results);
    ecEventLogicProbe probe(logic);
    EXPECT_EQ(Message([&] { probe.Push(nullptr); }), "[ecBinResultList::GetpEpoch] No epochs have been specified");
    EXPECT_EQ(probe.GetStackSize(), 1);
    EXPECT_FALSE(probe.GetpResult(1)->m_bInitialized);
}

TEST(Stack, MachineWithoutParent)
{
    ecEventLogic logic;
    ecEventLogicProbe probe(logic);
    ecXml xml = Xml(Seq(Op("Names", S("A"))));
    EXPECT_EQ(Message([&] { logic.ReadXml(xml); }), "[ecEventLogic::GetpEvents] Technical error (m_pParent==NULL)");
    ecXml save = Xml(Seq(Op("SetEpoch")));
    EXPECT_EQ(Message([&] { logic.ReadXml(save); }),
              "[ecEventLogic::GetpParentEpoch] Technical error (m_pParent==NULL)");
    ecXml get = Xml(Seq(Op("GetBin", S("X"))));
    EXPECT_EQ(Message([&] { logic.ReadXml(get); }),
              "[ecEventLogic::GetpParentResult] Technical error (m_pParent==NULL)");
}

TEST(Stack, DeepStacksStayCheap)
{
    // Thousands of pushes under a local domain at the bottom: each walk
    // finds the domain without scanning the stack.
    Machine m({"A", "B", "A"});
    std::string ops = Op("Names", S("A")) + Op("SaveBin", S("_LOCAL_DOMAIN_"));
    for (int k = 0; k < 3000; ++k)
        ops += Op("Names", S("A") + S("B"));
    ops += Op("And", "<n>3000</n>");
    ASSERT_TRUE(m.Read(Seq(ops)));
    EXPECT_EQ(m.probe.GetStackSize(), 2);
    EXPECT_EQ(Selected(*m.probe.GetpResult(1)), Indices({0, 2}));
}

// ------------------------------------------------------------------ sequences

TEST(Sequence, NoFurtherSequenceReturnsFalseWithAnEmptyStack)
{
    Machine m({"A"});
    ecXml xml = Xml(Seq(Op("Names", S("A"))) + "<other/>");
    ASSERT_TRUE(m.logic.ReadXml(xml));
    EXPECT_EQ(m.probe.GetStackSize(), 1);
    EXPECT_FALSE(m.logic.ReadXml(xml));
    EXPECT_EQ(m.probe.GetStackSize(), 0);
    EXPECT_EQ(m.probe.NumResults(), 0u);
}

TEST(Sequence, AnEmptySequenceIsValid)
{
    Machine m({"A", "B"});
    ecXml xml = Xml("<bin_ops></bin_ops><bin_ops/>" + Seq(Op("Names", S("B")) + Op("SaveBin", S("After"))));
    EXPECT_TRUE(m.logic.ReadXml(xml));
    EXPECT_TRUE(m.logic.ReadXml(xml));
    EXPECT_TRUE(m.results.m_vResultList.empty());
    EXPECT_TRUE(m.logic.ReadXml(xml));
    EXPECT_EQ(SavedBin(m.results, "After"), Indices({1}));
    EXPECT_FALSE(m.logic.ReadXml(xml));
}

TEST(Sequence, WriteXmlWritesTheEmptyElement)
{
    ecEventLogic logic;
    std::ostringstream out;
    logic.WriteXml(out);
    EXPECT_EQ(out.str(), "<stack_operations>\n</stack_operations>\n");
}

TEST(Sequence, CopiesOfAMachineStartFresh)
{
    Machine m({"A"});
    ASSERT_TRUE(m.Read(Seq(Op("SetExcludeOff") + Op("AutoSaveBinOn") + Op("Names", S("A")))));
    ecEventLogic copy(m.logic);
    ecEventLogicProbe probe(copy);
    EXPECT_EQ(probe.GetStackSize(), 0);
    EXPECT_TRUE(probe.Exclude());
    EXPECT_FALSE(probe.AutoSave());
    m.logic = copy;
    EXPECT_FALSE(m.probe.Exclude());
    EXPECT_EQ(m.probe.GetStackSize(), 1);
}

TEST(Sequence, SettingsHoldIntoLaterSequences)
{
    // An exclusion over every event: "Names" finds nothing while exclusion
    // is on, everything once a previous sequence has turned it off.
    ecEventList list = MakeList({"A", "A"});
    list.push_back(MakeEvent("EXCLUDE", 0, 100000));
    ecBinResultList results;
    const std::string doc = Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("On"))) + Seq(Op("SetExcludeOff"))
                                + Seq(Op("Names", S("A")) + Op("SaveBin", S("Off"))) + Seq(Op("AutoSaveBinOn"))
                                + Seq(Op("SetEpoch", S("Late")))
                                + Seq(Op("Attribs", S("T:1")) + Op("Names", S("A")) + Op("SaveBin", S("Epoch"))),
                                Epoch("Stim") + Epoch("Late", -0.1f, 0.3f));
    list[1].m_vTags = {"T:1"};
    ASSERT_EQ(RunDoc(results, list, doc), "");
    EXPECT_TRUE(SavedBin(results, "On").empty());
    EXPECT_EQ(SavedBin(results, "Off"), Indices({0, 1}));
    EXPECT_EQ(SavedBin(results, "T:1"), Indices({1}));
    EXPECT_EQ(results.GetpResult("Epoch", true)->m_Epoch.sID, "Late");
}

TEST(Sequence, WhatWasDoneBeforeAFailureStays)
{
    Machine m({"A", "B"});
    EXPECT_EQ(Message([&] { m.Read(Seq(Op("Names", S("A")) + Op("SaveBin", S("Kept")) + Op("Bogus"))); }),
              "[ecEventLogic::ReadXml] Unrecognized bin operator Bogus");
    EXPECT_EQ(SavedBin(m.results, "Kept"), Indices({0}));
    EXPECT_EQ(m.probe.GetStackSize(), 1);
}

// ------------------------------------------------------------------ domains

TEST(Domains, AGlobalDomainBoundsEveryWalk)
{
    Machine m({"A", "B", "A", "B", "A"});
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("B") + S("A")) + Op("KeepMod", "<keep>1</keep><mod>2</mod>")
                           + Op("SaveBin", S("_GLOBAL_DOMAIN_")))));
    EXPECT_EQ(SavedBin(m.results, "_GLOBAL_DOMAIN_"), Indices({1, 3}));
    EXPECT_EQ(m.probe.Walk(), Indices({1, 3}));
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("A")) + Op("SaveBin", S("A")) + Op("Names", S("A") + S("B"))
                           + Op("KeepMod", "<keep>0</keep><mod>1</mod>") + Op("SaveBin", S("Mod")))));
    EXPECT_TRUE(SavedBin(m.results, "A").empty());
    EXPECT_EQ(SavedBin(m.results, "Mod"), Indices({1, 3}));
}

TEST(Domains, TheLatestGlobalDomainWins)
{
    Machine m({"A", "B", "C"});
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("A")) + Op("SaveBin", S("_GLOBAL_DOMAIN_")))));
    m.results.m_vResultList.back().R1[2] = true;  // {0, 2}
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("B") + S("C")) + Op("SaveBin", S("_GLOBAL_DOMAIN_")))));
    // The new domain was computed inside the old one.
    EXPECT_EQ(SavedBin(m.results, "_GLOBAL_DOMAIN_"), Indices({2}));
    EXPECT_EQ(m.probe.Walk(), Indices({2}));
}

TEST(Domains, TheLocalDomainNearestTheTopBoundsTheWalk)
{
    Machine m({"A", "B", "C", "D"});
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("A") + S("B") + S("C")) + Op("SaveBin", S("_LOCAL_DOMAIN_"))
                           + Op("Names", S("B") + S("C") + S("D")) + Op("SaveBin", S("_LOCAL_DOMAIN_"))
                           + Op("Names", S("A") + S("B") + S("C") + S("D")))));
    // The second domain was computed inside the first (B, C), and the last
    // "Names" walked inside the second only.
    EXPECT_EQ(Selected(*m.probe.GetpResult(1)), Indices({1, 2}));
    EXPECT_EQ(m.probe.Walk(), Indices({1, 2}));
    m.probe.Pop(2);
    EXPECT_EQ(m.probe.Walk(), Indices({0, 1, 2}));
    m.probe.PopNamed("_LOCAL_DOMAIN_", true);
    EXPECT_EQ(m.probe.Walk(), Indices({0, 1, 2, 3}));
}

TEST(Domains, BothDomainsMustHold)
{
    Machine m({"A", "B", "C", "D"});
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("A") + S("B")) + Op("SaveBin", S("_GLOBAL_DOMAIN_")))));
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("B") + S("C") + S("D")) + Op("SaveBin", S("_LOCAL_DOMAIN_")))));
    EXPECT_EQ(SavedBin(m.results, "_LOCAL_DOMAIN_"), Indices({1}));
    m.results.m_vResultList.back().R1[3] = true;
    ASSERT_TRUE(m.Read(Seq(Op("GetBin", S("_LOCAL_DOMAIN_")))));
    ASSERT_EQ(m.probe.GetpLocalDomain(), m.probe.GetpResult(1));
    EXPECT_EQ(m.probe.Walk(), Indices({1}));
}

TEST(Domains, AnAttribsResultNamedAsTheLocalDomainSeesNothing)
{
    // The new result is the local domain of its own walk and is all false.
    Machine m({"A", "B"});
    m.list[0].m_vTags = {"_LOCAL_DOMAIN_"};
    ASSERT_TRUE(m.Read(Seq(Op("Attribs", S("_LOCAL_DOMAIN_")))));
    EXPECT_TRUE(Selected(*m.probe.GetpResult(1)).empty());
}

TEST(Domains, ADomainOverAnotherEventListIsReported)
{
    Machine m({"A", "B"});
    ASSERT_TRUE(m.Read(Seq(Op("Names", S("A")) + Op("SaveBin", S("_GLOBAL_DOMAIN_")))));
    m.list.push_back(MakeEvent("A", 50000));
    EXPECT_EQ(Message([&] { m.Read(Seq(Op("Names", S("A")))); }),
              "[ecEventLogic::CheckResultLength] Please verify formulas: Result item with ID = _GLOBAL_DOMAIN_ has 2 "
              "items, but the event list has 3 events");
}

// ------------------------------------------------------------------ exclusion

std::vector<int> SelectedStarts(ecBinResultList& results, const ecEventList& list, const std::string& id)
{
    std::vector<int> starts;
    for (int i : SavedBin(results, id))
        starts.push_back(list[static_cast<std::size_t>(i)].m_iStart);
    return starts;
}

TEST(Exclusion, DeselectsEventsWhoseEpochOverlapsAnExclusion)
{
    // Rate 1000 and the epoch -0.2 to 0.8 s: an event at sample s spans
    // s - 200 to s + 800.
    ecEventList list;
    list.SetSamplingRate(1000.0f);
    for (int s = 10000; s <= 80000; s += 10000)
        list.push_back(MakeEvent("Stim", s));
    list.push_back(MakeEvent("EXCLUDE", 10700, 10900));   // holds the last sample of 10000
    list.push_back(MakeEvent("EXCLUDE2", 19000, 19800));  // holds the first sample of 20000
    list.push_back(MakeEvent("[EX]", 30100, 30200));      // inside the window of 30000
    list.push_back(MakeEvent("[SEG]", 39800));            // on the first sample of 40000: no cut
    list.push_back(MakeEvent("<seg>", 50800));            // on the last sample of 50000: a cut
    ecEvent blink = MakeEvent("Blink", 60500);
    blink.SetRejectedOn();                                // rejected: an exclusion of level 0
    list.push_back(blink);
    list.push_back(MakeEvent("REJECT", 70801, 71000));    // just after the window of 70000
    list.push_back(MakeEvent("EXCLUDE", 80500, 80400));   // reversed, but inside the window of 80000

    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list,
                  Doc(Seq(Op("Names", S("Stim")) + Op("SaveBin", S("Clean")) + Op("SetEpoch", S("Wide"))
                          + Op("Names", S("Stim")) + Op("SaveBin", S("Wide")) + Op("SetExcludeOff")
                          + Op("Names", S("Stim")) + Op("SaveBin", S("All"))),
                      Epoch("Stim") + Epoch("Wide", -1.0f, 1.0f))),
              "");
    EXPECT_EQ(SelectedStarts(results, list, "Clean"), std::vector<int>({40000, 70000}));
    // The wider epoch of the result itself (39000 to 41000) takes in the
    // boundary at 39800 and the exclusion after 70800.
    EXPECT_TRUE(SelectedStarts(results, list, "Wide").empty());
    EXPECT_EQ(SavedBin(results, "All").size(), 8u);
}

TEST(Exclusion, RejectIfUsesTheEpochOfTheTopResult)
{
    ecEventList list;
    list.SetSamplingRate(1000.0f);
    list.push_back(MakeEvent("A", 10000));
    list.push_back(MakeEvent("A", 20000));
    list.push_back(MakeEvent("EXCLUDE", 10900, 10940));
    ecBinResultList results;
    // Exclusion is off while selecting; RejectIf then applies the epoch of
    // each top result, not the machine's current epoch.
    ASSERT_EQ(RunDoc(results, list,
                  Doc(Seq(Op("SetExcludeOff") + Op("Names", S("A")) + Op("SetEpoch", S("Short")) + Op("RejectIf")
                          + Op("SaveBin", S("Long")) + Op("Names", S("A")) + Op("RejectIf")
                          + Op("SaveBin", S("Short"))),
                      Epoch("Long", -0.2f, 0.95f) + Epoch("Short", -0.05f, 0.5f))),
              "");
    EXPECT_EQ(SavedBin(results, "Long"), Indices({1}));
    EXPECT_EQ(SavedBin(results, "Short"), Indices({0, 1}));
}

TEST(Exclusion, NeedsASamplingRate)
{
    ecEventList list = MakeList({"A"}, 0.0f);
    ecBinResultList results;
    EXPECT_EQ(RunDoc(results, list, Doc(Seq(Op("Names", S("A"))))),
              "[ecEventLogic::Op1_RejectIf] Technical error (sampling rate unset)");
    EXPECT_EQ(RunDoc(results, list, Doc(Seq(Op("SetExcludeOff") + Op("Names", S("A")) + Op("RejectIf")))),
              "[ecEventLogic::Op1_RejectIf] Technical error (sampling rate unset)");
    ecBinResultList fresh;
    EXPECT_EQ(RunDoc(fresh, list, Doc(Seq(Op("SetExcludeOff") + Op("Names", S("A")) + Op("SaveBin", S("A"))))), "");
    EXPECT_EQ(SavedBin(fresh, "A"), Indices({0}));
}

TEST(Exclusion, AgreesWithTheEventListsOwnTest)
{
    // Random recordings: every "Stim" event survives the post-step exactly
    // when the list's own test finds no overlap for its epoch window.
    std::mt19937 random(20240611u);
    const char* const others[] = {"EXCLUDE", "EXCLUDE3", "[SEG]", "REJECT", "[EX2]", "Resp", "Blink"};
    for (int round = 0; round < 30; ++round) {
        ecEventList list;
        list.SetSamplingRate(round % 2 ? 512.0f : 1000.0f);
        std::uniform_int_distribution<int> start(0, 20000);
        std::uniform_int_distribution<int> length(-50, 600);
        std::uniform_int_distribution<int> kind(0, 9);
        for (int k = 0; k < 300; ++k) {
            const int s = start(random);
            const int what = kind(random);
            if (what < 7) {
                list.push_back(MakeEvent("Stim", s, s + std::max(0, length(random) / 4)));
            } else {
                ecEvent e = MakeEvent(others[static_cast<std::size_t>(start(random)) % 7], s, s + length(random));
                if (e.m_sName == "Blink" && what == 9)
                    e.SetRejectedOn();
                list.push_back(e);
            }
        }
        ecBinResultList results;
        ASSERT_EQ(RunDoc(results, list,
                      Doc(Seq(Op("Names", S("Stim")) + Op("SaveBin", S("Clean"))), Epoch("Stim", -0.15f, 0.45f))),
                  "");
        ecBinResult* clean = results.GetpResult("Clean", true);
        const float rate = list.GetSamplingRate();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const ecEvent& e = list[i];
            bool expected = false;
            if (e.m_sName == "Stim") {
                const float tStart = static_cast<float>(e.m_iStart) / rate + clean->m_Epoch.fStart;
                const float tStop = static_cast<float>(e.m_iStop) / rate + clean->m_Epoch.fStop;
                expected = !list.IsOverlappingExclude(tStart, tStop, false);
            }
            ASSERT_EQ(clean->R1[i], expected) << "round " << round << " event " << i;
        }
    }
}

} // namespace
