#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "logic_test_support.h"
#include "../support/single_precision_search.h"

using namespace logictest;

namespace {

TEST(Stack, OverflowsAndNamedLookups)
{
    Machine m("A B");
    // Two items named Twin under an unnamed top: lookups find the upper one.
    for (const char* id : {"Twin", "Twin", ""})
        m.probe.SetResultID(m.probe.Push(nullptr), id);
    m.probe.GetpResult(3)->R1[0] = true;
    m.probe.GetpResult(2)->R1[1] = true;
    const std::string stack = "Please verify stack logic: ";
    EXPECT_EQ(EcErrorOf([&] { m.probe.Pop(4); }), "[ecEventLogic::Pop] " + stack + "Stack overflow");
    EXPECT_EQ(EcErrorOf([&] { m.probe.Pop(0); }), "[ecEventLogic::Pop] " + stack + "Stack overflow");
    EXPECT_EQ(EcErrorOf([&] { m.probe.GetpResult(4); }), "[ecEventLogic::GetpResult] " + stack + "Stack overflow");
    EXPECT_EQ(EcErrorOf([&] { m.probe.GetpResultNamed("None", true); }),
              "[ecEventLogic::GetpResultNamed] " + stack + "No stack item found with ID = None");
    EXPECT_EQ(EcErrorOf([&] { m.probe.PopNamed("None", true); }),
              "[ecEventLogic::PopNamed] " + stack + "No stack item found with ID = None");
    EXPECT_EQ(m.probe.GetpResultNamed("None", false), nullptr);
    EXPECT_EQ(Selected(*m.probe.GetpResultNamed("Twin", true)), Indices({1}));
    m.probe.PopNamed("Twin", true);
    EXPECT_EQ(Selected(*m.probe.GetpResultNamed("Twin", true)), Indices({0}));
    // A popped item stays among the results, and may not come back.
    ASSERT_EQ(m.probe.NumResults(), 3u);
    EXPECT_TRUE(m.probe.Result(1).m_bPopped);
    EXPECT_FALSE(m.probe.Result(2).m_bPopped);
    ecBinResult popped(m.probe.Result(1));
    EXPECT_EQ(EcErrorOf([&] { m.probe.Push(&popped); }),
              "[ecEventLogic::DiagnoseStackRemap] Technical error: Inconsistent stack remapping (#2)");
}

TEST(Stack, MachinesWithoutParentOrEpochs)
{
    ecEventLogic orphan;
    for (const auto& [seq, where] : {std::pair<std::string, std::string> {Names("A"), "GetpEvents"},
                                     {Op("SetEpoch"), "GetpParentEpoch"},
                                     {Op("GetBin", S("X")), "GetpParentResult"}}) {
        ecXml xml = Xml(Seq(seq));
        EXPECT_EQ(EcErrorOf([&] { orphan.ReadXml(xml); }),
                  "[ecEventLogic::" + where + "] Technical error (m_pParent==NULL)");
    }
    Machine m("A");
    m.results.m_vEpochs.clear();
    EXPECT_EQ(EcErrorOf([&] { m.probe.Push(nullptr); }), "[ecBinResultList::GetpEpoch] No epochs have been specified");
    EXPECT_FALSE(m.probe.GetpResult(1)->m_bInitialized);
}

TEST(Sequence, ReadingStopsAfterTheLastAndKeepsWhatFailedSequencesDid)
{
    Machine m("A B");
    ecXml xml = Xml("<bin_ops></bin_ops><bin_ops/>" + Seq(Names("B") + Save("After")) + "<other/>");
    EXPECT_TRUE(m.logic.ReadXml(xml));
    EXPECT_TRUE(m.logic.ReadXml(xml));
    EXPECT_TRUE(m.results.m_vResultList.empty());
    EXPECT_TRUE(m.logic.ReadXml(xml));
    EXPECT_EQ(SavedBin(m.results, "After"), Indices({1}));
    EXPECT_EQ(m.probe.GetStackSize(), 1);
    EXPECT_FALSE(m.logic.ReadXml(xml));
    EXPECT_EQ(m.probe.GetStackSize(), 0);
    EXPECT_EQ(m.probe.NumResults(), 0u);

    EXPECT_EQ(m.Fail(Seq(Names("A") + Save("Kept") + Op("Bogus"))),
              "[ecEventLogic::ReadXml] Unrecognized bin operator Bogus");
    EXPECT_EQ(SavedBin(m.results, "Kept"), Indices({0}));
    EXPECT_EQ(m.probe.GetStackSize(), 1);
}

TEST(Sequence, SettingsHoldIntoLaterSequences)
{
    // An exclusion over every event: "Names" finds nothing while exclusion
    // is on, everything once a previous sequence has turned it off.
    ecEventList list = MakeList("A A");
    list.push_back(MakeEvent("EXCLUDE", 0, 100000));
    list[1].m_vTags = {"T:1"};
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list,
                     Doc(Seq(Names("A") + Save("On")) + Seq(Op("SetExcludeOff")) + Seq(Names("A") + Save("Off"))
                             + Seq(Op("AutoSaveBinOn")) + Seq(Op("SetEpoch", S("Late")))
                             + Seq(Op("Attribs", S("T:1")) + Names("A") + Save("Epoch")),
                         Epoch("Stim") + Epoch("Late", -0.1f, 0.3f))),
              "");
    EXPECT_TRUE(SavedBin(results, "On").empty());
    EXPECT_EQ(SavedBin(results, "Off"), Indices({0, 1}));
    EXPECT_EQ(SavedBin(results, "T:1"), Indices({1}));
    EXPECT_EQ(results.GetpResult("Epoch", true)->m_Epoch.sID, "Late");
}

