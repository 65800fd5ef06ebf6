#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "binlist_test_support.h"

using Names = std::vector<std::string>;

TEST(BinDescription, AccessAndValidity)
{
    ecBinDescription bin = MakeBin("T", "Stim", "EvtTags", {"Cond:A", "Cond", "a:b:c", "Side:"});
    bin.AddOneName("11");
    bin.AddOneName("11");
    EXPECT_EQ(bin.GetNumEvtNames(), 2) << "duplicates are appended";
    const std::pair<std::string, std::string> fields[] = {{"Cond", "A"}, {"", ""}, {"", ""}, {"Side", ""}, {"", ""}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(bin.GetFactor(i), fields[i].first) << i;
        EXPECT_EQ(bin.GetValue(i), fields[i].second) << i;
    }
    EXPECT_EQ(bin.GetEvtName(2), "");
    EXPECT_EQ(bin.GetEvtTag(-1), "");
    EXPECT_TRUE(bin.IsValidBin());
    bin.SetBinName("");
    EXPECT_FALSE(bin.IsValidBin());
    EXPECT_FALSE(MakeBin("T", "Stim", "EvtTags").IsValidBin());
    EXPECT_FALSE(NamesBin("T", {"1"}, "").IsValidBin());
    EXPECT_FALSE(MakeBin("T", "Stim", "EvtCodes", {"1"}).IsValidBin());
    for (const char* word : {"AND", "ANDNOT", "OR", "XOR"})
        EXPECT_TRUE(MakeLogicBin("C", "A", "B", word).IsValidBin()) << word;
    for (const char* word : {"And", "NOT", "", "XOR "})
        EXPECT_FALSE(MakeLogicBin("C", "A", "B", word).IsValidBin()) << word;
    EXPECT_FALSE(MakeLogicBin("C", "A", "", "AND").IsValidBin());
    bin.ClearAll();
    EXPECT_EQ(bin.GetCase(), "EvtNames");
    EXPECT_EQ(bin.GetNumEvtTags(), 0);
}

TEST(BinDescription, WrittenLinesAndReading)
{
    const std::string head = "\t\t<bin><sBinName>B</sBinName><sEpochName>Stim</sEpochName><sCase>";
    ecBinDescription names = MakeBin("B", "Stim", "EvtNames", {"11", "S 12"});
    names.AddOneTag("ignored:x");
    ecBinDescription tags = MakeBin("B", "Stim", "EvtTags", {"Cond:A", "Side:L"});
    ecBinDescription empty = MakeBin("B", "Stim", "EvtTags");
    ecBinDescription logic = MakeLogicBin("B", "Left", "Right", "XOR");
    EXPECT_EQ(Written(names), head + "EvtNames</sCase><vEvtNames><name>11</name><name>S 12</name></vEvtNames></bin>\n");
    EXPECT_EQ(Written(tags), head + "EvtTags</sCase><vEvtTags><tag>Cond:A</tag><tag>Side:L</tag></vEvtTags></bin>\n");
    EXPECT_EQ(Written(empty), head + "EvtTags</sCase><vEvtTags></vEvtTags></bin>\n");
    EXPECT_EQ(Written(logic), head + "EvtLogic</sCase><sBin1>Left</sBin1><sBin2>Right</sBin2>"
                                     "<sOperator>XOR</sOperator></bin>\n");
    ecBinDescription odd = MakeBin("B", "Stim", "EvtCodes");
    std::ostringstream out;
    EXPECT_EQ(EcErrorOf([&] { odd.WriteXml(out); }), "[ecBinDescription::WriteXml] Unrecognised case = EvtCodes");
    EXPECT_EQ(out.str(), head + "EvtCodes</sCase>");

    // One working record: successive reads take successive bins and clear
    // only the list of the case read; an empty entry ends a list.
    ecXml xml = XmlOf("<vBinList>" + Written(names) + Written(logic) + head +
                         "EvtTags</sCase><vEvtTags><tag>F:1</tag><tag></tag><tag>G:2</tag></vEvtTags></bin>" + head +
                         "Codes</sCase></bin></vBinList>");
    ecBinDescription read;
    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(read.GetEvtName(1), "S 12");
    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(read.GetOpBin1(), "Left");
    EXPECT_EQ(read.GetOperator(), "XOR");
    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(read.GetNumEvtTags(), 1);
    EXPECT_EQ(read.GetNumEvtNames(), 2) << "earlier names stay";
    EXPECT_EQ(EcErrorOf([&] { read.ReadXml(xml); }), "[ecBinDescription::ReadXml] Unrecognised case = Codes");
    EXPECT_EQ(read.GetCase(), "Codes") << "what was read stays";
    EXPECT_FALSE(read.ReadXml(xml));
    EXPECT_EQ(read.GetBinName(), "B");
    ecXml noCase = XmlOf("<bin><sEpochName>E</sEpochName></bin>");
    EXPECT_EQ(EcErrorOf([&] { read.ReadXml(noCase); }), "[ecBinDescription::ReadXml] Unrecognised case = ");
    EXPECT_EQ(read.GetBinName(), "") << "a missing element reads as empty";
}

