#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"
#include "binlist_test_support.h"

namespace {

ecBinDescription NamesBin(const std::string& name, const std::string& epoch, const std::vector<std::string>& names)
{
    return MakeBin(name, epoch, "EvtNames", names);
}

std::vector<std::string> BinNames(ecBinList& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.GetNumBins(); ++i)
        names.push_back(list.GetBinName(i));
    return names;
}

} // namespace

TEST(BinList, Defaults)
{
    ecBinList list;
    EXPECT_EQ(list.sName, "");
    EXPECT_EQ(list.GetNumBins(), 0);
    EXPECT_EQ(list.GetNumEpochs(), 0);
    EXPECT_EQ(list.GetCurSelBin(), -1);
    EXPECT_EQ(list.GetCurSelEpoch(), -1);
    EXPECT_TRUE(list.bExcludeON);
    EXPECT_EQ(list.GetCurSelBinName(), "");
    EXPECT_EQ(list.GetCurSelEpochName(), "");
}

TEST(BinList, NamesAreUniqueOnInsertion)
{
    ecBinList list;
    EXPECT_FALSE(list.AddOneBin(NamesBin("", "Stim", {"1"})));
    EXPECT_TRUE(list.AddOneBin(NamesBin("Target", "Stim", {"11"})));
    EXPECT_FALSE(list.AddOneBin(NamesBin("Target", "Other", {"12"})));
    ASSERT_EQ(list.GetNumBins(), 1);
    EXPECT_EQ(list.GetBin(0).GetEpochName(), "Stim");
    EXPECT_TRUE(list.BinNameExists(""));
    EXPECT_TRUE(list.BinNameExists("Target"));
    EXPECT_FALSE(list.BinNameExists("target"));

    EXPECT_FALSE(list.AddOneEpoch(MakeEpoch("")));
    EXPECT_TRUE(list.AddOneEpoch(MakeEpoch("Stim")));
    EXPECT_FALSE(list.AddOneEpoch(MakeEpoch("Stim", -1.0f, 1.0f)));
    EXPECT_EQ(list.GetNumEpochs(), 1);
    EXPECT_EQ(list.GetEpochCount(), 1);
    EXPECT_EQ(list.GetEpoch(0).fStart, -0.2f);
    EXPECT_TRUE(list.EpochNameExists(""));
    EXPECT_FALSE(list.EpochNameExists("Resp"));
}

TEST(BinList, DeletionRespectsReferences)
{
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneEpoch(MakeEpoch("Resp"));
    list.AddOneBin(NamesBin("Left", "Resp", {"1"}));
    list.AddOneBin(MakeLogicBin("Both", "Left", "Ghost", "OR"));

    EXPECT_TRUE(list.EpochNameInUse("Resp"));
    EXPECT_FALSE(list.DelOneEpoch("Resp"));
    EXPECT_FALSE(list.DelOneEpoch("Nowhere"));
    EXPECT_TRUE(list.BinNameInUse("Ghost"));
    EXPECT_FALSE(list.DelOneBin("Ghost")) << "an operand name blocks deletion even without such a bin";
    EXPECT_FALSE(list.DelOneBin("Left"));
    EXPECT_FALSE(list.DelOneBin("Missing"));

    EXPECT_TRUE(list.DelOneBin("Both"));
    EXPECT_TRUE(list.DelOneBin("Left"));
    EXPECT_TRUE(list.DelOneEpoch("Resp"));
    EXPECT_EQ(list.GetNumBins(), 0);
    ASSERT_EQ(list.GetNumEpochs(), 1);
    EXPECT_EQ(list.GetEpochName(0), "Stim");
}

TEST(BinList, NamesBinsDoNotBlockTheirNamesAsOperands)
{
    ecBinList list;
    ecBinDescription names = NamesBin("Left", "Stim", {"1"});
    names.SetOpBin1("Right");
    list.AddOneBin(names);
    EXPECT_FALSE(list.BinNameInUse("Right")) << "only logic bins use operands";
}

