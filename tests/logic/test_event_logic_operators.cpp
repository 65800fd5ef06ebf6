#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogicTestSupport.h"

using namespace logictest;

namespace {

using Indices = std::vector<int>;

// A list, a result list over it and a runner for one document.
struct Bench {
    ecEventList list;
    ecBinResultList results;
    explicit Bench(const std::vector<std::string>& names, float rate = 1000.0f)
        : list(MakeList(names, rate))
    {
    }
    std::string Run(const std::string& body, const std::string& epochs = Epoch("Stim"))
    {
        return logictest::RunDoc(results, list, Doc(body, epochs));
    }
    Indices Bin(const std::string& id) { return SavedBin(results, id); }
};

// ------------------------------------------------------------------ Names

TEST(OperatorNames, SelectsEveryEventOfTheGivenNames)
{
    Bench b({"A", "C", "B", "A"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A") + S("B")) + Op("SaveBin", S("Sel")))), "");
    EXPECT_EQ(b.Bin("Sel"), Indices({0, 2, 3}));
}

TEST(OperatorNames, ComparesNamesExactly)
{
    Bench b({"a", "A ", "A", "AA"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("SaveBin", S("Sel")))), "");
    EXPECT_EQ(b.Bin("Sel"), Indices({2}));
}

TEST(OperatorNames, LongNameListsMatchLikeShortOnes)
{
    std::vector<std::string> names;
    std::string values;
    for (int k = 0; k < 30; ++k) {
        names.push_back("N" + std::to_string(k));
        if (k % 3 == 0)
            values += S("N" + std::to_string(k));
    }
    Bench b(names);
    ASSERT_EQ(b.Run(Seq(Op("Names", values) + Op("SaveBin", S("Sel")))), "");
    Indices expected;
    for (int k = 0; k < 30; k += 3)
        expected.push_back(k);
    EXPECT_EQ(b.Bin("Sel"), expected);
}

TEST(OperatorNames, AnEmptyFirstValueMeansNoNames)
{
    Bench b({"A", "B"});
    EXPECT_EQ(b.Run(Seq(Op("Names", "<s></s>" + S("B")))),
              "[ecEventLogic::Op0_Names] No event names extracted from NameList");
    EXPECT_EQ(b.Run(Seq(Op("Names"))), "[ecEventLogic::Op0_Names] No event names extracted from NameList");
}

TEST(OperatorNames, NeedsAnEventList)
{
    ecBinResultList results;
    ecXml xml = Xml(Doc(Seq(Op("Names", S("A")))));
    try {
        results.ReadXml(xml);
        FAIL() << "no event list";
    } catch (const ecError& e) {
        EXPECT_STREQ(e.what(), "[ecEventLogic::GetpEvents] Technical error (pEvents==NULL)");
    }
}

TEST(OperatorNames, OverAnEmptyEventListFailsInTheNewResult)
{
    Bench b({});
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")))), "[ecBinResult::Initialize] Technical error nOrder>0 && nItems<=0)");
}

// ------------------------------------------------------------------ Attribs

TEST(OperatorAttribs, SelectsEventsCarryingEveryTagAndNamesTheResult)
{
    Bench b({"E", "E", "E", "E"});
    b.list[0].m_vTags = {"F:1", "G:2", "H:3"};
    b.list[1].m_vTags = {"F:1"};
    b.list[2].m_vTags = {"G:2", "F:1"};
    b.list[3].m_vTags = {"f:1", "G:2"};
    ASSERT_EQ(b.Run(Seq(Op("Attribs", S("F:1") + S("G:2")) + Op("SaveBin"))), "");
    EXPECT_EQ(b.Bin("F:1G:2"), Indices({0, 2}));
}

TEST(OperatorAttribs, NeedsAsManyTagsAsValues)
{
    // F:1 given twice asks for two tags: an event with F:1 alone fails,
    // one with F:1 and any other tag passes.
    Bench b({"E", "E"});
    b.list[0].m_vTags = {"F:1"};
    b.list[1].m_vTags = {"F:1", "X:9"};
    ASSERT_EQ(b.Run(Seq(Op("Attribs", S("F:1") + S("F:1")) + Op("SaveBin"))), "");
    EXPECT_EQ(b.Bin("F:1F:1"), Indices({1}));
}

TEST(OperatorAttribs, WithoutValuesFails)
{
    Bench b({"E"});
    EXPECT_EQ(b.Run(Seq(Op("Attribs"))),
              "[ecEventLogic::Op0_Attribs] No event attributes extracted from AttribCluster");
}

TEST(OperatorAttribs, AutoSaveSavesNamedResults)
{
    Bench b({"E", "E"});
    b.list[1].m_vTags = {"Cond:A", "Side:L"};
    ASSERT_EQ(b.Run(Seq(Op("AutoSaveBinOn") + Op("Attribs", S("Cond:A") + S("Side:L")))), "");
    ASSERT_EQ(b.results.m_vResultList.size(), 1u);
    EXPECT_EQ(b.results.m_vResultList[0].m_sID, "Cond:ASide:L");
    EXPECT_EQ(b.Bin("Cond:ASide:L"), Indices({1}));
    // "Names" has no auto-save step.
    ASSERT_EQ(b.Run(Seq(Op("Names", S("E")))), "");
    EXPECT_EQ(b.results.m_vResultList.size(), 1u);
}

// ------------------------------------------------------------------ KeepMod

TEST(OperatorKeepMod, KeepsEveryModthSelectedEvent)
{
    // Seven A events at 0, 1, 3, 4, 5, 6, 7: keep 1 of mod 3 keeps the
    // second and the fifth.
    Bench b({"A", "A", "B", "A", "A", "A", "A", "A", "B"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("KeepMod", "<keep>1</keep><mod>3</mod>") + Op("SaveBin", S("K")))),
              "");
    EXPECT_EQ(b.Bin("K"), Indices({1, 5}));
}

