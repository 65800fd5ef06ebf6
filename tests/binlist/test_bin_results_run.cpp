// A bin list written as a bin-results document and run by the event logic
// over a small recording: the bins that come out are the ones the list
// describes.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResultList.h"
#include "ecutil/ecXml.h"
#include "binlist_test_support.h"

namespace {

using Selection = std::vector<int>;
using Bins = std::map<std::string, Selection>;

ecEvent MakeEvent(const std::string& name, int start, const std::vector<std::string>& tags)
{
    ecEvent e;
    e.m_sName = name;
    e.m_iStart = start;
    e.m_iStop = start;
    e.m_vTags = tags;
    return e;
}

// At 100 samples per second, one event per second, so that no epoch of one
// event reaches the next. The exclusion event lies inside the epochs of the
// last "11" (event 5) and of no other event.
void FillRecording(ecEventList& events)
{
    events.SetSamplingRate(100.0f);
    events.AppendOneEvent(MakeEvent("11", 100, {"Cond:A", "Side:L"}));
    events.AppendOneEvent(MakeEvent("12", 200, {"Cond:B", "Side:L"}));
    events.AppendOneEvent(MakeEvent("11", 300, {"Cond:A", "Side:R"}));
    events.AppendOneEvent(MakeEvent("13", 400, {"Cond:B", "Side:R"}));
    events.AppendOneEvent(MakeEvent("12", 500, {"Cond:A"}));
    events.AppendOneEvent(MakeEvent("11", 600, {}));
    ecEvent exclude = MakeEvent("EXCLUDE", 620, {});
    exclude.m_iStop = 630;
    events.AppendOneEvent(exclude);
}

ecBinList MakeList()
{
    ecBinList list;
    list.sName = "Oddball";
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneEpoch(MakeEpoch("Resp", -0.1f, 0.5f));
    list.AddOneBin(MakeBin("Elevens", "Stim", "EvtNames", {"11"}));
    list.AddOneBin(MakeBin("Twelves", "Resp", "EvtNames", {"12", "99"}));
    list.AddOneBin(MakeBin("CondA", "Resp", "EvtTags", {"Cond:A"}));
    list.AddOneBin(MakeBin("LeftA", "Stim", "EvtTags", {"Cond:A", "Side:L"}));
    list.AddOneBin(MakeBin("Left", "Stim", "EvtTags", {"Side:L"}));
    list.AddOneBin(MakeLogicBin("ElevenAndA", "Elevens", "CondA", "AND"));
    list.AddOneBin(MakeLogicBin("ElevenNotA", "Elevens", "CondA", "ANDNOT"));
    list.AddOneBin(MakeLogicBin("TwelveOrLeft", "Twelves", "Left", "OR"));
    list.AddOneBin(MakeLogicBin("ElevenXorA", "Elevens", "CondA", "XOR"));
    list.AddOneBin(MakeLogicBin("ANotEleven", "CondA", "Elevens", "ANDNOT", "Resp"));
    // The event logic's own names pass through the writer unchanged.
    list.AddOneBin(MakeLogicBin("LeftOrTwelve", "Left", "Twelves", "Or"));
    return list;
}

std::string BinResultsText(ecBinList& list)
{
    std::ostringstream out;
    EXPECT_TRUE(list.WriteXmlBinResults(out));
    return out.str();
}

// Runs the document and walks the bins; each bin's epoch is recorded too.
Bins RunDocument(const std::string& document, ecEventList& events, std::map<std::string, std::string>* epochs = nullptr)
{
    ecXml xml;
    xml.SetText(document);
    ecBinResultList results;
    results.SetpEvents(&events);
    EXPECT_TRUE(results.ReadXml(xml));
    Bins bins;
    results.ResetForPreselection();
    for (std::string id = results.PreselectNextBin(); !id.empty(); id = results.PreselectNextBin()) {
        EXPECT_EQ(bins.count(id), 0u) << id << " saved twice";
        Selection& selected = bins[id];
        for (int i = 0; i < static_cast<int>(events.size()); ++i)
            if (events.GetEvent(i).IsStatusOn())
                selected.push_back(i);
        if (epochs != nullptr)
            (*epochs)[id] = results.GetpEpoch()->sID;
    }
    return bins;
}

} // namespace