TEST(BinList, SetEpochReplacesInPlaceOrAppends)
{
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneEpoch(MakeEpoch("Resp"));
    list.SetEpoch(MakeEpoch("Stim", -0.5f, 1.5f));
    ASSERT_EQ(list.GetNumEpochs(), 2);
    EXPECT_EQ(list.GetEpochName(0), "Stim");
    EXPECT_EQ(list.GetEpoch(0).fStop, 1.5f);
    list.SetEpoch(MakeEpoch("Late"));
    ASSERT_EQ(list.GetNumEpochs(), 3);
    EXPECT_EQ(list.GetEpochName(2), "Late");
    list.SetEpoch(MakeEpoch(""));
    EXPECT_EQ(list.GetNumEpochs(), 3);
}

TEST(BinList, LookupsAndTheirErrors)
{
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneEpoch(MakeEpoch("Resp", -0.1f, 0.4f));
    list.AddOneBin(NamesBin("Left", "Resp", {"1"}));
    list.AddOneBin(NamesBin("Lost", "Gone", {"2"}));

    EXPECT_EQ(list.GetEpoch("Resp").fStop, 0.4f);
    EXPECT_EQ(list.GetEpochForBin(0).sID, "Resp");
    EXPECT_EQ(list.GetBinName(2), "");
    EXPECT_EQ(list.GetEpochName(-1), "");

    EXPECT_EQ(ErrorOf([&] { list.GetBin(2); }), "[ecBinList::GetBin]: Index is out of range.");
    EXPECT_EQ(ErrorOf([&] { list.GetBin(-1); }), "[ecBinList::GetBin]: Index is out of range.");
    EXPECT_EQ(ErrorOf([&] { list.GetEpoch(2); }), "[ecBinList::GetBin]: Index is out of range.");
    EXPECT_EQ(ErrorOf([&] { list.GetEpoch(std::string("Nope")); }),
              "[ecBinList::GetEpoch] Nope not found in list of epoch specifications");
    EXPECT_EQ(ErrorOf([&] { list.GetEpochForBin(5); }),
              "[ecBinList::GetEpochForBin] Technical error (bin index out of range)");
    EXPECT_EQ(ErrorOf([&] { list.GetEpochForBin(1); }),
              "[ecBinList::GetEpoch] Gone not found in list of epoch specifications");

    list.SetCurSelBin(1);
    list.SetCurSelEpoch(1);
    EXPECT_EQ(list.GetCurSelBinName(), "Lost");
    EXPECT_EQ(list.GetCurSelEpochName(), "Resp");
}

TEST(BinList, ClearAllKeepsTheExclusionSwitch)
{
    ecBinList list;
    list.sName = "Run";
    list.bExcludeON = false;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneBin(NamesBin("Left", "Stim", {"1"}));
    list.SetCurSelBin(0);
    list.ClearAll();
    EXPECT_EQ(list.sName, "");
    EXPECT_EQ(list.GetNumBins(), 0);
    EXPECT_EQ(list.GetNumEpochs(), 0);
    EXPECT_EQ(list.GetCurSelBin(), -1);
    EXPECT_FALSE(list.bExcludeON);
}

TEST(BinListValidate, EmptyAndMissingParts)
{
    ecBinList list;
    EXPECT_EQ(list.Validate(), "No bins have been specified");
    EXPECT_EQ(list.GetCurSelBin(), -1);

    list.AddOneBin(NamesBin("Left", "Stim", {"1"}));
    list.SetCurSelBin(7);
    EXPECT_EQ(ErrorOf([&] { list.Validate(); }), "[ecBinList::Validate] No epoch specifications are available");
    EXPECT_EQ(list.GetCurSelBin(), 0) << "the bin selection was repaired before the failure";

    list.AddOneEpoch(MakeEpoch("Resp"));
    EXPECT_EQ(ErrorOf([&] { list.Validate(); }), "[ecBinList::Validate] No epoch found with ID = Stim");
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.SetCurSelEpoch(-4);
    EXPECT_EQ(list.Validate(), "");
    EXPECT_EQ(list.GetCurSelEpoch(), 0);
    list.SetCurSelEpoch(1);
    EXPECT_EQ(list.Validate(), "");
    EXPECT_EQ(list.GetCurSelEpoch(), 1);
}