TEST(OperatorKeepMod, KeepZeroModTwoKeepsTheOddOnes)
{
    Bench b({"A", "A", "A", "A", "A"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("KeepMod", "<keep>0</keep><mod>2</mod>") + Op("SaveBin", S("K")))),
              "");
    EXPECT_EQ(b.Bin("K"), Indices({0, 2, 4}));
}

TEST(OperatorKeepMod, KeepOutsideTheModulusKeepsNothing)
{
    Bench b({"A", "A", "A"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("KeepMod", "<keep>3</keep><mod>3</mod>") + Op("SaveBin", S("K"))
                        + Op("Names", S("A")) + Op("KeepMod", "<keep>-1</keep><mod>3</mod>") + Op("SaveBin", S("L")))),
              "");
    EXPECT_TRUE(b.Bin("K").empty());
    EXPECT_TRUE(b.Bin("L").empty());
}

TEST(OperatorKeepMod, ModZeroOrMissingIsAnError)
{
    Bench b({"A"});
    const std::string message = "[ecEventLogic::Op1_KeepMod] <mod> must be greater than 0";
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("KeepMod", "<keep>0</keep><mod>0</mod>"))), message);
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("KeepMod", "<keep>0</keep>"))), message);
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("KeepMod", "<keep>0</keep><mod>three</mod>"))), message);
}

TEST(OperatorKeepMod, OnAnEmptyStackFailsInTheDepthLookup)
{
    Bench b({"A"});
    EXPECT_EQ(b.Run(Seq(Op("KeepMod", "<keep>0</keep><mod>2</mod>"))),
              "[ecEventLogic::GetpResult] Please verify stack logic: Stack overflow");
}

// ------------------------------------------------------------------ KeepSector

std::string Sector(const std::string& from, const std::string& to)
{
    return Op("KeepSector", "<from>" + from + "</from><to>" + to + "</to>");
}

