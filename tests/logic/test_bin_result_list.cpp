#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "logic_test_support.h"

using namespace logictest;

namespace {

Indices StatusOn(const ecEventList& list)
{
    Indices on;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].IsStatusOn())
            on.push_back(static_cast<int>(i));
    return on;
}

TEST(BinResultList, DocumentsAndLookupsReportWhatIsMissing)
{
    ecEventList list = MakeList("A B");
    const std::string prefix = "[ecBinResultList::ReadXml] ";
    const struct {
        std::string doc, message;
    } cases[] = {
        {"<other></other>", prefix + "Missing <bin_results> tag"},
        {"<bin_results></bin_results>", prefix + "Missing <bin_results> tag"},
        {"<bin_results>" + Seq(Names("A")) + "</bin_results>",
         prefix + "Under <bin_results>, at least one event-related <epoch> must be specified."},
        {Doc(""), prefix + "Under <bin_results>, at least one <bin_ops> sequence must be specified."},
        // A failing sequence keeps the bins saved before it.
        {Doc(Seq(Names("A") + Save("First")) + Seq(Names("B") + Save("Second") + Op("GetBin", S("Third")))
             + Seq(Save("Never"))),
         "[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = Third"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.doc);
        ecBinResultList results;
        EXPECT_EQ(RunDoc(results, list, c.doc), c.message);
    }
    ecBinResultList results;
    RunDoc(results, list, cases[4].doc);
    ASSERT_EQ(results.m_vResultList.size(), 2u);
    EXPECT_EQ(results.m_vResultList[1].m_sID, "Second");

    EXPECT_EQ(results.GetpResult("Y", false), nullptr);
    results.m_vResultList[1].Free();
    EXPECT_EQ(EcErrorOf([&] { results.GetpResult("Second", false); }),
              "[ecBinResultList::GetpResult] Technical error (m_vResultList[i].R1==NULL)");
    ecBinResultList none;
    EXPECT_EQ(EcErrorOf([&] { none.GetpEpoch("", true); }), "[ecBinResultList::GetpEpoch] No epochs have been specified");
    EXPECT_EQ(EcErrorOf([&] { none.PreselectNextBin(); }),
              "[ecBinResultList::PreselectNextBin] Technical error (m_pEvents==NULL)");
    EXPECT_EQ(EcErrorOf([&] { none.WriteResultsAsEvents("x"); }),
              "[ecBinResultList::WriteResultsAsEvents] Technical error (m_pEvents==NULL)");
}

TEST(BinResultList, ReReadingEpochsResetsTheCurrentEpoch)
{
    // The second document's sequences take its first epoch, not a pointer
    // into the epochs that were replaced; bins are added, never replaced.
    ecEventList list = MakeList("A");
    ecBinResultList results;
    const std::string names = Names("A");
    ASSERT_EQ(RunDoc(results, list,
                     Doc(Seq(Op("SetEpoch", S("Second")) + names + Save("One")), Epoch("First") + Epoch("Second"))),
              "");
    ASSERT_EQ(RunDoc(results, list, Doc(Seq(names + Save("Two")), Epoch("Third", -0.3f, 0.3f))), "");
    EXPECT_EQ(results.m_vResultList.size(), 2u);
    EXPECT_EQ(results.GetpResult("One", true)->m_Epoch.sID, "Second");
    EXPECT_FLOAT_EQ(results.GetpResult("Two", true)->m_Epoch.fStart, -0.3f);
}

TEST(BinResultList, PreselectionSkipsOnlyEmptyHiddenOrPoppedBins)
{
    ecEventList list = MakeList("A B");
    ecBinResultList results;
    results.SetpEvents(&list);
    results.m_vResultList.resize(5);
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
    results.m_vResultList[4].m_sID = "Longer";
    results.m_vResultList[4].Initialize(1, 3, ecEventRelatedEpoch(), 1);
    results.ResetForPreselection();
    EXPECT_EQ(results.GetpEpoch(), nullptr);
    EXPECT_EQ(results.PreselectNextBin(), "HiddenFull");
    EXPECT_EQ(StatusOn(list), Indices({1}));
    EXPECT_EQ(results.PreselectNextBin(), "Plain");
    EXPECT_EQ(StatusOn(list), Indices());
    EXPECT_TRUE(list[1].IsStatusOff());
    EXPECT_EQ(EcErrorOf([&] { results.PreselectNextBin(); }),
              "[ecBinResultList::PreselectNextBin] Technical error (nEvents != pResult->m_nItems)");
}

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

