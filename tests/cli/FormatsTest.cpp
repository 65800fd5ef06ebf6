// Unit tests of the host's event formats: BIDS tables, MNE event files, the
// name/id map and the sidecar lookup.
#if __has_include("ecbin/BidsEvents.h")
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "ecbin/BidsEvents.h"
#include "ecbin/BidsSidecar.h"
#include "ecbin/EventIdMap.h"
#include "ecbin/HostError.h"
#include "ecbin/MneEvents.h"
#include "ecbin/TextTable.h"
#include "ecevents/events/ecEventList.h"

using clitest::Scratch;
using clitest::WriteText;

namespace {

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

ecEventList ReadBids(const std::string& text, float rate, const std::string& nameColumn = "")
{
    ecEventList list;
    list.SetSamplingRate(rate);
    EventOptions options;
    options.nameColumn = nameColumn;
    BidsEvents::ReadText(text, "t_events.tsv", options, list);
    return list;
}

const char* kTable = "onset\tduration\ttrial_type\tvalue\tsample\n"
                     "1.0\t0\tgo\t1\t999\n"
                     "2.5\t0.5\tn/a\t7\tn/a\n"
                     "3\tn/a\tEXCLUDE\tn/a\t3000\n";

} // namespace

TEST(BidsEventsRead, OnsetDurationNamesAndStatus)
{
    ecEventList list = ReadBids(kTable, 100.0f);
    ASSERT_EQ(list.size(), 3u);
    // The onset places the event even when a sample column disagrees.
    EXPECT_EQ(list[0].m_sName, "go");
    EXPECT_EQ(list[0].m_iStart, 100);
    EXPECT_EQ(list[0].m_iStop, 100);
    // trial_type n/a falls back to value; 0.5 s at 100 Hz covers 50 samples.
    EXPECT_EQ(list[1].m_sName, "7");
    EXPECT_EQ(list[1].m_iStart, 250);
    EXPECT_EQ(list[1].m_iStop, 299);
    // A duration of n/a is a point; an exclusion name comes in rejected.
    EXPECT_EQ(list[2].m_iStart, 300);
    EXPECT_EQ(list[2].m_iStop, 300);
    EXPECT_TRUE(list[2].IsRejected());
    EXPECT_TRUE(list[0].IsAccepted());
    EXPECT_TRUE(list[1].IsAccepted());
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 3);
    EXPECT_FLOAT_EQ(list.GetSamplingRate(), 100.0f);
}

TEST(BidsEventsRead, NameColumnAndValueFallback)
{
    ecEventList byValue = ReadBids(kTable, 100.0f, "value");
    EXPECT_EQ(byValue[0].m_sName, "1");
    EXPECT_EQ(byValue[2].m_sName, "n/a");
    EXPECT_NE(Message([] { ReadBids(kTable, 100.0f, "nosuch"); }).find("nosuch"), std::string::npos);

    // Without trial_type the value column names the events.
    ecEventList values = ReadBids("onset\tduration\tvalue\n0.5\t0\t13\n", 10.0f);
    EXPECT_EQ(values[0].m_sName, "13");
    EXPECT_EQ(values[0].m_iStart, 5);
    EXPECT_NE(Message([] { ReadBids("onset\tduration\tother\n0.5\t0\t13\n", 10.0f); }).find("--name-column"),
              std::string::npos);
}

TEST(BidsEventsRead, SampleColumnOnlyWithoutRate)
{
    ecEventList list = ReadBids("onset\tduration\ttrial_type\tsample\n1.0\t0\tgo\t6052.5455\n", 0.0f);
    EXPECT_EQ(list[0].m_iStart, 6053); // fractional samples round to the nearest
    // With neither a rate nor a sample the row cannot be placed.
    std::string m = Message([] { ReadBids("onset\tduration\ttrial_type\tsample\n1\t0\ta\t5\n2\t0\tb\tn/a\n", 0.0f); });
    EXPECT_NE(m.find("t_events.tsv line 3"), std::string::npos) << m;
    EXPECT_NE(m.find("--rate"), std::string::npos) << m;
}