TEST(OperatorKeepSector, UsesTheSinglePrecisionPercent)
{
    // Ten selected events: 9 x 50 x 0.01f + 0.5 stays below 5, so the first
    // half is five events (an exact 0.01 would give six).
    Bench b(std::vector<std::string>(10, "A"));
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Sector("0", "50") + Op("SaveBin", S("Low")) + Op("Names", S("A"))
                        + Sector("50", "100") + Op("SaveBin", S("High")) + Op("Names", S("A")) + Sector("0", "100")
                        + Op("SaveBin", S("All")))),
              "");
    EXPECT_EQ(b.Bin("Low"), Indices({0, 1, 2, 3, 4}));
    EXPECT_EQ(b.Bin("High"), Indices({4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(b.Bin("All"), Indices({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(OperatorKeepSector, EqualBoundsKeepOneRank)
{
    // rank trunc(9 x 20 x c + 0.5) = trunc(2.2999...) = 2 among the A events.
    Bench b({"B", "A", "A", "B", "A", "A", "A", "A", "A", "A", "A", "A"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Sector("20", "20") + Op("SaveBin", S("One")))), "");
    EXPECT_EQ(b.Bin("One"), Indices({4}));
}

TEST(OperatorKeepSector, OneSelectedEventIsAlwaysKept)
{
    Bench b({"B", "A", "B"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Sector("99.5", "99.9") + Op("SaveBin", S("One")))), "");
    EXPECT_EQ(b.Bin("One"), Indices({1}));
}

TEST(OperatorKeepSector, RefusesBoundsOutsideThePercentRange)
{
    Bench b({"A", "A"});
    const std::string fromMessage =
        "[ecEventLogic::Op1_KeepSector] <from> must be greater than 0 and less than 100 (percent)";
    const std::string toMessage =
        "[ecEventLogic::Op1_KeepSector] <to> must be greater than <from> and less than or equal to 100 (percent)";
    const std::string names = Op("Names", S("A"));
    EXPECT_EQ(b.Run(Seq(names + Sector("100", "100"))), fromMessage);
    EXPECT_EQ(b.Run(Seq(names + Sector("-1", "50"))), fromMessage);
    EXPECT_EQ(b.Run(Seq(names + Sector("50", "40"))), toMessage);
    EXPECT_EQ(b.Run(Seq(names + Sector("50", "100.5"))), toMessage);
    EXPECT_EQ(b.Run(Seq(names + Sector("0", "0") + Op("SaveBin", S("Z")))), "");
    EXPECT_EQ(b.Bin("Z"), Indices({0}));
}

TEST(OperatorKeepSector, NothingToKeepFailsAfterThePush)
{
    ecEventList list = MakeList({"A", "B"});
    ecBinResultList results;
    results.SetpEvents(&list);
    results.m_vEpochs.emplace_back();
    ecEventLogic logic;
    logic.SetpParent(&results);
    ecXml seq = Xml(Seq(Op("Names", S("C")) + Sector("0", "50")));
    try {
        logic.ReadXml(seq);
        FAIL() << "nothing selected";
    } catch (const ecError& e) {
        EXPECT_STREQ(e.what(), "[ecEventLogic::Op1_KeepSector] No events to keep");
    }
    EXPECT_EQ(ecEventLogicProbe(logic).GetStackSize(), 2);
}

// ------------------------------------------------------------------ And, AndNot, Or

TEST(OperatorAnd, CombinesTheTwoUpperItemsIntoOne)
{
    ecEventList list = MakeList({"A", "B", "A", "B"});
    ecBinResultList results;
    results.SetpEvents(&list);
    results.m_vEpochs.emplace_back();
    ecEventLogic logic;
    logic.SetpParent(&results);
    ecEventLogicProbe probe(logic);
    list[0].m_vTags = {"X:1"};
    list[1].m_vTags = {"X:1"};
    ecXml seq = Xml(Seq(Op("Names", S("A")) + Op("Attribs", S("X:1")) + Op("And")));
    ASSERT_TRUE(logic.ReadXml(seq));
    ASSERT_EQ(probe.GetStackSize(), 1);
    EXPECT_EQ(Selected(*probe.GetpResult(1)), Indices({0}));
    EXPECT_EQ(probe.GetpResult(1)->m_sID, "");
    // The operands were popped but stay among the results of the sequence.
    EXPECT_EQ(probe.NumResults(), 3u);
    EXPECT_TRUE(probe.Result(0).m_bPopped);
    EXPECT_TRUE(probe.Result(1).m_bPopped);
    EXPECT_FALSE(probe.Result(2).m_bPopped);
}

TEST(OperatorAnd, TakesNOperands)
{
    Bench b({"A", "B", "C", "D"});
    b.list[0].m_vTags = {"P:1", "Q:1"};
    b.list[1].m_vTags = {"P:1", "Q:1", "R:1"};
    b.list[2].m_vTags = {"P:1", "R:1"};
    b.list[3].m_vTags = {"P:1", "Q:1", "R:1"};
    const std::string three = Op("Attribs", S("P:1")) + Op("Attribs", S("Q:1")) + Op("Attribs", S("R:1"));
    ASSERT_EQ(b.Run(Seq(three + Op("And", "<n>3</n>") + Op("SaveBin", S("PQR")))), "");
    EXPECT_EQ(b.Bin("PQR"), Indices({1, 3}));
    // The symbol is a synonym.
    ASSERT_EQ(b.Run(Seq(three + Op("&", "<n>3</n>") + Op("SaveBin", S("Sym")))), "");
    EXPECT_EQ(b.Bin("Sym"), Indices({1, 3}));
}

TEST(OperatorAnd, RefusesNBeyondTheStack)
{
    Bench b({"A", "B"});
    const std::string message = "[ecEventLogic::Op2_And] <n> is less than 2 or greater than stack size.";
    const std::string two = Op("Names", S("A")) + Op("Names", S("B"));
    EXPECT_EQ(b.Run(Seq(two + Op("And", "<n>3</n>"))), message);
    EXPECT_EQ(b.Run(Seq(two + Op("And", "<n>1</n>"))), message);
    EXPECT_EQ(b.Run(Seq(two + Op("And", "<n>2147483647</n>"))), message);
    EXPECT_EQ(b.Run(Seq(two + Op("And", "<n>many</n>"))), message);
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("And"))),
              "[ecEventLogic::GetpResult] Please verify stack logic: Stack overflow");
}

TEST(OperatorAnd, IgnoresTheDomainsWhereOrKeepsThem)
{
    // A local domain holding event 0 alone: "And" runs over all events and
    // keeps event 2, "Or" and "Names" walk inside the domain.
    Bench b({"A", "B", "A", "B"});
    const std::string twice = Op("GetBin", S("AllA")) + Op("GetBin", S("AllA"));
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("SaveBin", S("AllA")) + Op("KeepMod", "<keep>0</keep><mod>2</mod>")
                        + Op("SaveBin", S("_LOCAL_DOMAIN_")) + twice + Op("And") + Op("SaveBin", S("Both")) + twice
                        + Op("Or") + Op("SaveBin", S("Either")) + Op("Names", S("A") + S("B"))
                        + Op("SaveBin", S("Named")))),
              "");
    EXPECT_EQ(b.Bin("AllA"), Indices({0, 2}));
    EXPECT_EQ(b.Bin("Both"), Indices({0, 2}));
    EXPECT_EQ(b.Bin("Either"), Indices({0}));
    EXPECT_EQ(b.Bin("Named"), Indices({0}));
}