TEST(BinList, UniqueNamesReferencesAndLookups)
{
    ecBinList list;
    EXPECT_FALSE(list.AddOneBin(NamesBin("")));
    EXPECT_TRUE(list.AddOneBin(NamesBin("Left", {"1"}, "Resp")));
    EXPECT_FALSE(list.AddOneBin(NamesBin("Left")));
    EXPECT_FALSE(list.AddOneEpoch(MakeEpoch("")));
    EXPECT_TRUE(list.AddOneEpoch(MakeEpoch("Stim")));
    EXPECT_TRUE(list.AddOneEpoch(MakeEpoch("Resp", -0.1f, 0.4f)));
    EXPECT_FALSE(list.AddOneEpoch(MakeEpoch("Stim", -1.0f, 1.0f)));
    list.SetEpoch(MakeEpoch("Stim", -0.5f, 1.5f));
    list.SetEpoch(MakeEpoch("Late"));
    list.SetEpoch(MakeEpoch(""));
    ASSERT_EQ(list.GetNumEpochs(), 3);
    EXPECT_EQ(list.GetEpoch(0).fStop, 1.5f) << "replaced in place";
    list.AddOneBin(MakeLogicBin("Both", "Left", "Ghost", "OR"));
    ecBinDescription names = NamesBin("Lost", {"2"}, "Gone");
    names.SetOpBin1("Right");
    list.AddOneBin(names);
    EXPECT_FALSE(list.BinNameInUse("Right")) << "only logic bins use operands";

    EXPECT_FALSE(list.DelOneBin("Ghost")) << "an operand name blocks deletion even without such a bin";
    EXPECT_FALSE(list.DelOneBin("Left"));
    EXPECT_FALSE(list.DelOneBin("Missing"));
    EXPECT_FALSE(list.DelOneEpoch("Resp"));
    EXPECT_FALSE(list.DelOneEpoch("Nowhere"));
    EXPECT_TRUE(list.DelOneEpoch("Late"));

    EXPECT_EQ(list.GetEpochForBin(0).fStop, 0.4f);
    EXPECT_EQ(list.GetBinName(3), "");
    const std::string range = "[ecBinList::GetBin]: Index is out of range.";
    EXPECT_EQ(EcErrorOf([&] { list.GetBin(3); }), range);
    EXPECT_EQ(EcErrorOf([&] { list.GetBin(-1); }), range);
    EXPECT_EQ(EcErrorOf([&] { list.GetEpoch(2); }), range);
    EXPECT_EQ(EcErrorOf([&] { list.GetEpoch(std::string("Nope")); }),
              "[ecBinList::GetEpoch] Nope not found in list of epoch specifications");
    EXPECT_EQ(EcErrorOf([&] { list.GetEpochForBin(5); }),
              "[ecBinList::GetEpochForBin] Technical error (bin index out of range)");
    EXPECT_EQ(EcErrorOf([&] { list.GetEpochForBin(2); }),
              "[ecBinList::GetEpoch] Gone not found in list of epoch specifications");

    list.bExcludeON = false;
    list.ClearAll();
    EXPECT_EQ(list.GetNumBins() + list.GetNumEpochs(), 0);
    EXPECT_FALSE(list.bExcludeON) << "the exclusion switch stays";
}