TEST(BinListValidate, DeletingTheSelectedBinIsRepairedLater)
{
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneBin(NamesBin("A", "Stim", {"1"}));
    list.AddOneBin(NamesBin("B", "Stim", {"2"}));
    list.SetCurSelBin(1);
    list.DelOneBin("B");
    EXPECT_EQ(list.GetCurSelBin(), 1);
    EXPECT_EQ(list.GetCurSelBinName(), "");
    list.Validate();
    EXPECT_EQ(list.GetCurSelBin(), 0);
}

TEST(BinListValidate, RenamingPasses)
{
    auto renamed = [](const std::vector<std::string>& names) {
        ecBinList list;
        list.AddOneEpoch(MakeEpoch("Stim"));
        for (const std::string& name : names)
            list.vBinList.push_back(NamesBin(name, "Stim", {"1"}));
        EXPECT_EQ(list.Validate(), "");
        return BinNames(list);
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(renamed({"A", "A", "A"}), (V{"A", "A_1", "A_2"}));
    EXPECT_EQ(renamed({"A", "A", "A_1"}), (V{"A", "A_1", "A_1_1"}));
    // The collision with the first bin appears only after the first pass.
    EXPECT_EQ(renamed({"A_1", "A", "A"}), (V{"A_1", "A", "A_1_1"}));
    EXPECT_EQ(renamed({"A", "B", "A", "B", "A"}), (V{"A", "B", "A_1", "B_1", "A_2"}));
    EXPECT_EQ(renamed({"X", "Y"}), (V{"X", "Y"}));

    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.vBinList.push_back(NamesBin("A", "Stim", {"1"}));
    list.vBinList.push_back(NamesBin("A", "Stim", {"2"}));
    list.vBinList.push_back(MakeLogicBin("C", "A", "A", "AND"));
    list.Validate();
    EXPECT_EQ(list.GetBin(2).GetOpBin2(), "A") << "operands keep the old name";
}

// The renaming as a plain comparison of every pair, pass after pass.
std::vector<std::string> RenamedByPairs(std::vector<std::string> names)
{
    bool changed = true;
    while (changed) {
        changed = false;
        for (std::size_t i = 0; i + 1 < names.size(); ++i) {
            int k = 1;
            for (std::size_t j = i + 1; j < names.size(); ++j) {
                if (names[j] == names[i]) {
                    names[j] = names[i] + "_" + std::to_string(k++);
                    changed = true;
                }
            }
        }
    }
    return names;
}

TEST(BinListValidate, RenamingAgreesWithPairwiseComparison)
{
    const std::vector<std::string> pool = {"A", "A_1", "A_2", "A_1_1", "B", "B_1", "A_1_2"};
    std::mt19937 random(20240611u);
    for (int trial = 0; trial < 500; ++trial) {
        ecBinList list;
        list.AddOneEpoch(MakeEpoch("Stim"));
        std::vector<std::string> names(1 + random() % 14);
        for (std::string& name : names) {
            name = pool[random() % pool.size()];
            list.vBinList.push_back(NamesBin(name, "Stim", {"1"}));
        }
        list.Validate();
        ASSERT_EQ(BinNames(list), RenamedByPairs(names)) << "trial " << trial;
    }
}

TEST(BinListXml, DefaultListText)
{
    ecBinList list;
    EXPECT_EQ(Written(list),
              "<bin_list>\n"
              "\t<bExcludeON>1</bExcludeON>\n"
              "\t<iCurrentSelectedBin>-1</iCurrentSelectedBin>\n"
              "\t<iCurrentSelectedEpoch>-1</iCurrentSelectedEpoch>\n"
              "\t<sName></sName>\n"
              "\t<vBinList>\n"
              "\t</vBinList>\n"
              "\t<vEpochList>\n"
              "\t</vEpochList>\n"
              "</bin_list>\n"
              "\n");
}

TEST(BinListXml, ListWithBinsAndEpochs)
{
    ecBinList list;
    list.sName = "Oddball";
    list.bExcludeON = false;
    ecEventRelatedEpoch stim = MakeEpoch("Stim");
    list.AddOneEpoch(stim);
    list.AddOneBin(NamesBin("Target", "Stim", {"11", "12"}));
    list.vBinList.push_back(NamesBin("Target", "Stim", {"13"}));

    std::ostringstream epochText;
    stim.WriteXml(epochText);
    EXPECT_EQ(Written(list),
              "<bin_list>\n"
              "\t<bExcludeON>0</bExcludeON>\n"
              "\t<iCurrentSelectedBin>0</iCurrentSelectedBin>\n"
              "\t<iCurrentSelectedEpoch>0</iCurrentSelectedEpoch>\n"
              "\t<sName>Oddball</sName>\n"
              "\t<vBinList>\n"
              "\t\t<bin><sBinName>Target</sBinName><sEpochName>Stim</sEpochName><sCase>EvtNames</sCase>"
              "<vEvtNames><name>11</name><name>12</name></vEvtNames></bin>\n"
              "\t\t<bin><sBinName>Target_1</sBinName><sEpochName>Stim</sEpochName><sCase>EvtNames</sCase>"
              "<vEvtNames><name>13</name></vEvtNames></bin>\n"
              "\t</vBinList>\n"
              "\t<vEpochList>\n" +
                  epochText.str() +
                  "\t</vEpochList>\n"
                  "</bin_list>\n"
                  "\n");
    EXPECT_EQ(list.GetBinName(1), "Target_1") << "the repairs of Validate stay";
}

TEST(BinListXml, WritingAListWithAMissingEpochWritesNothing)
{
    ecBinList list;
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneBin(NamesBin("Left", "Resp", {"1"}));
    std::ostringstream out;
    EXPECT_EQ(ErrorOf([&] { list.WriteXml(out); }), "[ecBinList::Validate] No epoch found with ID = Resp");
    EXPECT_EQ(out.str(), "");
}

TEST(BinListXml, RoundTrip)
{
    ecBinList list;
    list.sName = "Run 1";
    list.bExcludeON = false;
    ecEventRelatedEpoch resp = MakeEpoch("Resp", -0.5f, 0.3f);
    resp.bApplyMagnitudeLimit = true;
    resp.vChannels = {"EEG 001"};
    list.AddOneEpoch(MakeEpoch("Stim"));
    list.AddOneEpoch(resp);
    list.AddOneBin(NamesBin("Left", "Stim", {"1", "2"}));
    ecBinDescription tags;
    tags.SetBinName("Tagged");
    std::string respEpoch = "Resp";
    tags.SetEpochName(respEpoch);
    tags.SetCase("EvtTags");
    tags.AddOneTag("Cond:A");
    list.AddOneBin(tags);
    list.AddOneBin(MakeLogicBin("Both", "Left", "Tagged", "XOR"));
    list.SetCurSelBin(2);
    list.SetCurSelEpoch(1);

    ecXml xml;
    xml.SetText(Written(list));
    ecBinList read;
    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(read.sName, "Run 1");
    EXPECT_FALSE(read.bExcludeON);
    EXPECT_EQ(read.GetCurSelBin(), 2);
    EXPECT_EQ(read.GetCurSelEpoch(), 1);
    ASSERT_EQ(read.GetNumBins(), 3);
    EXPECT_EQ(read.GetBin(0).GetEvtName(1), "2");
    EXPECT_EQ(read.GetBin(1).GetEvtTag(0), "Cond:A");
    EXPECT_EQ(read.GetBin(1).GetEpochName(), "Resp");
    EXPECT_EQ(read.GetBin(2).GetOperator(), "XOR");
    EXPECT_EQ(read.GetBin(2).GetOpBin2(), "Tagged");
    ASSERT_EQ(read.GetNumEpochs(), 2);
    EXPECT_EQ(read.GetEpoch(1).fStart, -0.5f);
    EXPECT_EQ(read.GetEpoch(1).vChannels, std::vector<std::string>{"EEG 001"});
    // One working record: the tags bin carries the names of the bin before it.
    EXPECT_EQ(read.GetBin(1).GetNumEvtNames(), 2);
}

TEST(BinListXml, ReadingRepairsAndFailures)
{
    ecBinList list;
    ecXml none;
    none.SetText("<bin_results></bin_results>");
    EXPECT_EQ(ErrorOf([&] { list.ReadXml(none); }), "[ecBinList::ReadXml] <bin_list> section not found");

    const std::string bins = "<vBinList>"
                             "<bin><sBinName>A</sBinName><sEpochName>Stim</sEpochName><sCase>EvtNames</sCase>"
                             "<vEvtNames><name>1</name></vEvtNames></bin>"
                             "<bin><sBinName>A</sBinName><sEpochName>Stim</sEpochName><sCase>EvtNames</sCase>"
                             "<vEvtNames><name>2</name></vEvtNames></bin>"
                             "</vBinList>";
    ecXml noEpochs;
    noEpochs.SetText("<bin_list><bExcludeON>1</bExcludeON><iCurrentSelectedBin>5</iCurrentSelectedBin>"
                     "<sName>N</sName>" + bins + "</bin_list>");
    EXPECT_EQ(ErrorOf([&] { list.ReadXml(noEpochs); }), "[ecBinList::Validate] No epoch specifications are available");
    EXPECT_EQ(list.GetNumBins(), 2) << "what was read stays";
    EXPECT_EQ(list.sName, "N");

    ecXml twice;
    twice.SetText("<bin_list><sName>N</sName>" + bins +
                  "<vEpochList><epoch><sID>Stim</sID><fStart>-0.1</fStart><fStop>0.4</fStop></epoch>"
                  "<epoch><sID>Stim</sID><fStart>-0.3</fStart><fStop>0.6</fStop></epoch></vEpochList></bin_list>");
    ASSERT_TRUE(list.ReadXml(twice));
    EXPECT_EQ(BinNames(list), (std::vector<std::string>{"A", "A_1"}));
    ASSERT_EQ(list.GetNumEpochs(), 2) << "duplicate epoch names are kept";
    EXPECT_EQ(list.GetEpoch(1).fStart, -0.3f);
    EXPECT_FALSE(list.bExcludeON) << "absent elements read as the reader's defaults";
    EXPECT_EQ(list.GetCurSelBin(), 0);
    EXPECT_EQ(list.GetCurSelEpoch(), 0);
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
    EXPECT_EQ(BinNames(list), (std::vector<std::string>{"Standard", "Deviant", "LeftHits", "Mismatch"}));
    EXPECT_EQ(list.GetBin(1).GetEvtName(1), "3");
    EXPECT_EQ(list.GetBin(2).GetFactor(1), "Score");
    EXPECT_EQ(list.GetBin(2).GetValue(1), "Hit");
    EXPECT_TRUE(list.GetBin(3).IsValidBin());

    ecEventRelatedEpoch stim = list.GetEpochForBin(0);
    EXPECT_EQ(stim.fStart, -0.1f);
    EXPECT_EQ(stim.vChannels, (std::vector<std::string>{"Fz", "Cz"}));
    EXPECT_EQ(stim.fThresholdStop, 0.5f);
    EXPECT_EQ(stim.fDetrendStart, -0.1f);

    ecEventRelatedEpoch resp = list.GetEpoch(std::string("Resp"));
    EXPECT_EQ(resp.sFilteringIntervalOption, "CustomIOF");
    EXPECT_EQ(resp.fStartIOF, -1.0f);
    EXPECT_EQ(resp.iPolynomialOrder, 1);
    EXPECT_EQ(resp.fDetrendStop, -0.3f);
    EXPECT_EQ(resp.fCov_Time_Start, -0.4f);
    EXPECT_EQ(resp.vChannels, (std::vector<std::string>{"Fz", "Cz"}))
        << "one working epoch: the channels of the epoch before stay";
}