TEST(Domains, GlobalDomainsNestAndBoundEveryWalk)
{
    Machine m("A B A B A");
    ASSERT_TRUE(m.Read(Seq(Names("B A") + Op("KeepMod", "<keep>1</keep><mod>2</mod>") + Save("_GLOBAL_DOMAIN_"))));
    EXPECT_EQ(m.probe.Walk(), Indices({1, 3}));
    ASSERT_TRUE(
        m.Read(Seq(Names("A") + Save("A") + Names("A B") + Op("KeepMod", "<keep>0</keep><mod>1</mod>") + Save("Mod"))));
    EXPECT_TRUE(SavedBin(m.results, "A").empty());
    EXPECT_EQ(SavedBin(m.results, "Mod"), Indices({1, 3}));
    // The latest domain wins and was computed inside the one before.
    m.results.GetpResult("_GLOBAL_DOMAIN_", true)->R1[4] = true;
    ASSERT_TRUE(m.Read(Seq(Names("A") + Save("_GLOBAL_DOMAIN_"))));
    EXPECT_EQ(m.probe.Walk(), Indices({4}));

    m.list.push_back(MakeEvent("A", 50000));
    EXPECT_EQ(m.Fail(Seq(Names("A"))),
              "[ecEventLogic::CheckResultLength] Please verify formulas: Result item with ID = _GLOBAL_DOMAIN_ has 5 "
              "items, but the event list has 6 events");
}

TEST(Domains, LocalDomainsNestWithinTheGlobalOne)
{
    Machine m("A B C D E");
    ASSERT_TRUE(m.Read(Seq(Names("A B C D") + Save("_GLOBAL_DOMAIN_"))));
    ASSERT_TRUE(m.Read(
        Seq(Names("A B C E") + Save("_LOCAL_DOMAIN_") + Names("B C D") + Save("_LOCAL_DOMAIN_") + Names("A B C D E"))));
    // The second domain was computed inside the first, and the last "Names"
    // walked inside the second only; popping uncovers the outer domains.
    EXPECT_EQ(Selected(*m.probe.GetpResult(1)), Indices({1, 2}));
    EXPECT_EQ(m.probe.GetpLocalDomain(), m.probe.GetpResult(2));
    m.probe.Pop(2);
    EXPECT_EQ(m.probe.Walk(), Indices({0, 1, 2}));
    m.probe.PopNamed("_LOCAL_DOMAIN_", true);
    EXPECT_EQ(m.probe.Walk(), Indices({0, 1, 2, 3}));
    // Both domains must hold: an event of the local domain outside the
    // global one is not walked.
    m.results.GetpResult("_LOCAL_DOMAIN_", true)->R1[4] = true;
    ASSERT_TRUE(m.Read(Seq(Op("GetBin", S("_LOCAL_DOMAIN_")))));
    EXPECT_EQ(m.probe.Walk(), Indices({1, 2}));

    // An "Attribs" result named as the local domain is its own domain: empty.
    m.list[0].m_vTags = {"_LOCAL_DOMAIN_"};
    ASSERT_TRUE(m.Read(Seq(Op("Attribs", S("_LOCAL_DOMAIN_")))));
    EXPECT_TRUE(Selected(*m.probe.GetpResult(1)).empty());

    // Thousands of pushes above a local domain stay cheap and correct.
    std::string ops = Names("A C E") + Save("_LOCAL_DOMAIN_");
    for (int k = 0; k < 3000; ++k)
        ops += Names("A B");
    ASSERT_TRUE(m.Read(Seq(ops + Op("And", "<n>3000</n>"))));
    EXPECT_EQ(m.probe.GetStackSize(), 2);
    EXPECT_EQ(Selected(*m.probe.GetpResult(1)), Indices({0}));
}