TEST(OperatorAndNot, KeepsTheDeeperWithoutTheUpperAndPopsNothing)
{
    ecEventList list = MakeList({"A", "B", "C", "A"});
    list[0].m_vTags = {"X:1"};
    list[2].m_vTags = {"X:1"};
    ecBinResultList results;
    results.SetpEvents(&list);
    results.m_vEpochs.emplace_back();
    ecEventLogic logic;
    logic.SetpParent(&results);
    ecEventLogicProbe probe(logic);
    ecXml seq = Xml(Seq(Op("Names", S("A") + S("B")) + Op("Attribs", S("X:1")) + Op("AndNot")));
    ASSERT_TRUE(logic.ReadXml(seq));
    ASSERT_EQ(probe.GetStackSize(), 3);
    EXPECT_EQ(Selected(*probe.GetpResult(1)), Indices({1, 3}));
    EXPECT_EQ(Selected(*probe.GetpResult(2)), Indices({0, 2}));
    EXPECT_EQ(Selected(*probe.GetpResult(3)), Indices({0, 1, 3}));

    ecXml sym = Xml(Seq(Op("Names", S("A") + S("B")) + Op("Attribs", S("X:1")) + Op("&~")));
    ASSERT_TRUE(logic.ReadXml(sym));
    EXPECT_EQ(Selected(*probe.GetpResult(1)), Indices({1, 3}));
}

TEST(OperatorOr, JoinsTheTwoUpperItemsWithinTheDomains)
{
    Bench b({"A", "B", "C", "A", "B"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("Names", S("B")) + Op("Or") + Op("SaveBin", S("AB")))), "");
    EXPECT_EQ(b.Bin("AB"), Indices({0, 1, 3, 4}));
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A") + S("C")) + Op("SaveBin", S("_GLOBAL_DOMAIN_")))), "");
    ASSERT_EQ(b.Run(Seq(Op("GetBin", S("AB")) + Op("GetBin", S("AB")) + Op("|") + Op("SaveBin", S("Inside")))), "");
    EXPECT_EQ(b.Bin("Inside"), Indices({0, 3}));
}

TEST(OperatorOr, NeedsTwoItems)
{
    Bench b({"A"});
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("Or"))),
              "[ecEventLogic::GetpResult] Please verify stack logic: Stack overflow");
    EXPECT_EQ(b.Run(Seq(Op("AndNot"))), "[ecEventLogic::GetpResult] Please verify stack logic: Stack overflow");
}

// ------------------------------------------------------------------ SaveBin, GetBin, SetEpoch