TEST(BinListValidate, RepairsAndFailures)
{
    ecBinList list;
    EXPECT_EQ(list.Validate(), "No bins have been specified");
    list.AddOneBin(NamesBin("A"));
    list.AddOneBin(NamesBin("B"));
    list.SetCurSelBin(1);
    list.DelOneBin("B");
    EXPECT_EQ(list.GetCurSelBinName(), "");
    EXPECT_EQ(EcErrorOf([&] { list.Validate(); }), "[ecBinList::Validate] No epoch specifications are available");
    EXPECT_EQ(list.GetCurSelBin(), 0) << "the bin selection was repaired before the failure";
    list.AddOneEpoch(MakeEpoch("Resp"));
    EXPECT_EQ(EcErrorOf([&] { list.Validate(); }), "[ecBinList::Validate] No epoch found with ID = Stim");
    std::ostringstream out;
    EXPECT_EQ(EcErrorOf([&] { list.WriteXml(out); }), "[ecBinList::Validate] No epoch found with ID = Stim");
    EXPECT_EQ(out.str(), "") << "a list that fails validation writes nothing";
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.SetCurSelEpoch(-4);
    EXPECT_EQ(list.Validate(), "");
    EXPECT_EQ(list.GetCurSelEpoch(), 0);
    list.SetCurSelEpoch(1);
    EXPECT_EQ(list.Validate(), "");
    EXPECT_EQ(list.GetCurSelEpochName(), "Stim");
}

namespace {

Names Renamed(const Names& names)
{
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    for (const std::string& name : names)
        list.vBinList.push_back(NamesBin(name));
    list.vBinList.push_back(MakeLogicBin("Op", names[0], names[0], "AND"));
    EXPECT_EQ(list.Validate(), "");
    EXPECT_EQ(list.GetBin(list.GetNumBins() - 1).GetOpBin2(), names[0]) << "operands keep the old name";
    Names out = BinNames(list);
    out.pop_back();
    return out;
}

// The renaming as a plain comparison of every pair, pass after pass.
Names RenamedByPairs(Names names)
{
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i + 1 < names.size(); ++i) {
            int k = 1;
            for (std::size_t j = i + 1; j < names.size(); ++j)
                if (names[j] == names[i]) {
                    names[j] = names[i] + "_" + std::to_string(k++);
                    changed = true;
                }
        }
    }
    return names;
}

} // namespace

TEST(BinListValidate, RenamingPasses)
{
    EXPECT_EQ(Renamed({"A", "A", "A"}), (Names{"A", "A_1", "A_2"}));
    EXPECT_EQ(Renamed({"A", "A", "A_1"}), (Names{"A", "A_1", "A_1_1"}));
    // The collision with the first bin appears only after the first pass.
    EXPECT_EQ(Renamed({"A_1", "A", "A"}), (Names{"A_1", "A", "A_1_1"}));
    EXPECT_EQ(Renamed({"A", "B", "A", "B", "A"}), (Names{"A", "B", "A_1", "B_1", "A_2"}));

    const Names pool = {"A", "A_1", "A_2", "A_1_1", "B", "B_1", "A_1_2"};
    std::mt19937 random(20240611u);
    for (int trial = 0; trial < 500; ++trial) {
        Names names(1 + random() % 14);
        for (std::string& name : names)
            name = pool[random() % pool.size()];
        ASSERT_EQ(Renamed(names), RenamedByPairs(names)) << "trial " << trial;
    }
}

TEST(BinListXml, DocumentTextsAndRoundTrip)
{
    ecBinList list;
    const std::string tail = "\t</vBinList>\n\t<vEpochList>\n";
    EXPECT_EQ(Written(list), "<bin_list>\n\t<bExcludeON>1</bExcludeON>\n\t<iCurrentSelectedBin>-1</iCurrentSelectedBin>\n"
                             "\t<iCurrentSelectedEpoch>-1</iCurrentSelectedEpoch>\n\t<sName></sName>\n\t<vBinList>\n" +
                                 tail + "\t</vEpochList>\n</bin_list>\n\n");
    list.sName = "Run & 1";
    list.bExcludeON = false;
    ecEventRelatedEpoch resp = MakeEpoch("Resp", -0.5f, 0.3f);
    resp.bApplyMagnitudeLimit = true;
    resp.vChannels = {"EEG 001"};
    resp.fThresholdStart = -0.5f;
    resp.fThresholdStop = 0.3f;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneEpoch(resp);
    list.AddOneBin(NamesBin("Left", {"11", "12"}));
    list.vBinList.push_back(MakeBin("Left", "Resp", "EvtTags", {"Cond:A"}));
    list.AddOneBin(MakeLogicBin("Both", "Left", "Left_1", "XOR"));
    list.SetCurSelBin(2);
    list.SetCurSelEpoch(1);
    const std::string text = Written(list);
    ecEventRelatedEpoch stim = list.GetEpoch(0);
    EXPECT_EQ(text, "<bin_list>\n\t<bExcludeON>0</bExcludeON>\n\t<iCurrentSelectedBin>2</iCurrentSelectedBin>\n"
                    "\t<iCurrentSelectedEpoch>1</iCurrentSelectedEpoch>\n\t<sName>Run & 1</sName>\n\t<vBinList>\n" +
                        Written(list.vBinList[0]) + Written(list.vBinList[1]) + Written(list.vBinList[2]) + tail +
                        Written(stim) + Written(resp) + "\t</vEpochList>\n</bin_list>\n\n");
    EXPECT_EQ(list.GetBinName(1), "Left_1") << "the repairs of Validate stay";

    ecXml xml = XmlOf(text);
    ecBinList read;
    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(Written(read), text);
    // One working record: the tags bin carries the names of the bin before it.
    EXPECT_EQ(read.GetBin(1).GetNumEvtNames(), 2);
}