TEST(BidsEventsRead, ByteOrderMarkAndCarriageReturns)
{
    ecEventList list = ReadBids("\xEF\xBB\xBFonset\tduration\ttrial_type\r\n0.5\t0\ta b\r\n\r\n", 100.0f);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_sName, "a b");
    EXPECT_EQ(list[0].m_iStart, 50);
}

TEST(BidsEventsRead, ProblemsNameTheLine)
{
    struct Case {
        const char* text;
        const char* expect;
    } cases[] = {
        {"onset\tduration\ttrial_type\n1\t0\n", "line 2: expected 3"},
        {"duration\ttrial_type\n0\ta\n", "no onset column"},
        {"onset\tduration\ttrial_type\n1\t-0.5\ta\n", "negative"},
        {"onset\tduration\ttrial_type\n1\t0\ta\nabc\t0\tb\n", "line 3: onset \"abc\""},
        {"onset\tduration\ttrial_type\n1\tlong\ta\n", "duration \"long\""},
        {"onset\tduration\ttrial_type\nn/a\t0\ta\n", "n/a"},
        {"", "empty file"},
    };
    for (const Case& c : cases) {
        std::string m = Message([&] { ReadBids(c.text, 100.0f); });
        EXPECT_NE(m.find(c.expect), std::string::npos) << c.text << " gave: " << m;
        EXPECT_EQ(m.rfind("t_events.tsv", 0), 0u) << m;
    }
}

TEST(BidsEventsWrite, SortedRowsDurationsAndTags)
{
    ecEventList list;
    list.SetSamplingRate(100.0f);
    ecEvent late;
    late.m_sName = "late";
    late.m_iStart = 250;
    late.m_iStop = 299;
    ecEvent early;
    early.m_sName = "early";
    early.m_iStart = 100;
    early.m_iStop = 100;
    early.m_vTags = {"Cond:A", "Side:L"};
    list.push_back(late);
    list.push_back(early);
    std::vector<std::string> lines = clitest::Lines(BidsEvents::WriteText(list, "x.tsv"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "onset\tduration\tsample\ttrial_type\ttags");
    EXPECT_EQ(lines[1], "1\t0\t100\tearly\tCond:A;Side:L");
    EXPECT_EQ(lines[2], "2.5\t0.5\t250\tlate\tn/a");

    ecEventList noRate;
    noRate.push_back(late);
    EXPECT_NE(Message([&] { BidsEvents::WriteText(noRate, "x.tsv"); }).find("--rate"), std::string::npos);
    ecEventList tab;
    tab.SetSamplingRate(10.0f);
    late.m_sName = "a\tb";
    tab.push_back(late);
    EXPECT_NE(Message([&] { BidsEvents::WriteText(tab, "x.tsv"); }).find("tab"), std::string::npos);
}

TEST(BidsEventsWrite, RoundTripKeepsSamplesAtAwkwardRates)
{
    for (float rate : {1525.9f, 600.614990234375f, 5000.0f, 250.0f}) {
        ecEventList list;
        list.SetSamplingRate(rate);
        for (int i = 0; i < 50; ++i) {
            ecEvent e;
            e.m_sName = "e" + std::to_string(i % 3);
            e.m_iStart = 7 + i * 9973;
            e.m_iStop = e.m_iStart + (i % 4 == 0 ? 0 : i * 13);
            list.push_back(e);
        }
        ecEventList back = ReadBids(BidsEvents::WriteText(list, "x.tsv"), rate);
        ASSERT_EQ(back.size(), list.size());
        for (size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(back[i].m_iStart, list[i].m_iStart) << rate;
            EXPECT_EQ(back[i].m_iStop, list[i].m_iStop) << rate;
            EXPECT_EQ(back[i].m_sName, list[i].m_sName);
        }
    }
}

TEST(MneEvents, ReadsBothLayoutsWithNames)
{
    EventOptions options;
    options.ids.Add("Target=5");
    ecEventList list;
    double estimate = -1.0;
    MneEvents::ReadText("# made by hand\n  1000  1.000  0  5\n\n 2000 0 7 # three columns\n", "x.eve", options, list,
                        &estimate);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].m_sName, "Target");
    EXPECT_EQ(list[0].m_iStart, 1000);
    EXPECT_EQ(list[0].m_iStop, 1000);
    EXPECT_EQ(list[1].m_sName, "7");
    EXPECT_EQ(list[1].m_iStart, 2000);
    EXPECT_EQ(estimate, 0.0); // a line without time: no estimate

    MneEvents::ReadText(" 1000 1.000 0 1\n61000 61.000 0 2\n", "x.eve", options, list, &estimate);
    EXPECT_DOUBLE_EQ(estimate, 1000.0);
    // Too short a stretch for millisecond times to tell the rate.
    MneEvents::ReadText(" 1000 1.000 0 1\n2000 2.000 0 2\n", "x.eve", options, list, &estimate);
    EXPECT_EQ(estimate, 0.0);
}

