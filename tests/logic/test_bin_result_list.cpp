#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// The indices of the events whose status is on.
Indices StatusOn(const ecEventList& list)
{
    Indices on;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].IsStatusOn())
            on.push_back(static_cast<int>(i));
    return on;
}

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ecevents_logic_XXXXXX").string();
        m_path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    bool Ok() const { return !m_path.empty(); }

private:
    std::string m_path;
};

// ------------------------------------------------------------------ the document

TEST(BinResultListRead, RefusesDocumentsWithoutTheirParts)
{
    ecEventList list = MakeList({"A"});
    ecBinResultList results;
    EXPECT_EQ(RunDoc(results, list, "<other></other>"), "[ecBinResultList::ReadXml] Missing <bin_results> tag");
    EXPECT_EQ(RunDoc(results, list, "<bin_results></bin_results>"), "[ecBinResultList::ReadXml] Missing <bin_results> tag");
    EXPECT_EQ(RunDoc(results, list, "<bin_results>" + Seq(Op("Names", S("A"))) + "</bin_results>"),
              "[ecBinResultList::ReadXml] Under <bin_results>, at least one event-related <epoch> must be specified.");
    EXPECT_EQ(RunDoc(results, list, Doc("")),
              "[ecBinResultList::ReadXml] Under <bin_results>, at least one <bin_ops> sequence must be specified.");
    // The epochs read before the failure stay.
    EXPECT_EQ(results.m_vEpochs.size(), 1u);
}

TEST(BinResultListRead, ReadsFromTheStartOfTheReader)
{
    ecEventList list = MakeList({"A"});
    ecBinResultList results;
    results.SetpEvents(&list);
    ecXml xml = Xml(Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("A")))));
    ASSERT_TRUE(results.ReadXml(xml));
    ASSERT_TRUE(results.ReadXml(xml));
    // Bins are added, never replaced.
    EXPECT_EQ(results.m_vResultList.size(), 2u);
}

TEST(BinResultListRead, AFailingSequenceKeepsEarlierBins)
{
    ecEventList list = MakeList({"A", "B"});
    ecBinResultList results;
    EXPECT_EQ(RunDoc(results, list,
                  Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("First"))) + Seq(Op("Names", S("B")) + Op("SaveBin", S("Second")) + Op("GetBin", S("Third"))) + Seq(Op("Names", S("A")) + Op("SaveBin", S("Never"))))),
              "[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = Third");
    ASSERT_EQ(results.m_vResultList.size(), 2u);
    EXPECT_EQ(results.m_vResultList[1].m_sID, "Second");
}

TEST(BinResultListRead, ReReadingEpochsResetsTheCurrentEpoch)
{
    ecEventList list = MakeList({"A"});
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list,
                  Doc(Seq(Op("SetEpoch", S("Second")) + Op("Names", S("A")) + Op("SaveBin", S("One"))),
                      Epoch("First") + Epoch("Second", -0.1f, 0.4f))),
              "");
    // The second document's sequences take its first epoch, not a pointer
    // into the epochs that were replaced.
    ASSERT_EQ(RunDoc(results, list, Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("Two"))), Epoch("Third", -0.3f, 0.3f))),
              "");
    EXPECT_EQ(results.GetpResult("One", true)->m_Epoch.sID, "Second");
    EXPECT_EQ(results.GetpResult("Two", true)->m_Epoch.sID, "Third");
    EXPECT_FLOAT_EQ(results.GetpResult("Two", true)->m_Epoch.fStart, -0.3f);
}

TEST(BinResultListRead, ThousandsOfSequences)
{
    ecEventList list = MakeList({"A", "B", "C"});
    std::string body;
    for (int k = 0; k < 3000; ++k)
        body += Seq(Op("Names", S(k % 2 ? "A" : "B")) + Op("SaveBin", S("Bin" + std::to_string(k))));
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list, Doc(body)), "");
    ASSERT_EQ(results.m_vResultList.size(), 3000u);
    EXPECT_EQ(SavedBin(results, "Bin2999"), Indices({0}));
    EXPECT_EQ(SavedBin(results, "Bin2998"), Indices({1}));
}

TEST(BinResultListRead, WriteXmlWritesTheEmptyElement)
{
    ecBinResultList results;
    std::ostringstream out;
    results.WriteXml(out);
    EXPECT_EQ(out.str(), "<bin_results>\n</bin_results>\n");
}