TEST(BinResultsRun, EveryCaseAndOperatorWithExclusionOn)
{
    ecEventList events;
    FillRecording(events);
    ecBinList list = MakeList();
    std::map<std::string, std::string> epochs;
    const Bins bins = RunDocument(BinResultsText(list), events, &epochs);

    // Event 5 is the only "11" whose epoch overlaps the exclusion event.
    const Bins expected = {
        {"Elevens", {0, 2}},
        {"Twelves", {1, 4}},
        {"CondA", {0, 2, 4}},
        {"LeftA", {0}},
        {"Left", {0, 1}},
        {"ElevenAndA", {0, 2}},
        {"ElevenNotA", {}},
        {"TwelveOrLeft", {0, 1, 4}},
        {"ElevenXorA", {4}},
        {"ANotEleven", {4}},
        {"LeftOrTwelve", {0, 1, 4}},
    };
    EXPECT_EQ(bins, expected);
    EXPECT_EQ(epochs["Elevens"], "Stim");
    EXPECT_EQ(epochs["Twelves"], "Resp");
    EXPECT_EQ(epochs["ANotEleven"], "Resp");
}

TEST(BinResultsRun, ExclusionOffKeepsEventsNearExcludedData)
{
    ecEventList events;
    FillRecording(events);
    ecBinList list = MakeList();
    list.bExcludeON = false;
    const Bins bins = RunDocument(BinResultsText(list), events);
    ASSERT_EQ(bins.size(), 11u);
    EXPECT_EQ(bins.at("Elevens"), (Selection{0, 2, 5}));
    EXPECT_EQ(bins.at("ElevenAndA"), (Selection{0, 2}));
    EXPECT_EQ(bins.at("ElevenNotA"), (Selection{5}));
    EXPECT_EQ(bins.at("ElevenXorA"), (Selection{4, 5}));
    EXPECT_EQ(bins.at("ANotEleven"), (Selection{4}));
    EXPECT_EQ(bins.at("TwelveOrLeft"), (Selection{0, 1, 4}));
}

TEST(BinResultsRun, ExclusiveOrOfOverlappingAndDisjointBins)
{
    ecEventList events;
    FillRecording(events);
    ecBinList list;
    list.bExcludeON = false;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneBin(MakeBin("Elevens", "Stim", "EvtNames", {"11"}));
    list.AddOneBin(MakeBin("Twelves", "Stim", "EvtNames", {"12"}));
    list.AddOneBin(MakeBin("Lefts", "Stim", "EvtTags", {"Side:L"}));
    list.AddOneBin(MakeLogicBin("Same", "Elevens", "Elevens", "XOR"));
    list.AddOneBin(MakeLogicBin("Apart", "Elevens", "Twelves", "XOR"));
    list.AddOneBin(MakeLogicBin("Crossed", "Lefts", "Elevens", "XOR"));
    const Bins bins = RunDocument(BinResultsText(list), events);
    EXPECT_EQ(bins.at("Same"), Selection{});
    EXPECT_EQ(bins.at("Apart"), (Selection{0, 1, 2, 4, 5}));
    EXPECT_EQ(bins.at("Crossed"), (Selection{1, 2, 5}));
}

TEST(BinResultsRun, StoredBinListRunsTheSame)
{
    ecEventList events;
    FillRecording(events);
    ecBinList list = MakeList();
    const Bins direct = RunDocument(BinResultsText(list), events);

    ecXml stored;
    stored.SetText(Written(list));
    ecBinList reread;
    ASSERT_TRUE(reread.ReadXml(stored));
    EXPECT_EQ(BinResultsText(reread), BinResultsText(list));
    EXPECT_EQ(RunDocument(BinResultsText(reread), events), direct);
}

TEST(BinResultsRun, OperandListedAfterTheLogicBinIsNotYetSaved)
{
    ecEventList events;
    FillRecording(events);
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneBin(MakeLogicBin("Early", "Elevens", "Elevens", "AND"));
    list.AddOneBin(MakeBin("Elevens", "Stim", "EvtNames", {"11"}));

    ecXml xml;
    xml.SetText(BinResultsText(list));
    ecBinResultList results;
    results.SetpEvents(&events);
    EXPECT_EQ(ErrorOf([&] { results.ReadXml(xml); }),
              "[ecBinResultList::GetpResult] Please verify formulas: No result item found with ID = Elevens");
}

TEST(BinResultsRun, ListWithoutEpochsIsRejectedByTheReader)
{
    ecEventList events;
    FillRecording(events);
    ecBinList list;
    ecXml xml;
    xml.SetText(BinResultsText(list));
    ecBinResultList results;
    results.SetpEvents(&events);
    EXPECT_EQ(ErrorOf([&] { results.ReadXml(xml); }),
              "[ecBinResultList::ReadXml] Under <bin_results>, at least one event-related <epoch> must be specified.");
}