TEST(BinListXml, ReadingRepairsAndFailures)
{
    ecBinList list;
    ecXml none = XmlOf("<bin_results></bin_results>");
    EXPECT_EQ(EcErrorOf([&] { list.ReadXml(none); }), "[ecBinList::ReadXml] <bin_list> section not found");
    ecBinDescription a = NamesBin("A");
    const std::string head = "<bin_list><iCurrentSelectedBin>5</iCurrentSelectedBin><sName>N</sName><vBinList>" +
                             Written(a) + Written(a) + "</vBinList>";
    ecXml noEpochs = XmlOf(head + "</bin_list>");
    EXPECT_EQ(EcErrorOf([&] { list.ReadXml(noEpochs); }), "[ecBinList::Validate] No epoch specifications are available");
    EXPECT_EQ(list.GetNumBins(), 2) << "what was read stays";
    EXPECT_EQ(list.sName, "N");
    ecXml twice = XmlOf(head + "<vEpochList><epoch><sID>Stim</sID><fStart>-0.1</fStart><fStop>0.4</fStop></epoch>"
                                  "<epoch><sID>Stim</sID><fStart>-0.3</fStart><fStop>0.6</fStop></epoch></vEpochList></bin_list>");
    list.bExcludeON = true;
    ASSERT_TRUE(list.ReadXml(twice));
    EXPECT_EQ(BinNames(list), (Names{"A", "A_1"}));
    ASSERT_EQ(list.GetNumEpochs(), 2) << "duplicate epoch names are kept";
    EXPECT_EQ(list.GetEpoch(1).fStart, -0.3f);
    EXPECT_FALSE(list.bExcludeON) << "absent elements read as the reader's defaults";
    EXPECT_EQ(list.GetCurSelBin(), 0);
}

TEST(BinListXml, ReadsAStoredDocument)
{
    ecXml xml;
    ASSERT_TRUE(xml.Read(std::string(ECEVENTS_TEST_DATA) + "/binlist/oddball.xml"));
    ecBinList list;
    ASSERT_TRUE(list.ReadXml(xml));
    EXPECT_FALSE(list.bExcludeON);
    EXPECT_EQ(list.sName, "Oddball & novelty");
    EXPECT_EQ(list.GetCurSelBin(), 3);
    EXPECT_EQ(list.GetCurSelEpoch(), 0) << "an index beyond the epochs is repaired";
    EXPECT_EQ(BinNames(list), (Names{"Standard", "Deviant", "LeftHits", "Mismatch"}));
    EXPECT_EQ(list.GetBin(1).GetEvtName(1), "3");
    EXPECT_EQ(list.GetBin(2).GetValue(1), "Hit");
    EXPECT_TRUE(list.GetBin(3).IsValidBin());
    ecEventRelatedEpoch stim = list.GetEpochForBin(0);
    EXPECT_EQ(stim.vChannels, (Names{"Fz", "Cz"}));
    EXPECT_EQ(stim.fThresholdStop, 0.5f);
    ecEventRelatedEpoch resp = list.GetEpoch(std::string("Resp"));
    EXPECT_EQ(resp.fStartIOF, -1.0f);
    EXPECT_EQ(resp.iPolynomialOrder, 1);
    EXPECT_EQ(resp.fDetrendStop, -0.3f);
    EXPECT_EQ(resp.fCov_Time_Start, -0.4f);
    EXPECT_EQ(resp.vChannels, (Names{"Fz", "Cz"})) << "one working epoch: the channels of the epoch before stay";
}