TEST(BinResultListRead, CopiesStartEmptyAndAssignmentChangesNothing)
{
    ecEventList list = MakeList({"A"});
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list, Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("A"))))), "");
    ecBinResultList copy(results);
    EXPECT_TRUE(copy.m_vEpochs.empty());
    EXPECT_TRUE(copy.m_vResultList.empty());
    EXPECT_EQ(copy.GetpEvents(), nullptr);
    results = copy;
    EXPECT_EQ(results.m_vResultList.size(), 1u);
    // The copy runs documents with a machine of its own.
    ASSERT_EQ(RunDoc(copy, list, Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("B"))))), "");
    EXPECT_EQ(copy.m_vResultList.size(), 1u);
    EXPECT_EQ(results.m_vResultList.size(), 1u);
}

// ------------------------------------------------------------------ lookups

TEST(BinResultListLookup, Epochs)
{
    ecBinResultList results;
    EXPECT_EQ(results.GetpEpoch("", false), nullptr);
    EXPECT_EQ(Message([&] { results.GetpEpoch("", true); }),
              "[ecBinResultList::GetpEpoch] No epochs have been specified");
    results.m_vEpochs.resize(3);
    results.m_vEpochs[0].sID = "A";
    results.m_vEpochs[1].sID = "B";
    results.m_vEpochs[2].sID = "A";
    EXPECT_EQ(results.GetpEpoch("", true), &results.m_vEpochs[0]);
    EXPECT_EQ(results.GetpEpoch("A", true), &results.m_vEpochs[2]);
    EXPECT_EQ(results.GetpEpoch("C", false), nullptr);
    EXPECT_EQ(Message([&] { results.GetpEpoch("C", true); }),
              "[ecBinResultList::GetpEpoch] Please verify formulas: No epoch parameters found with ID = C");
}

TEST(BinResultListLookup, Results)
{
    ecBinResultList results;
    results.m_vResultList.resize(3);
    for (ecBinResult& r : results.m_vResultList)
        r.Initialize(1, 2, ecEventRelatedEpoch(), 1);
    results.m_vResultList[0].m_sID = "X";
    results.m_vResultList[2].m_sID = "X";
    EXPECT_EQ(results.GetpResult("X", true), &results.m_vResultList[2]);
    EXPECT_EQ(results.GetpResult("", true), &results.m_vResultList[1]);
    EXPECT_EQ(results.GetpResult("Y", false), nullptr);
    EXPECT_EQ(Message([&] { results.GetpResult("Y", true); }),
              "[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = Y");
    results.m_vResultList[2].Free();
    EXPECT_EQ(Message([&] { results.GetpResult("X", false); }),
              "[ecBinResultList::GetpResult] Technical error (m_vResultList[i].R1==NULL)");
}

// ------------------------------------------------------------------ preselection

TEST(Preselection, WalksTheBinsInTurnWithTheirEpochs)
{
    ecEventList list = MakeList({"L", "R", "L", "R"});
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list,
                  Doc(Seq(Op("Names", S("L")) + Op("SaveBin", S("Left")) + Op("SetEpoch", S("Resp"))
                          + Op("Names", S("R")) + Op("SaveBin", S("Right"))),
                      Epoch("Stim") + Epoch("Resp", -0.1f, 0.6f))),
              "");
    EXPECT_EQ(results.GetpEpoch(), nullptr);
    results.ResetForPreselection();
    EXPECT_EQ(results.GetpEpoch(), nullptr);
    ASSERT_EQ(results.PreselectNextBin(), "Left");
    EXPECT_EQ(StatusOn(list), Indices({0, 2}));
    EXPECT_TRUE(list[1].IsStatusOff());
    ASSERT_NE(results.GetpEpoch(), nullptr);
    EXPECT_EQ(results.GetpEpoch()->sID, "Stim");
    ASSERT_EQ(results.PreselectNextBin(), "Right");
    EXPECT_EQ(StatusOn(list), Indices({1, 3}));
    EXPECT_EQ(results.GetpEpoch()->sID, "Resp");
    EXPECT_EQ(results.PreselectNextBin(), "");
    EXPECT_EQ(results.GetpEpoch(), nullptr);
    // The statuses of the last bin stay.
    EXPECT_EQ(StatusOn(list), Indices({1, 3}));
    EXPECT_EQ(results.PreselectNextBin(), "");
    results.ResetForPreselection();
    EXPECT_EQ(results.PreselectNextBin(), "Left");
}

