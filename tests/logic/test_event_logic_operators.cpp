#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logic_test_support.h"

using namespace logictest;

namespace {

using Tags = std::vector<std::vector<std::string>>;

// A list of the named events carrying the given tags, and the results of
// one document over it.
struct Bench {
    ecEventList list;
    ecBinResultList results;
    Bench(const std::string& names, const Tags& tags = {})
        : list(MakeList(names))
    {
        for (std::size_t i = 0; i < tags.size(); ++i)
            list[i].m_vTags = tags[i];
    }
    std::string Run(const std::string& body, const std::string& epochs = Epoch("Stim"))
    {
        return RunDoc(results, list, Doc(body, epochs));
    }
};

std::string Mod(int keep, int mod)
{
    return Op("KeepMod", "<keep>" + std::to_string(keep) + "</keep><mod>" + std::to_string(mod) + "</mod>");
}

std::string Sector(const std::string& from, const std::string& to)
{
    return Op("KeepSector", "<from>" + from + "</from><to>" + to + "</to>");
}

TEST(Operators, Selections)
{
    const std::string abab = "A B A B";
    const Tags fg = {{"F:1", "G:2", "H:3"}, {"F:1"}, {"G:2", "F:1"}, {"f:1", "G:2"}};
    const Tags pqr = {{"P:1", "Q:1"}, {"P:1", "Q:1", "R:1"}, {"P:1", "R:1"}, {"P:1", "Q:1", "R:1"}};
    const std::string three = Op("Attribs", S("P:1")) + Op("Attribs", S("Q:1")) + Op("Attribs", S("R:1"));
    const std::string andNot = Names("A B") + Op("Attribs", S("X:1"));
    // A local domain holding event 0 alone: "And" runs over all events,
    // "Or" and "Names" walk inside the domain.
    const std::string local = Names("A") + Save("AllA") + Mod(0, 2) + Save("_LOCAL_DOMAIN_");
    const std::string twice = Op("GetBin", S("AllA")) + Op("GetBin", S("AllA"));
    std::string thirty = "N0", every3rd = "N0";
    Indices every3rdAt = {0};
    for (int k = 1; k < 30; ++k) {
        thirty += " N" + std::to_string(k);
        if (k % 3 == 0) {
            every3rd += " N" + std::to_string(k);
            every3rdAt.push_back(k);
        }
    }
    // Ten selected events: 9 x 50 x 0.01f + 0.5 stays below 5, so the first
    // half is five events (an exact 0.01 would give six).
    const std::string tenA = "A A A A A A A A A A";
    const struct {
        std::string events;
        Tags tags;
        std::string body, bin;
        Indices expected;
    } cases[] = {
        {"A C B A", {}, Names("A B") + Save(), "R", {0, 2, 3}},
        // Exact comparison: case, length, first, middle and last character.
        {"a AXC ABC ABD XBC A AB", {}, Names("ABC A") + Save(), "R", {2, 5}},
        {thirty, {}, Names(every3rd) + Save(), "R", every3rdAt},
        {"E E E E", fg, Op("Attribs", S("F:1") + S("G:2")) + Save(""), "F:1G:2", {0, 2}},
        // F:1 twice asks for two tags: F:1 alone fails, F:1 and any other passes.
        {"E E", {{"F:1"}, {"F:1", "X:9"}}, Op("Attribs", S("F:1") + S("F:1")) + Save(""), "F:1F:1", {1}},
        {"E E", {{}, {"Cond:A", "Side:L"}}, Op("AutoSaveBinOn") + Op("Attribs", S("Cond:A") + S("Side:L")),
         "Cond:ASide:L", {1}},
        {"A A B A A A A A B", {}, Names("A") + Mod(1, 3) + Save(), "R", {1, 5}},
        {"A A A A A", {}, Names("A") + Mod(0, 2) + Save(), "R", {0, 2, 4}},
        {"A A A", {}, Names("A") + Mod(3, 3) + Save(), "R", {}},
        {"A A A", {}, Names("A") + Mod(-1, 3) + Save(), "R", {}},
        {tenA, {}, Names("A") + Sector("0", "50") + Save(), "R", {0, 1, 2, 3, 4}},
        {tenA, {}, Names("A") + Sector("50", "100") + Save(), "R", {4, 5, 6, 7, 8, 9}},
        {tenA, {}, Names("A") + Sector("0", "100") + Save(), "R", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        // rank trunc(9 x 20 x 0.01f + 0.5) = trunc(2.2999...) = 2 among the A events
        {"B A A B A A A A A A A A", {}, Names("A") + Sector("20", "20") + Save(), "R", {4}},
        {"B A B", {}, Names("A") + Sector("99.5", "99.9") + Save(), "R", {1}},
        {"A A", {}, Names("A") + Sector("0", "0") + Save(), "R", {0}},
        {abab, {{"X:1"}, {"X:1"}}, Names("A") + Op("Attribs", S("X:1")) + Op("And") + Save(), "R", {0}},
        {"A B C D", pqr, three + Op("And", "<n>3</n>") + Save(), "R", {1, 3}},
        {"A B C D", pqr, three + Op("&", "<n>3</n>") + Save(), "R", {1, 3}},
        {abab, {}, local + twice + Op("And") + Save(), "R", {0, 2}},
        {abab, {}, local + twice + Op("Or") + Save(), "R", {0}},
        {abab, {}, local + Names("A B") + Save(), "R", {0}},
        {"A B C A B", {}, Names("A") + Names("B") + Op("Or") + Save(), "R", {0, 1, 3, 4}},
        {"A B C A B", {}, Names("A") + Names("B") + Op("|") + Save(), "R", {0, 1, 3, 4}},
        // AndNot keeps the deeper without the upper and pops nothing: "Or"
        // then joins the result with the upper operand.
        {"A B C A", {{"X:1"}, {}, {"X:1"}}, andNot + Op("AndNot") + Save(), "R", {1, 3}},
        {"A B C A", {{"X:1"}, {}, {"X:1"}}, andNot + Op("&~") + Op("Or") + Save(), "R", {0, 1, 2, 3}},
        {"A B C", {}, Names("A") + Save("X") + Names("B") + Save("X") + Op("GetBin", S("X")) + Save(), "R", {1}},
        // The s list starts after id: names and tags written before it are not seen.
        {"A B C", {}, "<op><s>A</s><id>Names</id><s>B</s></op>" + Save(), "R", {1}},
        {"A B C", {}, "<op><s>A</s><s>C</s><id>Names</id><s>B</s><s>C</s></op>" + Save(), "R", {1, 2}},
        {"E E E", {{"F:1"}, {"G:2"}, {"F:1", "G:2"}}, "<op><s>F:1</s><id>Attribs</id><s>G:2</s></op>" + Save(""), "G:2",
         {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        Bench b(c.events, c.tags);
        ASSERT_EQ(b.Run(Seq(c.body)), "");
        EXPECT_EQ(SavedBin(b.results, c.bin), c.expected);
    }
}

TEST(Operators, Messages)
{
    const std::string names = Names("A");
    const std::string two = Names("A") + Names("B");
    const std::string overflow = "[ecEventLogic::GetpResult] Please verify stack logic: Stack overflow";
    const std::string noNames = "[ecEventLogic::Op0_Names] No event names extracted from NameList";
    const std::string mod = "[ecEventLogic::Op1_KeepMod] <mod> must be greater than 0";
    const std::string from = "[ecEventLogic::Op1_KeepSector] <from> must be greater than 0 and less than 100 (percent)";
    const std::string to
        = "[ecEventLogic::Op1_KeepSector] <to> must be greater than <from> and less than or equal to 100 (percent)";
    const std::string n = "[ecEventLogic::Op2_And] <n> is less than 2 or greater than stack size.";
    const struct {
        std::string events;
        std::string body, message;
    } cases[] = {
        {"A B", Op("Names", "<s></s>" + S("B")), noNames},
        {"A", Op("Names"), noNames},
        {"A", "<op><s>A</s><id>Names</id></op>", noNames},
        {"A", "<op><s>F:1</s><id>Attribs</id></op>",
         "[ecEventLogic::Op0_Attribs] No event attributes extracted from AttribCluster"},
        {"", names, "[ecBinResult::Initialize] Technical error nOrder>0 && nItems<=0)"},
        {"A", Op("Attribs"), "[ecEventLogic::Op0_Attribs] No event attributes extracted from AttribCluster"},
        {"A", names + Op("KeepMod", "<keep>0</keep><mod>0</mod>"), mod},
        {"A", names + Op("KeepMod", "<keep>0</keep>"), mod},
        {"A", names + Op("KeepMod", "<keep>0</keep><mod>three</mod>"), mod},
        {"A", Mod(0, 2), overflow},
        {"A A", names + Sector("100", "100"), from},
        {"A A", names + Sector("-1", "50"), from},
        {"A A", names + Sector("50", "40"), to},
        {"A A", names + Sector("50", "100.5"), to},
        {"A B", Names("C") + Sector("0", "50"), "[ecEventLogic::Op1_KeepSector] No events to keep"},
        {"A B", two + Op("And", "<n>3</n>"), n},
        {"A B", two + Op("And", "<n>1</n>"), n},
        {"A B", two + Op("And", "<n>2147483647</n>"), n},
        {"A B", two + Op("And", "<n>many</n>"), n},
        {"A", names + Op("And"), overflow},
        {"A", names + Op("Or"), overflow},
        {"A", Op("AndNot"), overflow},
        {"A", names + Op("SaveBin"), "[ecEventLogic::Op1_SaveBin] No (or empty) <id> available for saved result"},
        {"A", Op("GetBin"), "[ecEventLogic::Op0_GetBin] Missing or empty ID string for saved result"},
        {"A", Op("GetBin", S("Nope")),
         "[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = Nope"},
        {"A", Op("SetEpoch", S("Resp")),
         "[ecBinResultList::GetpEpoch] Please verify formulas: No epoch parameters found with ID = Resp"},
        {"A", names + Op("Not"), "[ecEventLogic::ReadXml] Unrecognized bin operator Not"},
        {"A", two + Op("and"), "[ecEventLogic::ReadXml] Unrecognized bin operator and"},
        {"A", "<op><s>A</s></op>", "[ecEventLogic::ReadOperator] Missing <id> tag for operator"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        Bench b(c.events);
        EXPECT_EQ(b.Run(Seq(c.body)), c.message);
    }
    ecBinResultList unlisted;
    ecXml xml = Xml(Doc(Seq(names)));
    EXPECT_EQ(EcErrorOf([&] { unlisted.ReadXml(xml); }), "[ecEventLogic::GetpEvents] Technical error (pEvents==NULL)");
}

TEST(Operators, SavedResultsKeepTheirNamesAndEpochs)
{
    Bench b("A B A");
    ASSERT_EQ(b.Run(Seq(Names("A") + Save("First") + Save("") + Op("SetEpoch", S("Twin")) + Save("Second") + Names("A")
                        + Save("T") + Op("SetEpoch") + Names("B") + Save("F") + Op("GetBin", S("T")) + Save("Copy")),
                    Epoch("First", -0.1f, 0.5f) + Epoch("Twin", -0.2f, 0.6f) + Epoch("Twin", -0.3f, 0.7f)),
              "");
    std::vector<std::string> ids;
    for (const ecBinResult& r : b.results.m_vResultList)
        ids.push_back(r.m_sID + "/" + r.m_Epoch.sID);
    // A result keeps the epoch it was made with; SetEpoch picks the latest
    // epoch of the ID or, without one, the first.
    EXPECT_EQ(
        ids,
        std::vector<std::string>({"First/First", "First/First", "Second/First", "T/Twin", "F/First", "Copy/Twin"}));
    EXPECT_FLOAT_EQ(b.results.GetpResult("T", true)->m_Epoch.fStart, -0.3f);
    EXPECT_FALSE(b.results.m_vResultList[0].m_bPopped);
    // "Names" has no auto-save step.
    ASSERT_EQ(b.Run(Seq(Op("AutoSaveBinOn") + Names("A"))), "");
    EXPECT_EQ(b.results.m_vResultList.size(), 6u);

    b.list.push_back(MakeEvent("A", 99000));
    EXPECT_EQ(b.Run(Seq(Op("GetBin", S("T")))),
              "[ecEventLogic::CheckResultLength] Please verify formulas: Result item with ID = T has 3 items, "
              "but the event list has 4 events");
}

} // namespace