TEST(MneEvents, ProblemsAndWriting)
{
    EventOptions options;
    ecEventList list;
    std::string m = Message([&] { MneEvents::ReadText("1 0.1 0 1\n12 x 0 1\n", "x.eve", options, list); });
    EXPECT_NE(m.find("x.eve line 2: time \"x\""), std::string::npos) << m;
    m = Message([&] { MneEvents::ReadText("1 2\n", "x.eve", options, list); });
    EXPECT_NE(m.find("found 2 fields"), std::string::npos) << m;
    m = Message([&] { MneEvents::ReadText("1.5 0.1 0 1\n", "x.eve", options, list); });
    EXPECT_NE(m.find("sample \"1.5\""), std::string::npos) << m;

    ecEventList out;
    out.SetSamplingRate(100.0f);
    ecEvent a;
    a.m_sName = "Left";
    a.m_iStart = a.m_iStop = 250;
    ecEvent b;
    b.m_sName = "32";
    b.m_iStart = b.m_iStop = 50;
    out.push_back(a);
    out.push_back(b);
    m = Message([&] { MneEvents::WriteText(out, options, "y.eve"); });
    EXPECT_NE(m.find("--event-id \"Left=ID\""), std::string::npos) << m;
    options.ids.Add("Left=3");
    EXPECT_EQ(MneEvents::WriteText(out, options, "y.eve"), "    50   0.500   0  32\n   250   2.500   0   3\n");
}

TEST(EventIdMap, EntriesAndConflicts)
{
    EventIdMap ids;
    ids.AddAll({"Auditory/Left=1", "a=b=4", "Auditory/Left=1"});
    int id = 0;
    EXPECT_TRUE(ids.IdFor("Auditory/Left", id));
    EXPECT_EQ(id, 1);
    EXPECT_TRUE(ids.IdFor("a=b", id));
    EXPECT_EQ(id, 4);
    EXPECT_TRUE(ids.IdFor("-12", id));
    EXPECT_EQ(id, -12);
    EXPECT_FALSE(ids.IdFor("12a", id));
    EXPECT_FALSE(ids.IdFor("99999999999", id));
    EXPECT_EQ(ids.NameFor(4), "a=b");
    EXPECT_EQ(ids.NameFor(9), "9");
    EXPECT_THROW(ids.Add("Auditory/Left=2"), HostError);
    EXPECT_THROW(ids.Add("Other=1"), HostError);
    EXPECT_THROW(ids.Add("NoId"), HostError);
    EXPECT_THROW(ids.Add("=3"), HostError);
    EXPECT_THROW(ids.Add("x=three"), HostError);
}