TEST(Preselection, AnEmptyBinIsStillPreselected)
{
    ecEventList list = MakeList({"A", "B"});
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list, Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("A")) + Op("Names", S("Z"))
                                          + Op("SaveBin", S("Nothing"))))),
              "");
    results.ResetForPreselection();
    ASSERT_EQ(results.PreselectNextBin(), "A");
    ASSERT_EQ(results.PreselectNextBin(), "Nothing");
    EXPECT_TRUE(StatusOn(list).empty());
    EXPECT_TRUE(list[0].IsStatusOff());
}

TEST(Preselection, SkipsUnusableResultsOnlyWhenTheyAreEmpty)
{
    ecEventList list = MakeList({"A", "B"});
    ecBinResultList results;
    results.SetpEvents(&list);
    results.m_vResultList.resize(4);
    for (ecBinResult& r : results.m_vResultList)
        r.Initialize(1, 2, ecEventRelatedEpoch(), 1);
    results.m_vResultList[0].m_sID = "HiddenEmpty";
    results.m_vResultList[0].m_bHidden = true;
    results.m_vResultList[1].m_sID = "PoppedEmpty";
    results.m_vResultList[1].m_bPopped = true;
    results.m_vResultList[2].m_sID = "HiddenFull";
    results.m_vResultList[2].m_bHidden = true;
    results.m_vResultList[2].R1[1] = true;
    results.m_vResultList[3].m_sID = "Plain";
    results.ResetForPreselection();
    EXPECT_EQ(results.PreselectNextBin(), "HiddenFull");
    EXPECT_EQ(StatusOn(list), Indices({1}));
    EXPECT_EQ(results.PreselectNextBin(), "Plain");
    EXPECT_EQ(results.PreselectNextBin(), "");
}

TEST(Preselection, RefusesBinsOfAnotherLength)
{
    ecEventList list = MakeList({"A", "B"});
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list, Doc(Seq(Op("Names", S("A")) + Op("SaveBin", S("A"))))), "");
    list.push_back(MakeEvent("C", 90000));
    results.ResetForPreselection();
    EXPECT_EQ(Message([&] { results.PreselectNextBin(); }),
              "[ecBinResultList::PreselectNextBin] Technical error (nEvents != pResult->m_nItems)");
}

TEST(Preselection, NeedsAnEventList)
{
    ecBinResultList results;
    EXPECT_EQ(Message([&] { results.PreselectNextBin(); }),
              "[ecBinResultList::PreselectNextBin] Technical error (m_pEvents==NULL)");
    EXPECT_EQ(Message([&] { results.WriteResultsAsEvents("x"); }),
              "[ecBinResultList::WriteResultsAsEvents] Technical error (m_pEvents==NULL)");
}

// ------------------------------------------------------------------ a whole run

// The starts of the events of an event file; empty when it holds none.
std::vector<int> StartsInFile(const std::string& file)
{
    ecEventList read;
    read.SetSamplingRate(500.0f);
    std::vector<int> starts;
    if (read.ReadEventFile(file.c_str(), false))
        for (const ecEvent& e : read)
            starts.push_back(e.m_iStart);
    return starts;
}

