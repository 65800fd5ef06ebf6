#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/foundation/ecError.h"
#include "binlist_test_support.h"

namespace {

ecBinDescription LogicBin(const std::string& word)
{
    return MakeLogicBin("C", "A", "B", word);
}

std::string Document(ecBinList& list)
{
    std::ostringstream out;
    EXPECT_TRUE(list.WriteXmlBinResults(out));
    return out.str();
}

const char* const kHead = "\t<bin_results>\n"
                          "\n";
const char* const kExcludeOn = "\t\t<bin_ops>\n"
                               "\t\t\t<op><id>SetExcludeOn</id></op>\n"
                               "\t\t</bin_ops>\n"
                               "\n";
const char* const kTail = "\t</bin_results>\n";

// The sequence of one logic bin C = A <word> B, as written.
std::string LogicSequence(ecBinList& list)
{
    const std::string text = Document(list);
    const std::string from = "<op><id>SetEpoch</id><s>Stim</s></op>\n";
    const std::size_t begin = text.find(from);
    const std::size_t end = text.find("\t\t\t<op><id>SaveBin</id>");
    if (begin == std::string::npos || end == std::string::npos)
        return "(sequence not found)";
    return text.substr(begin + from.size(), end - begin - from.size());
}

} // namespace

TEST(BinResultsWriter, EmptyListStillWritesTheExclusionSequence)
{
    ecBinList list;
    EXPECT_EQ(Document(list), std::string(kHead) + kExcludeOn + kTail);
    list.bExcludeON = false;
    EXPECT_EQ(Document(list), std::string(kHead) +
                                  "\t\t<bin_ops>\n"
                                  "\t\t\t<op><id>SetExcludeOff</id></op>\n"
                                  "\t\t</bin_ops>\n"
                                  "\n" +
                                  kTail);
}

TEST(BinResultsWriter, EpochsAndANamesBin)
{
    ecBinList list;
    ecEventRelatedEpoch stim;
    list.AddOneEpoch(stim);
    ecBinDescription target = MakeBin("Target", "Stim", "EvtNames");
    target.AddOneName("11");
    target.AddOneName("12");
    list.AddOneBin(target);

    std::ostringstream epochText;
    stim.WriteXml(epochText);
    EXPECT_EQ(Document(list), "\t<bin_results>\n"
                              "\t\t" + epochText.str() +
                                  "\n" + kExcludeOn +
                                  "\t\t<bin_ops>\n"
                                  "\t\t\t<op><id>SetEpoch</id><s>Stim</s></op>\n"
                                  "\t\t\t<op><id>Names</id><s>11</s><s>12</s></op>\n"
                                  "\t\t\t<op><id>SaveBin</id><s>Target</s></op>\n"
                                  "\t\t</bin_ops>\n"
                                  "\n" +
                                  kTail);
    const std::string start = "\t<bin_results>\n\t\t\n\t\t<epoch>\n";
    EXPECT_EQ(Document(list).substr(0, start.size()), start)
        << "each epoch follows a line of two tabs";
}

TEST(BinResultsWriter, TagsBins)
{
    ecBinList list;
    ecBinDescription tags = MakeBin("Tagged", "Resp", "EvtTags");
    tags.AddOneTag("Cond:A");
    tags.AddOneTag("Side:L");
    list.vBinList.push_back(tags);
    list.vBinList.push_back(MakeBin("Untagged", "", "EvtTags"));
    const std::string text = Document(list);
    EXPECT_NE(text.find("\t\t\t<op><id>SetEpoch</id><s>Resp</s></op>\n"
                        "\t\t\t<op><id>Attribs</id><s>Cond:A</s><s>Side:L</s></op>\n"
                        "\t\t\t<op><id>SaveBin</id><s>Tagged</s></op>\n"),
              std::string::npos);
    EXPECT_NE(text.find("\t\t\t<op><id>SetEpoch</id><s></s></op>\n"
                        "\t\t\t<op><id>Attribs</id></op>\n"
                        "\t\t\t<op><id>SaveBin</id><s>Untagged</s></op>\n"),
              std::string::npos)
        << "no check is made: an empty epoch name and an empty tag list are written as they are";
}

TEST(BinResultsWriter, LogicOperatorsBecomeEventLogicOperators)
{
    const std::string fetch = "\t\t\t<op><id>GetBin</id><s>A</s></op>\n"
                              "\t\t\t<op><id>GetBin</id><s>B</s></op>\n";
    struct Case {
        const char* word;
        std::string ops;
    } cases[] = {
        {"AND", fetch + "\t\t\t<op><id>And</id></op>\n"},
        {"ANDNOT", fetch + "\t\t\t<op><id>AndNot</id></op>\n"},
        {"OR", fetch + "\t\t\t<op><id>Or</id></op>\n"},
        {"XOR", fetch + "\t\t\t<op><id>Or</id></op>\n" + fetch +
                    "\t\t\t<op><id>And</id></op>\n"
                    "\t\t\t<op><id>AndNot</id></op>\n"},
        // Other words pass through unchanged, so the reader's own names work.
        {"And", fetch + "\t\t\t<op><id>And</id></op>\n"},
        {"&~", fetch + "\t\t\t<op><id>&~</id></op>\n"},
        {"Nand", fetch + "\t\t\t<op><id>Nand</id></op>\n"},
        {"", fetch + "\t\t\t<op><id></id></op>\n"},
    };
    for (const Case& c : cases) {
        ecBinList list;
        list.AddOneBin(LogicBin(c.word));
        EXPECT_EQ(LogicSequence(list), c.ops) << "operator word " << c.word;
    }
}

TEST(BinResultsWriter, BinsInListOrderAndTheListUnchanged)
{
    ecBinList list;
    list.AddOneBin(LogicBin("OR"));
    ecBinDescription a = MakeBin("A", "Stim", "EvtNames");
    a.AddOneName("1");
    list.AddOneBin(a);
    const std::string text = Document(list);
    EXPECT_LT(text.find("<s>C</s>"), text.find("<s>A</s></op>\n\t\t</bin_ops>"));
    EXPECT_EQ(list.GetNumBins(), 2);
    EXPECT_EQ(list.GetCurSelBin(), -1) << "writing does not validate";
}

TEST(BinResultsWriter, UnknownCaseStopsInsideTheBinSequence)
{
    ecBinList list;
    list.vBinList.push_back(MakeBin("Odd", "Stim", "EvtCodes"));
    std::ostringstream out;
    try {
        list.WriteXmlBinResults(out);
        FAIL() << "expected an error";
    } catch (const ecError& e) {
        EXPECT_STREQ(e.what(), "[ecBinList::WriteXml] Unrecognized case EvtCodes");
    }
    EXPECT_EQ(out.str(), std::string(kHead) + kExcludeOn +
                             "\t\t<bin_ops>\n"
                             "\t\t\t<op><id>SetEpoch</id><s>Stim</s></op>\n");
}