Indices Starts(ecBinResultList& results, const ecEventList& list, const std::string& id)
{
    Indices starts;
    for (int i : SavedBin(results, id))
        starts.push_back(list[static_cast<std::size_t>(i)].m_iStart);
    return starts;
}

TEST(Exclusion, DeselectsEventsWhoseEpochOverlapsAnExclusion)
{
    // Rate 1000 and the epoch -0.2 to 0.8 s: an event at s spans s - 200 to s + 800.
    ecEventList list;
    list.SetSamplingRate(1000.0f);
    for (int s = 10000; s <= 80000; s += 10000)
        list.push_back(MakeEvent("Stim", s));
    list.push_back(MakeEvent("EXCLUDE", 10700, 10900)); // holds the last sample of 10000
    list.push_back(MakeEvent("EXCLUDE2", 19000, 19800)); // holds the first sample of 20000
    list.push_back(MakeEvent("[EX]", 30100, 30200)); // inside the window of 30000
    list.push_back(MakeEvent("[SEG]", 39800)); // on the first sample of 40000: no cut
    list.push_back(MakeEvent("<seg>", 50800)); // on the last sample of 50000: a cut
    ecEvent blink = MakeEvent("Blink", 60500);
    blink.SetRejectedOn(); // rejected: an exclusion of level 0
    list.push_back(blink);
    list.push_back(MakeEvent("REJECT", 70801, 71000)); // just after the window of 70000
    list.push_back(MakeEvent("EXCLUDE", 80500, 80400)); // reversed, but inside the window of 80000
    list.push_back(MakeEvent("A", 90000));
    list.push_back(MakeEvent("A", 95000));
    list.push_back(MakeEvent("EXCLUDE", 90900, 90940));
    list.push_back(MakeEvent("Stim", 100000, 100100));
    list.push_back(MakeEvent("EXCLUDE", 100850, 100900)); // past the window of the start, inside that of the stop

    ecBinResultList results;
    // RejectIf applies the epoch of each top result, not the current one.
    ASSERT_EQ(RunDoc(results, list,
                     Doc(Seq(Names("Stim") + Save("Clean") + Op("SetEpoch", S("Wide")) + Names("Stim") + Save("Wide")
                             + Op("SetExcludeOff") + Names("Stim") + Save("All") + Op("SetEpoch", S("Long"))
                             + Names("A") + Op("SetEpoch", S("Short")) + Op("RejectIf") + Save("Long") + Names("A")
                             + Op("RejectIf") + Save("Short")),
                         Epoch("Stim") + Epoch("Wide", -1.0f, 1.0f) + Epoch("Long", -0.2f, 0.95f)
                             + Epoch("Short", -0.05f, 0.5f))),
              "");
    EXPECT_EQ(Starts(results, list, "Clean"), Indices({40000, 70000}));
    // The wider epoch (39000 to 41000) takes in the boundary at 39800 and
    // the exclusion after 70800.
    EXPECT_TRUE(Starts(results, list, "Wide").empty());
    EXPECT_EQ(SavedBin(results, "All").size(), 9u);
    EXPECT_EQ(Starts(results, list, "Long"), Indices({95000}));
    EXPECT_EQ(Starts(results, list, "Short"), Indices({90000, 95000}));
    // What the post-step took out is counted; a RejectIf asked for is not.
    const std::vector<std::pair<std::string, int>> excluded{{"Clean", 7}, {"Wide", 9}, {"All", 0}, {"Short", 0}};
    for (const auto& [id, count] : excluded)
        EXPECT_EQ(results.GetpResult(id, true)->Excluded(), count) << id;

    // Combined selections count what would be in them but for the post-step.
    ecBinResultList combined;
    ASSERT_EQ(RunDoc(combined, list,
                     Doc(Seq(Names("Stim") + Names("Stim") + Op("And") + Save("And") + Names("Stim") + Names("A")
                             + Op("Or") + Save("Or") + Names("Stim") + Names("A") + Op("AndNot") + Save("AndNot")
                             + Names("Stim") + Names("Stim") + Op("AndNot") + Save("None")),
                         Epoch("Stim"))),
              "");
    const std::vector<std::pair<std::string, int>> combinedExcluded{{"And", 7}, {"Or", 7}, {"AndNot", 7}, {"None", 0}};
    for (const auto& [id, count] : combinedExcluded)
        EXPECT_EQ(combined.GetpResult(id, true)->Excluded(), count) << id;

    ecEventList unset = MakeList("A", 0.0f);
    ecBinResultList none;
    const std::string message = "[ecEventLogic::Op1_RejectIf] Technical error (sampling rate unset)";
    EXPECT_EQ(RunDoc(none, unset, Doc(Seq(Names("A")))), message);
    EXPECT_EQ(RunDoc(none, unset, Doc(Seq(Op("SetExcludeOff") + Names("A") + Op("RejectIf")))), message);
    // An infinite rate is refused by the operator under its own name.
    ecEventList infinite = MakeList("A", std::numeric_limits<float>::infinity());
    EXPECT_EQ(RunDoc(none, infinite, Doc(Seq(Op("SetExcludeOff") + Names("A") + Op("RejectIf")))),
              "[ecEventLogic::Op1_RejectIf] Technical error (invalid sampling rate)");
    ecBinResultList fresh;
    EXPECT_EQ(RunDoc(fresh, unset, Doc(Seq(Op("SetExcludeOff") + Names("A") + Save("A")))), "");
    EXPECT_EQ(SavedBin(fresh, "A"), Indices({0}));
}

