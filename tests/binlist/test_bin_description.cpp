#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ecevents/binlist/ecBinDescription.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"
#include "binlist_test_support.h"

namespace {

ecBinDescription LogicBin(const std::string& word)
{
    return MakeLogicBin("Both", "Left", "Right", word);
}

bool ReadFrom(ecBinDescription& bin, const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return bin.ReadXml(xml);
}

} // namespace

TEST(BinDescription, NewRecordIsAnEmptyNamesBin)
{
    ecBinDescription bin;
    EXPECT_EQ(bin.GetCase(), "EvtNames");
    EXPECT_EQ(bin.GetNumEvtNames(), 0);
    EXPECT_EQ(bin.GetNumEvtTags(), 0);
    EXPECT_EQ(bin.GetBinName(), "");
    EXPECT_FALSE(bin.IsValidBin());

    ecBinDescription logic = LogicBin("OR");
    logic.AddOneName("11");
    logic.ClearAll();
    EXPECT_EQ(logic.GetCase(), "EvtNames");
    EXPECT_EQ(logic.GetOpBin1(), "");
    EXPECT_EQ(logic.GetOperator(), "");
    EXPECT_EQ(logic.GetNumEvtNames(), 0);
}

TEST(BinDescription, ListsAndIndexAccess)
{
    ecBinDescription bin;
    bin.AddOneName("11");
    bin.AddOneName("11");
    bin.AddOneTag("Cond:A");
    EXPECT_EQ(bin.GetNumEvtNames(), 2) << "duplicates are appended";
    EXPECT_EQ(bin.GetEvtName(1), "11");
    EXPECT_EQ(bin.GetEvtName(2), "");
    EXPECT_EQ(bin.GetEvtName(-1), "");
    EXPECT_EQ(bin.GetEvtTag(0), "Cond:A");
    EXPECT_EQ(bin.GetEvtTag(1), "");
}

TEST(BinDescription, FactorAndValue)
{
    ecBinDescription bin;
    bin.AddOneTag("Cond:A");
    bin.AddOneTag("Cond");
    bin.AddOneTag("a:b:c");
    bin.AddOneTag("Side:");
    EXPECT_EQ(bin.GetFactor(0), "Cond");
    EXPECT_EQ(bin.GetValue(0), "A");
    EXPECT_EQ(bin.GetFactor(1), "");
    EXPECT_EQ(bin.GetValue(1), "");
    EXPECT_EQ(bin.GetFactor(2), "");
    EXPECT_EQ(bin.GetValue(2), "");
    EXPECT_EQ(bin.GetFactor(3), "Side") << "an empty value is still a second field";
    EXPECT_EQ(bin.GetValue(3), "");
    EXPECT_EQ(bin.GetFactor(4), "");
    EXPECT_EQ(bin.GetValue(-1), "");
}

TEST(BinDescription, Validity)
{
    ecBinDescription names = MakeBin("Target", "Stim", "EvtNames");
    EXPECT_FALSE(names.IsValidBin());
    names.AddOneName("11");
    EXPECT_TRUE(names.IsValidBin());
    std::string noEpoch;
    names.SetEpochName(noEpoch);
    EXPECT_FALSE(names.IsValidBin());

    ecBinDescription tags = MakeBin("Tagged", "Stim", "EvtTags");
    tags.AddOneName("11");
    EXPECT_FALSE(tags.IsValidBin()) << "names do not count for a tags bin";
    tags.AddOneTag("Cond:A");
    EXPECT_TRUE(tags.IsValidBin());
    tags.SetBinName("");
    EXPECT_FALSE(tags.IsValidBin());

    for (const char* word : {"AND", "ANDNOT", "OR", "XOR"})
        EXPECT_TRUE(LogicBin(word).IsValidBin()) << word;
    for (const char* word : {"And", "and", "NOT", "", "XOR "})
        EXPECT_FALSE(LogicBin(word).IsValidBin()) << word;
    ecBinDescription missingOperand = LogicBin("AND");
    missingOperand.SetOpBin2("");
    EXPECT_FALSE(missingOperand.IsValidBin());

    ecBinDescription odd = MakeBin("Odd", "Stim", "EvtCodes");
    odd.AddOneName("11");
    EXPECT_FALSE(odd.IsValidBin());
}

TEST(BinDescriptionXml, WritesOneLinePerCase)
{
    ecBinDescription names = MakeBin("Target", "Stim", "EvtNames");
    names.AddOneName("11");
    names.AddOneName("12");
    names.AddOneTag("ignored:x");
    EXPECT_EQ(Written(names),
              "\t\t<bin><sBinName>Target</sBinName><sEpochName>Stim</sEpochName><sCase>EvtNames</sCase>"
              "<vEvtNames><name>11</name><name>12</name></vEvtNames></bin>\n");

    ecBinDescription tags = MakeBin("Tagged", "Resp", "EvtTags");
    tags.AddOneTag("Cond:A");
    tags.AddOneTag("Side:L");
    EXPECT_EQ(Written(tags),
              "\t\t<bin><sBinName>Tagged</sBinName><sEpochName>Resp</sEpochName><sCase>EvtTags</sCase>"
              "<vEvtTags><tag>Cond:A</tag><tag>Side:L</tag></vEvtTags></bin>\n");

    ecBinDescription empty = MakeBin("None", "Stim", "EvtTags");
    EXPECT_EQ(Written(empty),
              "\t\t<bin><sBinName>None</sBinName><sEpochName>Stim</sEpochName><sCase>EvtTags</sCase>"
              "<vEvtTags></vEvtTags></bin>\n");

    ecBinDescription logic = LogicBin("XOR");
    EXPECT_EQ(Written(logic),
              "\t\t<bin><sBinName>Both</sBinName><sEpochName>Stim</sEpochName><sCase>EvtLogic</sCase>"
              "<sBin1>Left</sBin1><sBin2>Right</sBin2><sOperator>XOR</sOperator></bin>\n");
}

