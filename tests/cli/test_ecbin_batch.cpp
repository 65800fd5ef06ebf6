// Runs the built ecbin on many recordings, on documents that try to write
// outside the output folder, and on broken input: errors are one line on
// stderr naming the file, the exit status says so, and nothing crashes.

#include "cli_test_support.h"

using namespace clitest;

namespace {

// A small BIDS dataset: three recordings with sidecars, one of them broken.
void MakeDataset(const Scratch& s)
{
    s.Write({{"ds/dataset_description.json", "{\"Name\": \"test\", \"BIDSVersion\": \"1.8.0\"}"},
             {"ds/task-beep_eeg.json", "{\"SamplingFrequency\": 100}"},
             {"ds/sub-01/eeg/sub-01_task-beep_events.tsv",
              "onset\tduration\ttrial_type\n1.0\t0\tbeep\n2.0\t0\tbeep\n3.0\t0\tboop\n"},
             {"ds/sub-02/eeg/sub-02_task-beep_events.tsv", "onset\tduration\ttrial_type\n1.5\t0\tbeep\nlate\t0\tbeep\n"},
             {"ds/sub-03/eeg/sub-03_task-beep_eeg.json", "{\"SamplingFrequency\": 250}"},
             {"ds/sub-03/eeg/sub-03_task-beep_events.tsv", "onset\tduration\ttrial_type\n0.5\t0\tbeep\n"},
             {"bins.xml", BinResults("beep", "Beep")}});
}

} // namespace

