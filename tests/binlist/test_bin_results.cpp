// A bin list written as a bin-results document, and that document run by the
// event logic over a small recording.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "binlist_test_support.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResultList.h"

namespace {

const std::string kExcludeOn = "\t\t<bin_ops>\n\t\t\t<op><id>SetExcludeOn</id></op>\n\t\t</bin_ops>\n\n";

std::string Op(const std::string& id, const std::vector<std::string>& args = {})
{
    std::string line = "\t\t\t<op><id>" + id + "</id>";
    for (const std::string& arg : args)
        line += "<s>" + arg + "</s>";
    return line + "</op>\n";
}

// One bin's sequence.
std::string Block(const std::string& ops)
{
    return "\t\t<bin_ops>\n" + ops + "\t\t</bin_ops>\n\n";
}

} // namespace

TEST(BinResultsWriter, DocumentTexts)
{
    ecBinList list;
    EXPECT_EQ(BinResults(list), "\t<bin_results>\n\n" + kExcludeOn + "\t</bin_results>\n");
    list.bExcludeON = false;
    EXPECT_EQ(BinResults(list), "\t<bin_results>\n\n" + Block(Op("SetExcludeOff")) + "\t</bin_results>\n");
    list.bExcludeON = true;
    ecEventRelatedEpoch stim;
    list.AddOneEpoch(stim);
    list.AddOneBin(MakeLogicBin("C", "A", "B", "OR"));
    list.AddOneBin(NamesBin("A", {"11", "12"}));
    list.vBinList.push_back(MakeBin("Tagged", "Resp", "EvtTags", {"Cond:A", "Side:L"}));
    list.vBinList.push_back(MakeBin("Untagged", "", "EvtTags"));
    // Bins in list order, no check made: not even of an empty epoch name.
    EXPECT_EQ(BinResults(list), "\t<bin_results>\n\t\t" + Written(stim) + "\n" + kExcludeOn +
                                    Block(Op("SetEpoch", {"Stim"}) + Op("GetBin", {"A"}) + Op("GetBin", {"B"}) +
                                          Op("Or") + Op("SaveBin", {"C"})) +
                                    Block(Op("SetEpoch", {"Stim"}) + Op("Names", {"11", "12"}) + Op("SaveBin", {"A"})) +
                                    Block(Op("SetEpoch", {"Resp"}) + Op("Attribs", {"Cond:A", "Side:L"}) +
                                          Op("SaveBin", {"Tagged"})) +
                                    Block(Op("SetEpoch", {""}) + Op("Attribs") + Op("SaveBin", {"Untagged"})) +
                                    "\t</bin_results>\n");
    EXPECT_EQ(list.GetCurSelBin(), -1) << "writing does not validate";

    ecBinList odd;
    odd.vBinList.push_back(MakeBin("Odd", "Stim", "EvtCodes"));
    std::ostringstream out;
    EXPECT_EQ(EcErrorOf([&] { odd.WriteXmlBinResults(out); }), "[ecBinList::WriteXml] Unrecognized case EvtCodes");
    EXPECT_EQ(out.str(), "\t<bin_results>\n\n" + kExcludeOn + "\t\t<bin_ops>\n" + Op("SetEpoch", {"Stim"}));
}

namespace {

using Bins = std::map<std::string, std::vector<int>>;

// At 100 samples per second, one event per second, so that no epoch of one
// event reaches the next. The exclusion event lies inside the epochs of the
// last "11" (event 5) and of no other event.
struct Recording {
    ecEventList events;
    Recording()
    {
        events.SetSamplingRate(100.0f);
        const std::pair<const char*, std::vector<std::string>> rows[] = {
            {"11", {"Cond:A", "Side:L"}}, {"12", {"Cond:B", "Side:L"}}, {"11", {"Cond:A", "Side:R"}},
            {"13", {"Cond:B", "Side:R"}}, {"12", {"Cond:A"}},           {"11", {}}};
        int start = 100;
        for (const auto& [name, tags] : rows) {
            events.AppendOneEvent(MakeEvent(name, start, start, kNoStatus, tags));
            start += 100;
        }
        events.AppendOneEvent(MakeEvent("EXCLUDE", 620, 630, kNoStatus));
    }