TEST(BinDescriptionXml, WritingAnUnknownCaseThrowsAfterTheCase)
{
    ecBinDescription bin = MakeBin("X", "Stim", "EvtCodes");
    std::ostringstream out;
    try {
        bin.WriteXml(out);
        FAIL() << "expected an error";
    } catch (const ecError& e) {
        EXPECT_STREQ(e.what(), "[ecBinDescription::WriteXml] Unrecognised case = EvtCodes");
    }
    EXPECT_EQ(out.str(), "\t\t<bin><sBinName>X</sBinName><sEpochName>Stim</sEpochName><sCase>EvtCodes</sCase>");
}

TEST(BinDescriptionXml, RoundTripOfEachCase)
{
    ecBinDescription names = MakeBin("Target", "Stim", "EvtNames");
    names.AddOneName("11");
    names.AddOneName("S 12");
    ecBinDescription tags = MakeBin("Tagged", "Resp", "EvtTags");
    tags.AddOneTag("Cond:A");
    ecBinDescription logic = LogicBin("ANDNOT");

    ecXml xml;
    xml.SetText("<vBinList>" + Written(names) + Written(tags) + Written(logic) + "</vBinList>");
    ecBinDescription read;
    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(read.GetBinName(), "Target");
    EXPECT_EQ(read.GetCase(), "EvtNames");
    EXPECT_EQ(read.GetNumEvtNames(), 2);
    EXPECT_EQ(read.GetEvtName(1), "S 12");

    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(read.GetBinName(), "Tagged");
    EXPECT_EQ(read.GetEpochName(), "Resp");
    EXPECT_EQ(read.GetCase(), "EvtTags");
    EXPECT_EQ(read.GetNumEvtTags(), 1);
    EXPECT_EQ(read.GetEvtTag(0), "Cond:A");
    EXPECT_EQ(read.GetNumEvtNames(), 2) << "the record is not cleared: earlier names stay";

    ASSERT_TRUE(read.ReadXml(xml));
    EXPECT_EQ(read.GetCase(), "EvtLogic");
    EXPECT_EQ(read.GetOpBin1(), "Left");
    EXPECT_EQ(read.GetOpBin2(), "Right");
    EXPECT_EQ(read.GetOperator(), "ANDNOT");
    EXPECT_TRUE(read.IsValidBin());

    EXPECT_FALSE(read.ReadXml(xml));
    EXPECT_EQ(read.GetBinName(), "Both");
}

TEST(BinDescriptionXml, AnEmptyEntryEndsTheList)
{
    ecBinDescription bin;
    ASSERT_TRUE(ReadFrom(bin, "<bin><sBinName>B</sBinName><sEpochName>E</sEpochName><sCase>EvtTags</sCase>"
                              "<vEvtTags><tag>F:1</tag><tag></tag><tag>G:2</tag></vEvtTags></bin>"));
    ASSERT_EQ(bin.GetNumEvtTags(), 1);
    EXPECT_EQ(bin.GetEvtTag(0), "F:1");

    ASSERT_TRUE(ReadFrom(bin, "<bin><sBinName>B</sBinName><sEpochName>E</sEpochName><sCase>EvtNames</sCase>"
                              "</bin>"));
    EXPECT_EQ(bin.GetNumEvtNames(), 0) << "the list of the case read is emptied even without its element";
    EXPECT_EQ(bin.GetNumEvtTags(), 1);
}

TEST(BinDescriptionXml, ReadingAnUnknownCaseThrowsAndKeepsWhatWasRead)
{
    ecBinDescription bin;
    bin.AddOneName("11");
    try {
        ReadFrom(bin, "<bin><sBinName>B</sBinName><sEpochName>E</sEpochName><sCase>Codes</sCase></bin>");
        FAIL() << "expected an error";
    } catch (const ecError& e) {
        EXPECT_STREQ(e.what(), "[ecBinDescription::ReadXml] Unrecognised case = Codes");
    }
    EXPECT_EQ(bin.GetBinName(), "B");
    EXPECT_EQ(bin.GetEpochName(), "E");
    EXPECT_EQ(bin.GetCase(), "Codes");
    EXPECT_EQ(bin.GetNumEvtNames(), 1);

    try {
        ReadFrom(bin, "<bin><sEpochName>E</sEpochName></bin>");
        FAIL() << "expected an error";
    } catch (const ecError& e) {
        EXPECT_STREQ(e.what(), "[ecBinDescription::ReadXml] Unrecognised case = ");
    }
    EXPECT_EQ(bin.GetBinName(), "") << "a missing element reads as empty";
}

TEST(BinDescriptionXml, NoBinElement)
{
    ecBinDescription bin = LogicBin("OR");
    EXPECT_FALSE(ReadFrom(bin, "<vBinList></vBinList>"));
    EXPECT_FALSE(ReadFrom(bin, ""));
    EXPECT_EQ(bin.GetBinName(), "Both");
    EXPECT_EQ(bin.GetOperator(), "OR");
}