TEST(BidsSidecar, RealDatasetsAndInheritance)
{
    float rate = 0.0f;
    std::string sidecar;
    const std::string ex = clitest::Examples();
    ASSERT_TRUE(BidsSidecar::FindRate(ex + "/eeg_matchingpennies/sub-05/eeg/sub-05_task-matchingpennies_events.tsv",
                                      rate, sidecar));
    EXPECT_EQ(rate, 5000.0f);
    EXPECT_NE(sidecar.find("task-matchingpennies_eeg.json"), std::string::npos);
    ASSERT_TRUE(BidsSidecar::FindRate(ex + "/ds000248/sub-01/meg/sub-01_task-audiovisual_run-01_events.tsv", rate, sidecar));
    EXPECT_EQ(rate, 600.614990234375f);

    Scratch s;
    WriteText(s / "ds/dataset_description.json", "{}");
    WriteText(s / "ds/task-x_eeg.json", "{\"SamplingFrequency\": 100}");
    WriteText(s / "ds/sub-01/eeg/sub-01_task-x_eeg.json", "{\n\"SamplingFrequency\" :\n 200.5 }");
    WriteText(s / "ds/sub-01/eeg/sub-01_task-x_events.tsv", "onset\n");
    WriteText(s / "ds/sub-02/eeg/sub-02_task-x_run-1_events.tsv", "onset\n");
    WriteText(s / "ds/sub-03/eeg/sub-03_task-y_events.tsv", "onset\n");
    WriteText(s / "loose/a/sub-9_task-x_events.tsv", "onset\n");
    WriteText(s / "loose/task-x_eeg.json", "{\"SamplingFrequency\": 100}");
    ASSERT_TRUE(BidsSidecar::FindRate(s / "ds/sub-01/eeg/sub-01_task-x_events.tsv", rate, sidecar));
    EXPECT_EQ(rate, 200.5f); // the nearer, more specific sidecar wins
    ASSERT_TRUE(BidsSidecar::FindRate(s / "ds/sub-02/eeg/sub-02_task-x_run-1_events.tsv", rate, sidecar));
    EXPECT_EQ(rate, 100.0f); // inherited from the dataset root
    EXPECT_FALSE(BidsSidecar::FindRate(s / "ds/sub-03/eeg/sub-03_task-y_events.tsv", rate, sidecar));
    // Without a dataset root only the events file's own folder counts.
    EXPECT_FALSE(BidsSidecar::FindRate(s / "loose/a/sub-9_task-x_events.tsv", rate, sidecar));
    EXPECT_FALSE(BidsSidecar::FindRate(s / "ds/sub-01/eeg/notevents.tsv", rate, sidecar));

    double value = 0.0;
    EXPECT_FALSE(BidsSidecar::ParseRate("{\"SamplingFrequency\": \"n/a\"}", value));
    EXPECT_FALSE(BidsSidecar::ParseRate("{\"SamplingFrequency\": 0}", value));
    EXPECT_FALSE(BidsSidecar::ParseRate("{\"Sampling\": 10}", value));
}

TEST(TextTable, NumbersAndFloats)
{
    double v = 0.0;
    EXPECT_TRUE(TextTable::ParseNumber(" 2.5e1 ", v));
    EXPECT_EQ(v, 25.0);
    for (const char* bad : {"", "nan", "inf", "0x10", "1,5", "2.5s", "1e999"})
        EXPECT_FALSE(TextTable::ParseNumber(bad, v)) << bad;
    EXPECT_EQ(TextTable::Fixed(2.0, 6), "2");
    EXPECT_EQ(TextTable::Fixed(-0.0000001, 6), "0");
    EXPECT_EQ(TextTable::Fixed(0.25, 6), "0.25");
    EXPECT_EQ(TextTable::ShortFloat(1525.9f), "1525.9");
    EXPECT_EQ(TextTable::ShortFloat(600.614990234375f), "600.615");
    EXPECT_EQ(TextTable::ShortFloat(0.1f), "0.1");
}
#endif