TEST(WholeRun, DocumentToEventFiles)
{
    // Rate 500 and the epoch -0.2 to 0.8 s: an event at s spans s - 100 to
    // s + 400, so the exclusion at 5300 to 5450 takes the Stim1 at 5000 out.
    ecEventList list;
    list.SetSamplingRate(500.0f);
    list.push_back(MakeEvent("Stim1", 1000, 1000, {"Cond:A"}));
    list.push_back(MakeEvent("Resp", 1200, 1200, {"Cond:A"}));
    list.push_back(MakeEvent("Stim2", 3000, 3000, {"Cond:B"}));
    list.push_back(MakeEvent("Stim1", 5000, 5000, {"Cond:A"}));
    list.push_back(MakeEvent("EXCLUDE", 5300, 5450));
    list.push_back(MakeEvent("Stim2", 7000, 7000, {"Cond:B"}));
    list.push_back(MakeEvent("Stim1", 9000, 9000, {"Cond:A"}));
    list.push_back(MakeEvent("Stim2", 11000, 11000, {"Cond:A"}));

    ecXml xml;
    ASSERT_TRUE(xml.Read(std::string(ECEVENTS_TEST_DATA) + "/logic/two_sides.xml"));
    ecBinResultList results;
    results.SetpEvents(&list);
    ASSERT_TRUE(results.ReadXml(xml));
    ASSERT_EQ(results.m_vEpochs.size(), 2u);

    // Names inside the exclusion-free stimuli; Resp carries Cond:A but lies
    // outside the global domain.
    EXPECT_EQ(SavedBin(results, "_GLOBAL_DOMAIN_"), Indices({0, 2, 5, 6, 7}));
    EXPECT_EQ(SavedBin(results, "Left"), Indices({0, 6, 7}));
    EXPECT_EQ(SavedBin(results, "Right"), Indices({2, 5}));
    EXPECT_EQ(SavedBin(results, "LeftOdd"), Indices({0, 7}));
    EXPECT_EQ(SavedBin(results, "Stimuli"), Indices({0, 2, 5, 6, 7}));

    // The epoch chosen in one sequence holds for the later ones.
    results.ResetForPreselection();
    std::vector<std::string> walk;
    for (std::string id = results.PreselectNextBin(); !id.empty(); id = results.PreselectNextBin())
        walk.push_back(id + "/" + results.GetpEpoch()->sID);
    EXPECT_EQ(walk, std::vector<std::string>({"_GLOBAL_DOMAIN_/Stim", "Left/Stim", "Right/Long", "LeftOdd/Long",
                                              "Stimuli/Long"}));
    EXPECT_EQ(results.GetpResult("Right", true)->m_Epoch.sBaselineDetrend, "PreEvent");

    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    results.WriteResultsAsEvents(dir.Path("run1"));
    EXPECT_EQ(StartsInFile(dir.Path("run1_Left.evt")), std::vector<int>({1000, 9000, 11000}));
    EXPECT_EQ(StartsInFile(dir.Path("run1_Right.evt")), std::vector<int>({3000, 7000}));
    EXPECT_EQ(StartsInFile(dir.Path("run1_LeftOdd.evt")), std::vector<int>({1000, 11000}));
    EXPECT_EQ(StartsInFile(dir.Path("run1_Stimuli.evt")), std::vector<int>({1000, 3000, 7000, 9000, 11000}));
    EXPECT_EQ(StartsInFile(dir.Path("run1__GLOBAL_DOMAIN_.evt")).size(), 5u);
    // The list keeps the marks of the last bin.
    EXPECT_EQ(StatusOn(list), Indices({0, 2, 5, 6, 7}));
    EXPECT_EQ(results.PreselectNextBin(), "");
}

TEST(WholeRun, EmptyAndRepeatedBinsGetTheirFiles)
{
    ecEventList list = MakeList({"A", "B", "A"});
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list,
                  Doc(Seq(Op("Names", S("Z")) + Op("SaveBin", S("None")) + Op("Names", S("A")) + Op("SaveBin", S("Twice"))
                          + Op("Names", S("B")) + Op("SaveBin", S("Twice"))))),
              "");
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    results.WriteResultsAsEvents(dir.Path("out"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path("out_None.evt")));
    EXPECT_TRUE(StartsInFile(dir.Path("out_None.evt")).empty());
    // The second bin of that name replaced the file of the first.
    EXPECT_EQ(StartsInFile(dir.Path("out_Twice.evt")), std::vector<int>({11000}));
}

} // namespace

namespace {

TEST(BadInput, CutDocumentsRunOrFailCleanly)
{
    // Every prefix of a real document, and the document with single bytes
    // overwritten, either runs or ends with the library's own error.
    ecXml whole;
    ASSERT_TRUE(whole.Read(std::string(ECEVENTS_TEST_DATA) + "/logic/two_sides.xml"));
    const std::string text = whole.GetText();
    ecEventList list = MakeList({"Stim1", "Stim2", "Resp", "Stim1", "EXCLUDE"}, 500.0f);
    list[0].m_vTags = {"Cond:A"};
    list[1].m_vTags = {"Cond:B"};
    int ran = 0;
    for (std::size_t cut = 0; cut < text.size() + 7; cut += 7) {
        ecBinResultList results;
        if (RunDoc(results, list, text.substr(0, std::min(cut, text.size()))).empty())
            ++ran;
    }
    // The whole document, at least, runs.
    EXPECT_GE(ran, 1);
    for (std::size_t at = 0; at < text.size(); at += 5) {
        std::string garbled = text;
        garbled[at] = at % 2 ? '<' : 'x';
        ecBinResultList results;
        RunDoc(results, list, garbled);
    }
}

} // namespace