TEST(OperatorSaveBin, NamesTheTopAndSavesACopy)
{
    Bench b({"A", "B"});
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("SaveBin"))),
              "[ecEventLogic::Op1_SaveBin] No (or empty) <id> available for saved result");
    EXPECT_TRUE(b.results.m_vResultList.empty());
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("SaveBin", S("First")) + Op("SaveBin")
                        + Op("SaveBin", S("Second")))),
              "");
    ASSERT_EQ(b.results.m_vResultList.size(), 3u);
    EXPECT_EQ(b.results.m_vResultList[0].m_sID, "First");
    EXPECT_EQ(b.results.m_vResultList[1].m_sID, "First");
    EXPECT_EQ(b.results.m_vResultList[2].m_sID, "Second");
    EXPECT_FALSE(b.results.m_vResultList[0].m_bPopped);
}

TEST(OperatorGetBin, PushesACopyOfTheLatestSavedResult)
{
    Bench b({"A", "B", "C"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("SaveBin", S("X")) + Op("Names", S("B")) + Op("SaveBin", S("X"))
                        + Op("GetBin", S("X")) + Op("SaveBin", S("Copy")))),
              "");
    EXPECT_EQ(b.Bin("Copy"), Indices({1}));
    EXPECT_EQ(b.results.GetpResult("Copy", true)->m_Epoch.sID, "Stim");
}

TEST(OperatorGetBin, NeedsAKnownID)
{
    Bench b({"A"});
    EXPECT_EQ(b.Run(Seq(Op("GetBin"))), "[ecEventLogic::Op0_GetBin] Missing or empty ID string for saved result");
    EXPECT_EQ(b.Run(Seq(Op("GetBin", S("Nope")))),
              "[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = Nope");
}

TEST(OperatorGetBin, RefusesAResultOverAnotherEventList)
{
    Bench b({"A", "B", "A"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("SaveBin", S("Old")))), "");
    b.list.push_back(MakeEvent("A", 99000));
    EXPECT_EQ(b.Run(Seq(Op("GetBin", S("Old")))),
              "[ecEventLogic::CheckResultLength] Please verify formulas: Result item with ID = Old has 3 items, "
              "but the event list has 4 events");
}

TEST(OperatorSetEpoch, PicksTheLatestEpochOfThatIDOrTheFirst)
{
    Bench b({"A"});
    const std::string epochs = Epoch("First", -0.1f, 0.5f) + Epoch("Twin", -0.2f, 0.6f) + Epoch("Twin", -0.3f, 0.7f);
    ASSERT_EQ(b.Run(Seq(Op("SetEpoch", S("Twin")) + Op("Names", S("A")) + Op("SaveBin", S("T"))
                        + Op("SetEpoch") + Op("Names", S("A")) + Op("SaveBin", S("F"))),
                    epochs),
              "");
    EXPECT_FLOAT_EQ(b.results.GetpResult("T", true)->m_Epoch.fStart, -0.3f);
    EXPECT_FLOAT_EQ(b.results.GetpResult("F", true)->m_Epoch.fStart, -0.1f);
    EXPECT_EQ(b.results.GetpResult("F", true)->m_Epoch.sID, "First");
}

TEST(OperatorSetEpoch, UnknownIDIsAnError)
{
    Bench b({"A"});
    EXPECT_EQ(b.Run(Seq(Op("SetEpoch", S("Resp")))),
              "[ecBinResultList::GetpEpoch] Please verify formulas: No epoch parameters found with ID = Resp");
}

TEST(OperatorSetEpoch, ResultsKeepTheEpochTheyWereMadeWith)
{
    Bench b({"A"});
    ASSERT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("SetEpoch", S("Late")) + Op("SaveBin", S("Early"))),
                    Epoch("Stim") + Epoch("Late", -0.5f, 1.0f)),
              "");
    EXPECT_EQ(b.results.GetpResult("Early", true)->m_Epoch.sID, "Stim");
}

// ------------------------------------------------------------------ dispatch

TEST(Dispatch, UnknownOperatorsAreNamed)
{
    Bench b({"A"});
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("Not"))), "[ecEventLogic::ReadXml] Unrecognized bin operator Not");
    EXPECT_EQ(b.Run(Seq(Op("Names", S("A")) + Op("Names", S("A")) + Op("and"))),
              "[ecEventLogic::ReadXml] Unrecognized bin operator and");
}

TEST(Dispatch, AnOperatorNeedsAnID)
{
    Bench b({"A"});
    EXPECT_EQ(b.Run(Seq("<op><s>A</s></op>")), "[ecEventLogic::ReadOperator] Missing <id> tag for operator");
}

} // namespace