TEST(EcbinBatch, OneBrokenRecordingDoesNotStopTheOthers)
{
    Scratch s;
    MakeDataset(s);
    for (const char* jobs : {"1", "3"}) {
        fs::remove_all(s / "out");
        Ran r = Ecbin({"run", s / "ds", "--bins", s / "bins.xml", "-o", s / "out", "--summary", s / "out/summary.tsv",
                       "-j", jobs});
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        // One line, naming the broken file and its line.
        ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(Contains(r.err, "sub-02_task-beep_events.tsv line 3: onset \"late\" is not a number"));
        EXPECT_EQ(r.err.find('\r'), std::string::npos); // no progress bar when not on a terminal
        EXPECT_TRUE(Contains(r.out, "2 of 3 recordings done, 1 failed"));

        // Outputs mirror the dataset's folders; each recording found its
        // own sampling rate (sub-03 from its own sidecar).
        ASSERT_TRUE(fs::exists(s / "out/sub-01/eeg/sub-01_task-beep_Beep.evt"));
        ASSERT_TRUE(fs::exists(s / "out/sub-03/eeg/sub-03_task-beep_Beep.evt"));
        EXPECT_FALSE(fs::exists(s / "out/sub-02"));
        const std::string sub01 = ReadText(s / "out/sub-01/eeg/sub-01_task-beep_Beep.evt");
        EXPECT_TRUE(Contains(sub01, "<Start>100</Start>"));
        EXPECT_TRUE(Contains(sub01, "<Start>200</Start>"));
        EXPECT_EQ(sub01.find("boop"), std::string::npos);
        EXPECT_TRUE(Contains(ReadText(s / "out/sub-03/eeg/sub-03_task-beep_Beep.evt"), "<Start>125</Start>"));

        std::vector<std::string> tsv = Lines(ReadText(s / "out/summary.tsv"));
        ASSERT_EQ(tsv.size(), 4u);
        EXPECT_TRUE(Contains(tsv[1] + "\n", "sub-01_task-beep_events.tsv\t01\tbeep\tBeep\tStim\t2\t0\t100\t200\t-0.1\t0.4\t\n"));
        EXPECT_TRUE(Contains(tsv[2], "sub-02_task-beep_events.tsv\t02\tbeep\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\t" +
                                         (s / "ds/sub-02/eeg/sub-02_task-beep_events.tsv") + " line 3: "));
        EXPECT_TRUE(Contains(tsv[3] + "\n", "sub-03_task-beep_events.tsv\t03\tbeep\tBeep\tStim\t1\t0\t125\t125\t-0.1\t0.4\t\n"));
    }
    // Several files named one by one, all good.
    Ran r = Ecbin({"run", s / "ds/sub-01/eeg/sub-01_task-beep_events.tsv", s / "ds/sub-03/eeg/sub-03_task-beep_events.tsv",
                   "--bins", s / "bins.xml", "-o", s / "all", "--summary", s / "summary.json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(s / "all/sub-01_task-beep_Beep.evt"));
    EXPECT_TRUE(fs::exists(s / "all/sub-03_task-beep_Beep.evt"));
    EXPECT_TRUE(Contains(r.out, "2 of 2 recordings done\n"));
    EXPECT_TRUE(Contains(ReadText(s / "summary.json"), "\"failed\": 0"));
}

TEST(EcbinSafety, NoWritesOutsideTheOutputFolderOrOverInputs)
{
    Scratch s;
    MakeDataset(s);
    const std::string events = s / "ds/sub-01/eeg/sub-01_task-beep_events.tsv";
    for (const std::string& bin : {std::string("../../escape"), std::string("a/b"), std::string("..")}) {
        WriteText(s / "evil.xml", BinResults("beep", bin));
        Ran r = Ecbin({"run", events, "--bins", s / "evil.xml", "-o", s / "out/rec"});
        EXPECT_EQ(r.status, 1) << bin;
        ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(Contains(r.err, "evil.xml: refusing to write"));
        EXPECT_TRUE(Contains(r.err, "nothing was written"));
        EXPECT_FALSE(fs::exists(s / "escape.evt"));
        EXPECT_FALSE(fs::exists(s / "out/rec_a"));
        EXPECT_FALSE(fs::exists(s / "out")) << "no output at all for a refused run";
    }
    // Without --out nothing is written, so the same bins only print.
    Ran r = Ecbin({"run", events, "--bins", s / "evil.xml"});
    EXPECT_EQ(r.status, 0) << r.err;

    // A bin list whose bin name holds a separator is refused the same way.
    WriteText(s / "list.xml", "<bin_list>\n\t<bExcludeON>0</bExcludeON>\n\t<sName>x</sName>\n\t<vBinList>\n"
                              "\t\t<bin><sBinName>up/../../x</sBinName><sEpochName>Stim</sEpochName><sCase>EvtNames</sCase>"
                              "<vEvtNames><name>beep</name></vEvtNames></bin>\n\t</vBinList>\n\t<vEpochList>\n"
                              "\t\t<epoch><sID>Stim</sID><fStart>-0.1</fStart><fStop>0.4</fStop></epoch>\n"
                              "\t</vEpochList>\n</bin_list>\n");
    r = Ecbin({"run", events, "--bins", s / "list.xml", "-o", s / "out/rec"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "path separator"));
    EXPECT_FALSE(fs::exists(s / "out"));

    // Inputs are never overwritten.
    const std::string before = ReadText(events);
    r = Ecbin({"convert", events, events});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "refusing to overwrite an input file"));
    // An output base that makes a bin's file land on the bins document.
    WriteText(s / "x_Beep.evt", BinResults("beep", "Beep"));
    r = Ecbin({"run", events, "--bins", s / "x_Beep.evt", "-o", s / "x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "refusing to overwrite"));
    EXPECT_EQ(ReadText(s / "x_Beep.evt"), BinResults("beep", "Beep"));
    EXPECT_EQ(ReadText(events), before);
}

TEST(EcbinErrors, OneLineNamingTheFile)
{
    Scratch s;
    MakeDataset(s);
    const std::string events = s / "ds/sub-01/eeg/sub-01_task-beep_events.tsv";
    WriteText(s / "noepoch.xml", "<bin_results><bin_ops><op><id>Names</id><s>beep</s></op></bin_ops></bin_results>");
    WriteText(s / "notbins.xml", "<something/>");
    WriteText(s / "plain.evt", "<KOVA_Event_List>\n<Event><Name>a</Name><Start>1</Start><Stop>1</Stop></Event>\n"
                               "</KOVA_Event_List>\n");
    WriteText(s / "garbage.evt", std::string("\x00\x01\x02 binary \xff", 13));
    WriteText(s / "bad.bindesc", "<bin_list/>");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string expect;
    } cases[] = {
        {{"info", s / "missing.evt"}, 1, "missing.evt: no such file"},
        {{"info", s / "garbage.evt"}, 1, "garbage.evt: not an event file"},
        {{"info", s.Path()}, 1, "is a folder"},
        // The library's own message comes through.
        {{"run", events, "--bins", s / "noepoch.xml"}, 1,
         "running " + s / "noepoch.xml" +
             ": [ecBinResultList::ReadXml] Under <bin_results>, at least one event-related <epoch> must be specified."},
        {{"run", events, "--bins", s / "notbins.xml"}, 1, "notbins.xml: not a bin list or bin-results document"},
        {{"run", s / "plain.evt", "--bins", s / "noepoch.xml"}, 1, "plain.evt: no sampling rate: give --rate"},
        {{"tag", events, s / "bad.bindesc"}, 1, "bad.bindesc: not a bin description"},
        {{"tag", events, s / "missing.xml"}, 1, "missing.xml: cannot open"},
        {{"compile", s / "missing.xml"}, 1, "missing.xml: cannot open"},
        {{"convert", events, s / "o.tsv", "--from", "wav"}, 1, "unknown event format \"wav\""},
        {{"convert", events, s / "o.eve", "--event-id", "beep"}, 1, "--event-id beep: expected NAME=ID"},
        {{"run", events}, 2, "--bins or --rules is required"},
        {{"info"}, 2, "events is required"},
        {{"frobnicate"}, 2, ""},
        {{"info", events, "--rate", "-5"}, 2, "--rate"},
        {{}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string() : c.args[0] + " " + c.args.back());
        Ran r = Ecbin(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_FALSE(r.crashed);
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(Contains(r.err, c.expect));
        EXPECT_EQ(r.err.rfind("ecbin", 0), 0u) << r.err;
    }
}

TEST(EcbinBatch, WrittenBinsHoldEveryEventTheSummaryCounts)
{
    Scratch s;
    // Equal events (same name, start and stop) stay apart in a bin's file:
    // the file holds exactly the events its summary row counts.
    std::string doc = "<KOVA_Event_List>\n";
    for (const char* start : {"100", "100", "100", "200", "100", "300"})
        doc += std::string("<Event><Name>beep</Name><Start>") + start + "</Start><Stop>" + start +
               "</Stop></Event>\n";
    doc += "<Event><Name>boop</Name><Start>100</Start><Stop>100</Stop></Event>\n</KOVA_Event_List>\n";
    s.Write({{"rec.evt", doc}, {"bins.xml", BinResults("beep", "Beep")}});
    Ran r = Ecbin({"run", s / "rec.evt", "--bins", s / "bins.xml", "--rate", "100", "-o", s / "out/rec", "--summary",
                   s / "summary.tsv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> row = Split(Lines(ReadText(s / "summary.tsv")).at(1), '\t');
    ASSERT_GE(row.size(), 4u);
    const ecEventList written = ReadDocument(s / "out/rec_Beep.evt");
    EXPECT_EQ(std::to_string(written.size()), row[3]);
    EXPECT_EQ(written.size(), 6u);
    const std::string text = ReadText(s / "out/rec_Beep.evt");
    std::size_t events = 0;
    for (std::size_t at = text.find("<Event>"); at != std::string::npos; at = text.find("<Event>", at + 1))
        ++events;
    EXPECT_EQ(events, 6u);
}