    // Runs the list's document and walks the bins; each bin's epoch too.
    Bins Run(ecBinList& list, std::map<std::string, std::string>* epochs = nullptr)
    {
        ecXml xml = XmlOf(BinResults(list));
        ecBinResultList results;
        results.SetpEvents(&events);
        EXPECT_TRUE(results.ReadXml(xml));
        Bins bins;
        results.ResetForPreselection();
        for (std::string id = results.PreselectNextBin(); !id.empty(); id = results.PreselectNextBin()) {
            EXPECT_EQ(bins.count(id), 0u) << id << " saved twice";
            std::vector<int>& selected = bins[id];
            for (int i = 0; i < static_cast<int>(events.size()); ++i)
                if (events.GetEvent(i).IsStatusOn())
                    selected.push_back(i);
            if (epochs != nullptr)
                (*epochs)[id] = results.GetpEpoch()->sID;
        }
        return bins;
    }
};

ecBinList MakeList()
{
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneEpoch(MakeEpoch("Resp", -0.1f, 0.5f));
    list.AddOneBin(NamesBin("Elevens", {"11"}));
    list.AddOneBin(NamesBin("Twelves", {"12", "99"}, "Resp"));
    list.AddOneBin(MakeBin("CondA", "Resp", "EvtTags", {"Cond:A"}));
    list.AddOneBin(MakeBin("LeftA", "Stim", "EvtTags", {"Cond:A", "Side:L"}));
    list.AddOneBin(MakeBin("Left", "Stim", "EvtTags", {"Side:L"}));
    list.AddOneBin(MakeLogicBin("ElevenAndA", "Elevens", "CondA", "AND"));
    list.AddOneBin(MakeLogicBin("ElevenNotA", "Elevens", "CondA", "ANDNOT"));
    list.AddOneBin(MakeLogicBin("TwelveOrLeft", "Twelves", "Left", "OR"));
    list.AddOneBin(MakeLogicBin("ElevenXorA", "Elevens", "CondA", "XOR"));
    list.AddOneBin(MakeLogicBin("ANotEleven", "CondA", "Elevens", "ANDNOT", "Resp"));
    list.AddOneBin(MakeLogicBin("Same", "Elevens", "Elevens", "XOR"));
    list.AddOneBin(MakeLogicBin("Apart", "Elevens", "Twelves", "XOR"));
    // Words other than the four pass through: the event logic's own word works.
    list.AddOneBin(MakeLogicBin("LeftOrTwelve", "Left", "Twelves", "Or"));
    return list;
}

} // namespace

TEST(BinResultsRun, EveryCaseAndOperatorWithExclusionOnAndOff)
{
    Recording recording;
    ecBinList list = MakeList();
    std::map<std::string, std::string> epochs;
    // Event 5 is the only "11" whose epoch overlaps the exclusion event.
    EXPECT_EQ(recording.Run(list, &epochs),
              (Bins{{"Elevens", {0, 2}}, {"Twelves", {1, 4}}, {"CondA", {0, 2, 4}}, {"LeftA", {0}}, {"Left", {0, 1}},
                    {"ElevenAndA", {0, 2}}, {"ElevenNotA", {}}, {"TwelveOrLeft", {0, 1, 4}}, {"ElevenXorA", {4}},
                    {"ANotEleven", {4}}, {"Same", {}}, {"Apart", {0, 1, 2, 4}}, {"LeftOrTwelve", {0, 1, 4}}}));
    EXPECT_EQ(epochs["Twelves"], "Resp");
    EXPECT_EQ(epochs["ANotEleven"], "Resp");
    EXPECT_EQ(epochs["Same"], "Stim");

    list.bExcludeON = false;
    const Bins bins = recording.Run(list);
    EXPECT_EQ(bins.at("Elevens"), (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(bins.at("ElevenNotA"), (std::vector<int>{5}));
    EXPECT_EQ(bins.at("ElevenXorA"), (std::vector<int>{4, 5}));
    EXPECT_EQ(bins.at("Apart"), (std::vector<int>{0, 1, 2, 4, 5}));
    EXPECT_EQ(bins.at("ANotEleven"), (std::vector<int>{4}));

    ecXml stored = XmlOf(Written(list));
    ecBinList reread;
    ASSERT_TRUE(reread.ReadXml(stored));
    EXPECT_EQ(BinResults(reread), BinResults(list));
    EXPECT_EQ(recording.Run(reread), bins) << "a stored bin list runs the same";
}

TEST(BinResultsRun, DocumentsTheReaderRejects)
{
    Recording recording;
    ecBinList early;
    early.AddOneEpoch(MakeEpoch("Stim"));
    early.AddOneBin(MakeLogicBin("Early", "Elevens", "Elevens", "AND"));
    early.AddOneBin(NamesBin("Elevens", {"11"}));
    ecBinList empty;
    const std::pair<ecBinList*, std::string> cases[] = {
        {&early, "[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = Elevens"},
        {&empty, "[ecBinResultList::ReadXml] Under <bin_results>, at least one event-related <epoch> must be specified."},
    };
    for (const auto& [list, message] : cases) {
        ecXml xml = XmlOf(BinResults(*list));
        ecBinResultList results;
        results.SetpEvents(&recording.events);
        EXPECT_EQ(EcErrorOf([&] { results.ReadXml(xml); }), message);
    }
}