TEST(Exclusion, WindowEdgesComeFromASinglePrecisionProduct)
{
    // An event at sample 0 has its window start at fStart seconds exactly;
    // an exclusion ending on the lesser of the two candidate samples cuts
    // the event only when the library's own (single-precision) sample is it.
    const auto found = singleprecision::FindDisagreements(-2.0f, -0.01f, 40);
    ASSERT_GE(found.size(), 20u);
    for (const auto& d : found) {
        const std::string start = singleprecision::ExactText(d.seconds);
        SCOPED_TRACE(start + " s at " + std::to_string(d.rate));
        ecEventList list;
        list.SetSamplingRate(d.rate);
        const int edge = std::min(d.single, d.widened);
        list.push_back(MakeEvent("Stim", 0));
        ecEvent exclusion = MakeEvent("EXCLUDE", edge - 3);
        exclusion.m_iStop = edge;
        list.push_back(exclusion);
        const std::string epoch = "<epoch><sID>Stim</sID><fStart>" + start + "</fStart><fStop>1</fStop></epoch>";
        ecBinResultList results;
        ASSERT_EQ(RunDoc(results, list, Doc(Seq(Names("Stim") + Save("Clean") + Op("SetExcludeOff") + Names("Stim")
                                                + Op("RejectIf") + Save("Rejected")),
                                            epoch)),
                  "");
        const Indices expected = d.widened >= d.single ? Indices() : Indices({0});
        EXPECT_EQ(SavedBin(results, "Clean"), expected);
        EXPECT_EQ(SavedBin(results, "Rejected"), expected);
    }
}

TEST(Exclusion, ExactTimeTakesEpochEdgesInWholeSamples)
{
    // Past 2^24 samples: the epoch of the event at 20000003 starts 100
    // samples earlier in exact time (at 19999903, on the exclusion), but at
    // 19999904 by the single-precision rule, which misses it. Both the
    // post-step and "RejectIf" follow the list's mode.
    for (const bool exact : {false, true}) {
        SCOPED_TRACE(exact ? "exact" : "single precision");
        ecEventList list;
        list.SetSamplingRate(1000.0f);
        list.SetExactTime(exact);
        list.push_back(MakeEvent("REJECT", 19999903));
        list.push_back(MakeEvent("Stim", 20000003));
        ecBinResultList results;
        ASSERT_EQ(RunDoc(results, list,
                         Doc(Seq(Names("Stim") + Save("Clean") + Op("SetExcludeOff") + Names("Stim") + Op("RejectIf")
                                 + Save("Rejected")),
                             Epoch("Stim", -0.1f, 0.5f))),
                  "");
        const Indices expected = exact ? Indices() : Indices({1});
        EXPECT_EQ(SavedBin(results, "Clean"), expected);
        EXPECT_EQ(SavedBin(results, "Rejected"), expected);
    }
}

} // namespace
