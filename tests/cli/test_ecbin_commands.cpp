// Runs the built ecbin on fixtures: every subcommand's output, conversions
// that round-trip, and the bundled sample.
#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>

#include "cli_test_support.h"
#include "ecbin/Commands.h"

using namespace clitest;

namespace {

// What the sample's bin description should tag, worked out from the
// events directly: deviants whose next event is a response 0.2 to 1.0 s
// later, and standards whose previous event is a standard (and which have a
// next event, which the description anchors its look-back on).
void ExpectedTags(int& hits, int& standardsAfterStandards)
{
    ecEventList list = ReadDocument(Sample(kSampleEvents));
    hits = standardsAfterStandards = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        const ecEvent& e = list[i];
        if (e.m_sName == "deviant" && i + 1 < list.size() && list[i + 1].m_sName == "response") {
            double latency = (list[i + 1].m_iStart - e.m_iStart) / 500.0;
            if (latency >= 0.2 && latency <= 1.0)
                ++hits;
        }
        if (e.m_sName == "standard" && i > 0 && i + 1 < list.size() && list[i - 1].m_sName == "standard")
            ++standardsAfterStandards;
    }
}

// Rows of the printed bin table (after its "bin" header), split on blanks.
std::vector<std::vector<std::string>> TableRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    bool inTable = false;
    for (const std::string& line : Lines(text)) {
        std::istringstream in(line);
        std::vector<std::string> cells{std::istream_iterator<std::string>(in), {}};
        if (inTable && cells.size() == 5 && std::isdigit(static_cast<unsigned char>(cells[2][0])))
            rows.push_back(cells);
        else
            inTable = !cells.empty() && cells[0] == "bin";
    }
    return rows;
}

} // namespace