TEST(BinResultList, WholeDocumentToEventFiles)
{
    // Rate 500 and the epoch -0.2 to 0.8 s: an event at s spans s - 100 to
    // s + 400, so the exclusion at 5300 to 5450 takes the Stim1 at 5000 out.
    ecEventList list = MakeList("Stim1@1000+Cond:A Resp@1200+Cond:A Stim2@3000+Cond:B Stim1@5000+Cond:A "
                                "EXCLUDE@5300..5450 Stim2@7000+Cond:B Stim1@9000+Cond:A Stim2@11000+Cond:A",
                                500.0f);
    ecXml xml;
    ASSERT_TRUE(xml.Read(std::string(ECEVENTS_TEST_DATA) + "/logic/two_sides.xml"));
    ecBinResultList results;
    results.SetpEvents(&list);
    ASSERT_TRUE(results.ReadXml(xml));
    // Resp carries Cond:A but lies outside the global domain.
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
    EXPECT_EQ(
        walk,
        std::vector<std::string>({"_GLOBAL_DOMAIN_/Stim", "Left/Stim", "Right/Long", "LeftOdd/Long", "Stimuli/Long"}));
    EXPECT_EQ(results.GetpEpoch(), nullptr);

    std::string dir = (std::filesystem::temp_directory_path() / "ecevents_logic_XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    results.WriteResultsAsEvents(dir + "/run1");
    EXPECT_EQ(StartsInFile(dir + "/run1_Left.evt"), std::vector<int>({1000, 9000, 11000}));
    EXPECT_EQ(StartsInFile(dir + "/run1_Right.evt"), std::vector<int>({3000, 7000}));
    EXPECT_EQ(StartsInFile(dir + "/run1_LeftOdd.evt"), std::vector<int>({1000, 11000}));
    EXPECT_EQ(StartsInFile(dir + "/run1_Stimuli.evt"), std::vector<int>({1000, 3000, 7000, 9000, 11000}));
    EXPECT_EQ(StartsInFile(dir + "/run1__GLOBAL_DOMAIN_.evt").size(), 5u);
    // The list keeps the marks of the last bin.
    EXPECT_EQ(StatusOn(list), Indices({0, 2, 5, 6, 7}));

    // An empty bin still gets its file; a repeated name replaces the file.
    ecEventList abc = MakeList("A B A");
    ecBinResultList more;
    ASSERT_EQ(RunDoc(more, abc,
                     Doc(Seq(Names("Z") + Save("None") + Names("A") + Save("Twice") + Names("B") + Save("Twice")))),
              "");
    more.WriteResultsAsEvents(dir + "/out");
    EXPECT_TRUE(std::filesystem::exists(dir + "/out_None.evt"));
    EXPECT_TRUE(StartsInFile(dir + "/out_None.evt").empty());
    EXPECT_EQ(StartsInFile(dir + "/out_Twice.evt"), std::vector<int>({11000}));
    std::filesystem::remove_all(dir);
}

TEST(BinResultList, PreselectedEventsKeepEveryMarkedEvent)
{
    // Equal events (same name and samples) each stay in the bin's list.
    ecEventList list = MakeList("A B A A", 250.0f);
    list[2] = list[0];
    list[3] = list[0];
    list[3].m_vTags = {"late"};
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list, Doc(Seq(Names("A") + Save("A")))), "");
    results.ResetForPreselection();
    ASSERT_EQ(results.PreselectNextBin(), "A");
    const ecEventList bin = results.PreselectedEvents();
    ASSERT_EQ(bin.size(), 3u);
    EXPECT_EQ(bin[2].m_vTags, std::vector<std::string>({"late"})) << "list order kept";
    EXPECT_EQ(bin.GetUniqueEventNameCnt(), 1);
    EXPECT_EQ(bin.GetSamplingRate(), 250.0f);
    ecBinResultList none;
    EXPECT_EQ(EcErrorOf([&] { none.PreselectedEvents(); }),
              "[ecBinResultList::PreselectedEvents] Technical error (m_pEvents==NULL)");
}

TEST(BinResultList, CutOrGarbledDocumentsRunOrFailCleanly)
{
    ecXml whole;
    ASSERT_TRUE(whole.Read(std::string(ECEVENTS_TEST_DATA) + "/logic/two_sides.xml"));
    const std::string text = whole.GetText();
    ecEventList list = MakeList("Stim1 Stim2 Resp Stim1 EXCLUDE", 500.0f);
    list[0].m_vTags = {"Cond:A"};
    list[1].m_vTags = {"Cond:B"};
    int ran = 0;
    for (std::size_t cut = 0; cut < text.size() + 7; cut += 7) {
        ecBinResultList results;
        if (RunDoc(results, list, text.substr(0, std::min(cut, text.size()))).empty())
            ++ran;
    }
    EXPECT_GE(ran, 1); // the whole document, at least
    for (std::size_t at = 0; at < text.size(); at += 5) {
        std::string garbled = text;
        garbled[at] = at % 2 ? '<' : 'x';
        ecBinResultList results;
        RunDoc(results, list, garbled);
    }
    // Thousands of sequences in one document.
    std::string body;
    for (int k = 0; k < 3000; ++k)
        body += Seq(Op("Names", S(k % 2 ? "Stim1" : "Stim2")) + Op("SaveBin", S("Bin" + std::to_string(k))));
    ecBinResultList results;
    ASSERT_EQ(RunDoc(results, list, Doc(body)), "");
    EXPECT_EQ(results.m_vResultList.size(), 3000u);
    EXPECT_EQ(SavedBin(results, "Bin2999"), Indices({0, 3}));
}

} // namespace