TEST(EcbinDemo, PrintsTheSampleBins)
{
    Ran r = Ecbin({"demo"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(Contains(r.out, "rate:     500 Hz (from sub-01_task-oddball_eeg.json)\n"));
    int hits = 0, after = 0;
    ExpectedTags(hits, after);
    EXPECT_GT(hits, 50);
    EXPECT_TRUE(Contains(r.out, "Resp:Hit       " + std::to_string(hits)));
    EXPECT_TRUE(Contains(r.out, "Prev:Standard  " + std::to_string(after)));
    std::vector<std::vector<std::string>> rows = TableRows(r.out);
    std::map<std::string, int> counts;
    for (const auto& row : rows)
        counts[row[0]] = std::stoi(row[2]);
    ASSERT_EQ(counts.size(), 6u) << r.out;
    // The logic bin is the deviants that are not hits; exclusion trims
    // every bin, never adds.
    EXPECT_EQ(counts["DevMiss"], counts["Deviant"] - counts["DevHit"]);
    EXPECT_LE(counts["DevHit"], hits);
    EXPECT_LE(counts["StdAfterStd"], after);
    EXPECT_GT(counts["Standard"], counts["StdAfterStd"]);

    Scratch s;
    const Ran written = Ecbin({"demo", "--out", s / "demo"});
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_TRUE(Contains(written.out, "   wrote " + s / "demo/"));
    EXPECT_FALSE(Contains(r.out, "   wrote "));
}

TEST(EcbinTag, CountsTagsAndWritesThemOut)
{
    Scratch s;
    const std::string before = ReadText(Sample(kSampleEvents));
    Ran r = Ecbin({"tag", Sample(kSampleEvents), Sample("/oddball_bindesc.xml"), "-o", s / "tagged.evt"});
    ASSERT_EQ(r.status, 0) << r.err;
    ecEventList tagged = ReadDocument(s / "tagged.evt");
    std::map<std::string, int> onEvents;
    for (const ecEvent& e : tagged)
        for (const std::string& t : e.m_vTags)
            onEvents[t]++;
    int hits = 0, after = 0;
    ExpectedTags(hits, after);
    EXPECT_EQ(onEvents["Resp:Hit"], hits);
    EXPECT_EQ(onEvents["Stim:Deviant"], hits);
    EXPECT_EQ(onEvents["Prev:Standard"], after);
    for (const auto& kv : onEvents)
        EXPECT_TRUE(Contains(r.out, kv.first + std::string(15 - kv.first.size(), ' ') + std::to_string(kv.second)));
    EXPECT_EQ(ReadText(Sample(kSampleEvents)), before); // input untouched

    // The tags travel into a BIDS table as a column of their own.
    r = Ecbin({"tag", Sample(kSampleEvents), Sample("/oddball_bindesc.xml"), "-o", s / "tagged_events.tsv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(ReadText(s / "tagged_events.tsv"))[0], "onset\tduration\tsample\ttrial_type\ttags");

    // ... and come back from it: the tag bins are the same as from the
    // event-list document, and not empty.
    Ran fromTsv = Ecbin({"run", s / "tagged_events.tsv", "--bins", Sample("/oddball_binlist.xml"), "--rate", "500"});
    Ran fromEvt = Ecbin({"run", s / "tagged.evt", "--bins", Sample("/oddball_binlist.xml"), "--rate", "500"});
    ASSERT_EQ(fromTsv.status, 0) << fromTsv.err;
    EXPECT_EQ(fromTsv.out, fromEvt.out);
    EXPECT_EQ(fromTsv.err, "");
    std::map<std::string, std::string> counts;
    for (const auto& row : TableRows(fromTsv.out))
        counts[row[0]] = row[2];
    EXPECT_NE(counts["DevHit"], "0");
    EXPECT_NE(counts["StdAfterStd"], "0");
}

TEST(EcbinExactTime, WholeSampleWindowsOnRequestAndAWarningWithout)
{
    Scratch s;
    // Past 2^27 samples a float resolves 16 samples at 1000 Hz: a response
    // 1.002 s after its target falls inside a window of 0.2 to 1.0 s.
    const auto document = [](int target) {
        std::string text = "<KOVA_Event_List>\n";
        for (const auto& e : {std::make_pair("T", target), std::make_pair("R", target + 1002)})
            text += std::string("<Event><Name>") + e.first + "</Name><Start>" + std::to_string(e.second) +
                    "</Start><Stop>" + std::to_string(e.second) + "</Stop><Status>2</Status></Event>\n";
        return text + "</KOVA_Event_List>\n";
    };
    WriteText(s / "long.evt", document(1 << 27));
    WriteText(s / "short.evt", document(1000));
    WriteText(s / "desc.xml",
              "<bin_desc><attrib_spec><attrib><factor>Resp</factor><tag>Hit</tag></attrib><event_specs>"
              "<target><name>T</name><event>T</event></target>"
              "<conditional><name>R</name><option>6</option>"
              "<pre><logic>+</logic><latency>0.2</latency><EventSpecifier>T</EventSpecifier></pre>"
              "<post><logic>+</logic><latency>1</latency><EventSpecifier>T</EventSpecifier></post>"
              "<event>R</event><mode>permeable</mode></conditional></event_specs></attrib_spec></bin_desc>\n");
    const auto warnings = [](const std::string& err) {
        const std::vector<std::string> lines = Lines(err);
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return Contains(line, "ecbin: warning: ") && Contains(line, "use --exact-time");
        });
    };
    const struct {
        std::vector<std::string> args;
        bool exact;
    } cases[] = {{{"tag", s / "long.evt", s / "desc.xml", "--rate", "1000"}, false},
                 {{"--exact-time", "tag", s / "long.evt", s / "desc.xml", "--rate", "1000"}, true},
                 {{"tag", s / "long.evt", s / "desc.xml", "--rate", "1000", "--exact-time"}, true}};
    for (const auto& c : cases) {
        Ran r = Ecbin(c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, c.exact ? "0 of 2 events tagged" : "1 of 2 events tagged"));
        EXPECT_EQ(warnings(r.err), c.exact ? 0 : 1) << r.err;
    }

    // A run warns once for each recording that reaches that far.
    WriteText(s / "bins.xml", BinResults("T", "Targets"));
    Ran run = Ecbin({"run", s / "long.evt", s / "short.evt", "--bins", s / "bins.xml", "--rate", "1000"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(warnings(run.err), 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "long.evt: events reach sample 134218730, past 2^24"));
    run = Ecbin({"--exact-time", "run", s / "long.evt", "--bins", s / "bins.xml", "--rate", "1000"});
    EXPECT_EQ(run.err, "");
}

TEST(EcbinCompile, BinListBecomesBinResults)
{
    Scratch s;
    Ran r = Ecbin({"compile", Sample("/oddball_binlist.xml"), "-o", s / "results.xml"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "2 epochs, 7 bin_ops sequences"));
    const std::string doc = ReadText(s / "results.xml");
    EXPECT_TRUE(Contains(doc, "<bin_results>"));
    EXPECT_TRUE(Contains(doc, "<op><id>SaveBin</id><s>DevMiss</s></op>"));

    Ran toStdout = Ecbin({"compile", Sample("/oddball_binlist.xml")});
    ASSERT_EQ(toStdout.status, 0);
    EXPECT_EQ(toStdout.out, doc);

    // A compiled document runs exactly like the bin list it came from.
    Ran viaList = Ecbin({"run", Sample(kSampleEvents), "--bins", Sample("/oddball_binlist.xml"), "--bindesc",
                         Sample("/oddball_bindesc.xml")});
    Ran viaResults = Ecbin({"run", Sample(kSampleEvents), "--bins", s / "results.xml", "--bindesc",
                            Sample("/oddball_bindesc.xml")});
    ASSERT_EQ(viaList.status, 0) << viaList.err;
    EXPECT_EQ(viaList.out, viaResults.out);

    Ran again = Ecbin({"compile", s / "results.xml"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(Contains(again.err, "results.xml: already a bin-results document"));
}

TEST(EcbinRun, OneFilePerBinMatchingTheTable)
{
    Scratch s;
    Ran r = Ecbin({"run", Sample(kSampleEvents), "--bins", Sample("/oddball_binlist.xml"), "--bindesc",
                   Sample("/oddball_bindesc.xml"), "-o", s / "out/rec", "--summary", s / "summary.tsv"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> rows = TableRows(r.out);
    ASSERT_EQ(rows.size(), 6u) << r.out;
    for (const auto& row : rows) {
        // Named as the library's WriteResultsAsEvents names them.
        const std::string file = s / ("out/rec_" + row[0] + ".evt");
        ASSERT_TRUE(fs::exists(file)) << file;
        ecEventList bin;
        bin.ReadEventFile(file.c_str(), false);
        EXPECT_EQ(static_cast<int>(bin.size()), std::stoi(row[2])) << row[0];
        if (!bin.empty()) {
            int first = bin[0].m_iStart, last = bin[0].m_iStop;
            for (const ecEvent& e : bin) {
                first = std::min(first, e.m_iStart);
                last = std::max(last, e.m_iStop);
            }
            EXPECT_EQ(std::to_string(first), row[3]);
            EXPECT_EQ(std::to_string(last), row[4]);
        }
        EXPECT_EQ(row[1], row[0] == "Response" ? "Resp" : "Stim");
    }
    // Only the bins' files and no temporary leftovers.
    EXPECT_EQ(std::distance(fs::directory_iterator(s / "out"), fs::directory_iterator()), 6);
    std::vector<std::string> tsv = Lines(ReadText(s / "summary.tsv"));
    ASSERT_EQ(tsv.size(), 7u);
    EXPECT_EQ(tsv[1].substr(0, Sample(kSampleEvents).size() + 21), Sample(kSampleEvents) + "\t01\toddball\tStandard\t");

    r = Ecbin({"run", Sample(kSampleEvents), "--bins", Sample("/oddball_binlist.xml"), "--summary", s / "summary.json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string json = ReadText(s / "summary.json");
    EXPECT_TRUE(Contains(json, "\"bin\": \"DevMiss\""));
    EXPECT_TRUE(Contains(json, "\"failed\": 0"));
}

TEST(EcbinConvert, MneRoundTripWithNamedIds)
{
    Scratch s;
    WriteText(s / "in.eve", "  1200   2.400   0   5\n  1700   3.400   0  32\n 40000  80.000   0   5\n");
    Ran a = Ecbin({"convert", s / "in.eve", s / "mid.evt", "--event-id", "Target=5"});
    ASSERT_EQ(a.status, 0) << a.err;
    ecEventList mid = ReadDocument(s / "mid.evt");
    ASSERT_EQ(mid.size(), 3u);
    EXPECT_EQ(mid[0].m_sName, "Target");
    EXPECT_EQ(mid[1].m_sName, "32");
    EXPECT_EQ(mid[2].m_iStart, 40000);

    Ran b = Ecbin({"convert", s / "mid.evt", s / "back.eve", "--rate", "500", "--event-id", "Target=5"});
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(ReadText(s / "back.eve"), ReadText(s / "in.eve"));

    // Without the mapping the name has no id: one line naming the fix.
    Ran c = Ecbin({"convert", s / "mid.evt", s / "other.eve", "--rate", "500"});
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(Lines(c.err).size(), 1u);
    EXPECT_TRUE(Contains(c.err, "--event-id \"Target=ID\""));
    EXPECT_FALSE(fs::exists(s / "other.eve"));

    // The rate comes from the time column when nothing else gives it.
    Ran d = Ecbin({"convert", s / "in.eve", s / "t_events.tsv"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(Lines(ReadText(s / "t_events.tsv"))[1], "2.4\t0\t1200\t5");
}

TEST(EcbinConvert, PreXmlFilesAreReadOnly)
{
    Scratch s;
    WriteText(s / "old.txt", "4b4f5641 4 0 0\nStim 100 100 2\nResp 250 250 2\n");
    Ran r = Ecbin({"convert", s / "old.txt", s / "new_events.tsv", "--rate", "1000"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "pre-XML event file, 2 events"));
    EXPECT_EQ(Lines(ReadText(s / "new_events.tsv"))[2], "0.25\t0\t250\tResp");

    WriteText(s / "timed.txt", "4b4f5641 0 0 0\n0.0125 Stim\n");
    Ran noRate = Ecbin({"convert", s / "timed.txt", s / "t.evt"});
    EXPECT_EQ(noRate.status, 1);
    EXPECT_TRUE(Contains(noRate.err, "timed.txt: this pre-XML event file holds times in seconds"));
    Ran timed = Ecbin({"convert", s / "timed.txt", s / "t.evt", "--rate", "1000"});
    ASSERT_EQ(timed.status, 0) << timed.err;
    EXPECT_EQ(ReadDocument(s / "t.evt")[0].m_iStart, 12); // truncated, as the format defines

    Ran write = Ecbin({"convert", s / "t.evt", s / "x.txt", "--to", "prexml"});
    EXPECT_EQ(write.status, 1);
    EXPECT_TRUE(Contains(write.err, "can be read but not written"));
}

TEST(EcbinInfo, RealTablesAndTheSample)
{
    const std::string ex = Examples();
    const std::string pennies = ex + "/eeg_matchingpennies/sub-05/eeg/sub-05_task-matchingpennies_events.tsv";
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> expect;
    } cases[] = {
        {{ex + "/ds000248/sub-01/meg/sub-01_task-audiovisual_run-01_events.tsv"}, {"600.615 Hz (from ", "events: 320\n"}},
        {{ex + "/eeg_ds003645s_hed_library/sub-002/eeg/sub-002_task-FacePerception_run-1_events.tsv"},
         {"rate: 250 Hz (from ", "events: 200\n"}},
        {{ex + "/ieeg_visual/sub-02/ses-01/ieeg/sub-02_ses-01_task-visual_run-02_events.tsv"},
         {"rate: 1525.9 Hz (from ", "events: 420\n"}},
        {{pennies}, {"rate: 5000 Hz (from ", "task-matchingpennies_eeg.json", "events: 300\n", "names: 4\n"}},
        {{ex + "/motion_dualtask/sub-20/ses-walk/eeg/sub-20_ses-walk_task-dualWalking_run-2_events.tsv"},
         {"rate: 1000 Hz (from ", "events: 4644\n"}},
        // --rate wins over the sidecar.
        {{pennies, "--rate", "100"}, {"sampling rate: 100 Hz (from --rate)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "info");
        Ran r = Ecbin(args);
        ASSERT_EQ(r.status, 0) << r.err;
        for (const std::string& part : c.expect)
            EXPECT_TRUE(Contains(r.out, part));
    }

    // Without a rate the span stays in samples.
    Scratch s;
    WriteText(s / "plain.evt", "<KOVA_Event_List>\n<Event><Name>a</Name><Start>100</Start><Stop>100</Stop>"
                               "<Status>2</Status></Event>\n</KOVA_Event_List>\n");
    Ran plain = Ecbin({"info", s / "plain.evt"});
    EXPECT_TRUE(Contains(plain.out, "time span: samples 100 to 100\n")) << plain.err;

    // The sample: its exclusions, counted once where they overlap nothing.
    ecEventList sample = ReadDocument(Sample(kSampleEvents));
    long long excluded = 0;
    int exclusions = 0;
    for (const ecEvent& e : sample)
        if (e.m_sName == "EXCLUDE") {
            ++exclusions;
            excluded += e.m_iStop - e.m_iStart + 1;
        }
    Ran r = Ecbin({"info", Sample(kSampleEvents)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "events: " + std::to_string(sample.size()) + " (" + std::to_string(exclusions) + " rejected)"));
    EXPECT_TRUE(Contains(r.out, "exclusion events: " + std::to_string(exclusions) + ", " + std::to_string(excluded) +
                         " samples in total"));
    EXPECT_TRUE(Contains(r.out, "tags: none"));
}

TEST(EcbinSegments, SeededDrawsAvoidTheExcludedStretches)
{
    Scratch s;
    std::vector<std::string> args = {"segments", Sample(kSampleEvents), "--length", "2", "--count", "40", "--seed", "7",
                                     "--min-separation", "0.5"};
    Ran a = Ecbin(args);
    Ran b = Ecbin(args);
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out); // the same seed draws the same pieces
    std::vector<std::string> lines = Lines(a.out);
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_EQ(lines[0], "start_sample\tstop_sample\tonset\tduration");

    ecEventList sample = ReadDocument(Sample(kSampleEvents));
    std::vector<std::pair<int, int>> pieces;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        int start = 0, stop = 0;
        in >> start >> stop;
        EXPECT_EQ(stop - start + 1, 1000); // 2 s at 500 Hz
        for (const ecEvent& e : sample) {
            if (e.m_sName == "EXCLUDE") {
                EXPECT_TRUE(stop < e.m_iStart || start > e.m_iStop) << start << " overlaps " << e.m_iStart;
            }
        }
        pieces.push_back({start, stop});
    }
    std::sort(pieces.begin(), pieces.end());
    for (size_t i = 1; i < pieces.size(); ++i)
        EXPECT_GE(pieces[i].first - pieces[i - 1].second, 250) << "pieces closer than 0.5 s";

    Ran other = Ecbin({"segments", Sample(kSampleEvents), "--length", "2", "--count", "40", "--seed", "8", "-o", s / "seg.tsv"});
    ASSERT_EQ(other.status, 0) << other.err;
    EXPECT_NE(ReadText(s / "seg.tsv"), a.out);
    EXPECT_TRUE(Contains(other.out, "wrote 40 segments"));
}

// One sample is the shortest segment; overlapping pieces need a count, which
// the command checks itself as well as the parser.
TEST(EcbinSegments, EdgesOfLengthCountAndSeparation)
{
    Scratch s;
    const std::string events = Sample(kSampleEvents);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err, out;
    } cases[] = {
        {{"--length", "0.00091234"}, 1, "ecbin: --length 0.000912 is shorter than one sample at 500 Hz\n", ""},
        {{"--length", "1", "--min-separation", "-0.5"}, 1,
         "ecbin: overlapping segments (negative --min-separation) need --count\n", ""},
        {{"--length", "1", "--min-separation", "0.5", "--seed", "3", "-o", s / "all.tsv"}, 0, "", " segments to "},
        {{"--length", "0.002", "--count", "1", "--seed", "3", "-o", s / "one.tsv"}, 0, "", "wrote 1 segment to "},
        // Onsets and durations keep six decimals.
        {{"--length", "0.0034", "--count", "1", "--seed", "3", "--rate", "300"}, 0, "", "\t0.003333\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"segments", events};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Ran ran = Ecbin(args);
        EXPECT_EQ(ran.status, c.status) << c.args[1] << "\n" << ran.err;
        EXPECT_EQ(ran.err, c.err);
        EXPECT_TRUE(Contains(ran.out, c.out)) << ran.out;
    }
    const std::vector<std::string> one = Lines(ReadText(s / "one.tsv"));
    ASSERT_EQ(one.size(), 2u);
    const std::vector<std::string> cells = Split(one[1], '\t');
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0], cells[1]);
    EXPECT_EQ(cells[3], "0.002");
    EXPECT_GT(Lines(ReadText(s / "all.tsv")).size(), 2u);

    Commands::Segments negative;
    negative.events = events;
    negative.length = 1.0;
    negative.count = -1;
    std::ostringstream out, err;
    EXPECT_EQ(Commands::DrawSegments(negative, out, err), 1);
    EXPECT_EQ(err.str(), "ecbin: --count must not be negative\n");
}

TEST(EcbinDemo, InstalledProgramFindsTheInstalledSample)
{
    Scratch s;
    const fs::path build = fs::path(ECBIN_PATH).parent_path().parent_path();
    const std::string install = "cmake --install " + Quote(build.string()) + " --prefix " +
                                Quote(s / "prefix") + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0);
    const std::string installed = s / "prefix/bin/ecbin";
    ASSERT_TRUE(fs::exists(installed));
    const std::string out = s / "demo.txt";
    ASSERT_EQ(std::system((Quote(installed) + " demo >" + Quote(out) + " 2>&1").c_str()), 0)
        << ReadText(out);
    const std::string text = ReadText(out);
    EXPECT_TRUE(Contains(text, "folder:   " + fs::path(s / "prefix/share/ecevents/sample").lexically_normal().string()));
    EXPECT_TRUE(Contains(text, "DevMiss"));
}

TEST(EcbinHelp, EverySubcommandHasAnExample)
{
    const Ran top = Ecbin({"--help"});
    EXPECT_EQ(top.status, 0);
    for (const std::string sub : {"run", "tag", "compile", "convert", "info", "segments", "demo"}) {
        Ran r = Ecbin({sub, "--help"});
        EXPECT_EQ(r.status, 0) << sub;
        EXPECT_TRUE(Contains(r.out, "Example")) << sub;
        EXPECT_TRUE(Contains(r.out, "ecbin " + sub));
        EXPECT_TRUE(Contains(top.out, sub));
    }
}
