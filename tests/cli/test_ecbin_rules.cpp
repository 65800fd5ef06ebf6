// The rules file through ecbin: run --rules, compile --rules and explain,
// checked bin for bin against the equivalent XML documents.
#include "cli_test_support.h"

using namespace clitest;

namespace {

// The bin table and every bin's event file of one run.
std::string Outcome(const std::string& folder, std::vector<std::string> args)
{
    fs::create_directories(folder);
    args.insert(args.end(), {"-o", folder + "/rec", "--summary", folder + "/summary.tsv"});
    Ran r = Ecbin(args);
    EXPECT_EQ(r.status, 0) << r.err;
    // The sample's rules list the bins in another order.
    std::vector<std::string> rows = Lines(ReadText(folder + "/summary.tsv"));
    std::sort(rows.begin(), rows.end());
    std::string all;
    for (const std::string& row : rows)
        all += row + "\n";
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".evt")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    // Events by name and sample: the tags the two ways write may differ.
    for (const fs::path& f : files) {
        all += f.filename().string() + "\n";
        for (const ecEvent& e : ReadDocument(f.string()))
            all += e.m_sName + " " + std::to_string(e.m_iStart) + "\n";
    }
    return all;
}

TEST(EcbinRules, GiveTheSameBinsAsTheEquivalentXml)
{
    Scratch s;
    const std::string ex = Examples();
    const struct {
        std::vector<std::string> recording; // events and reading options
        std::string rules, bindesc, bins;
    } cases[] = {
        {{Sample(kSampleEvents)}, Sample("/oddball_rules.yaml"), Sample("/oddball_bindesc.xml"), Sample("/oddball_binlist.xml")},
        {{ex + "/ds000248/sub-01/meg/sub-01_task-audiovisual_run-01_events.tsv"}, RulesData("audiovisual_rules.yaml"),
         RulesData("audiovisual_bindesc.xml"), RulesData("audiovisual_binlist.xml")},
        {{ex + "/eeg_ds003645s_hed_library/sub-002/eeg/sub-002_task-FacePerception_run-1_events.tsv", "--name-column",
          "event_type"},
         RulesData("faces_rules.yaml"), RulesData("faces_bindesc.xml"), RulesData("faces_binresults.xml")},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string folder = s / std::to_string(n++);
        std::vector<std::string> rules{"run"}, xml{"run"};
        rules.insert(rules.end(), c.recording.begin(), c.recording.end());
        xml.insert(xml.end(), c.recording.begin(), c.recording.end());
        rules.insert(rules.end(), {"--rules", c.rules});
        xml.insert(xml.end(), {"--bins", c.bins, "--bindesc", c.bindesc});
        const std::string fromRules = Outcome(folder + "/rules", rules);
        EXPECT_TRUE(fromRules == Outcome(folder + "/xml", xml)) << c.rules;
        EXPECT_GT(std::count(fromRules.begin(), fromRules.end(), '\n'), 100) << c.rules;
    }
}

TEST(EcbinRules, RunOverADatasetWithWorkers)
{
    Scratch s;
    const std::string dataset = Examples() + "/ds000248";
    Ran rules = Ecbin({"run", dataset, "--rules", RulesData("audiovisual_rules.yaml"), "-j", "2", "-o", s / "r",
                       "--summary", s / "r.tsv"});
    Ran xml = Ecbin({"run", dataset, "--bins", RulesData("audiovisual_binlist.xml"), "--bindesc",
                     RulesData("audiovisual_bindesc.xml"), "-j", "2", "-o", s / "x", "--summary", s / "x.tsv"});
    ASSERT_EQ(rules.status, 0) << rules.err;
    EXPECT_TRUE(Contains(rules.out, "1 of 1 recordings done"));
    EXPECT_EQ(ReadText(s / "r.tsv"), ReadText(s / "x.tsv"));
    EXPECT_EQ(Names(s / "r"), Names(s / "x"));
}

TEST(EcbinRules, ResponseTimesOfATagWithRtAreTheXmlOnes)
{
    Scratch s;
    std::string rules = ReadText(Sample("/oddball_rules.yaml"));
    rules.replace(rules.find("immediately: true}"), 18, "immediately: true, rt: true}");
    WriteText(s / "rt.yaml", rules);
    const std::string events = Sample(kSampleEvents);
    ASSERT_EQ(Ecbin({"run", events, "--rules", s / "rt.yaml", "--summary", s / "rules.tsv"}).status, 0);
    ASSERT_EQ(Ecbin({"run", events, "--bins", Sample("/oddball_binlist.xml"), "--bindesc", Sample("/oddball_bindesc.xml"),
                     "--rt", "Resp:R", "--summary", s / "xml.tsv"})
                  .status,
              0);
    // The DevHit row's mean and median, the two cells before its status.
    auto devHit = [](const std::string& table) {
        for (const std::string& line : Lines(table))
            if (Contains(line, "\tDevHit\t")) {
                const std::vector<std::string> cells = Split(line, '\t');
                return cells.at(cells.size() - 3) + " " + cells.at(cells.size() - 2);
            }
        return std::string();
    };
    EXPECT_EQ(devHit(ReadText(s / "rules.tsv")), devHit(ReadText(s / "xml.tsv")));
    EXPECT_NE(devHit(ReadText(s / "rules.tsv")), "n/a n/a");
}

TEST(EcbinRules, CompiledDocumentsRunAndExplainAsTheRulesFile)
{
    Scratch s;
    const std::string events = Sample(kSampleEvents);
    Ran c = Ecbin({"compile", "--rules", Sample("/oddball_rules.yaml"), "--events", events, "-o", s / "odd"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_TRUE(Contains(c.out, "odd_bindesc.xml: 2 attribute specs"));
    EXPECT_TRUE(Outcome(s / "a", {"run", events, "--rules", Sample("/oddball_rules.yaml")}) ==
                Outcome(s / "b", {"run", events, "--bins", s / "odd_binlist.xml", "--bindesc", s / "odd_bindesc.xml"}));

    Ran rules = Ecbin({"explain", Sample("/oddball_rules.yaml")});
    Ran desc = Ecbin({"explain", s / "odd_bindesc.xml"});
    Ran list = Ecbin({"explain", s / "odd_binlist.xml"});
    ASSERT_EQ(rules.status, 0) << rules.err;
    EXPECT_EQ(rules.out, desc.out + list.out);
    EXPECT_TRUE(Contains(rules.out, "  DevHit: events tagged Resp:Hit, epoch Stim \xE2\x88\x92" "0.2\xE2\x80\xA6" "0.8 s\n"));
    EXPECT_TRUE(Contains(rules.out, "Resp:Hit: deviant events followed immediately by response 0.2\xE2\x80\xA6" "1 s later"));
    EXPECT_TRUE(Contains(rules.out, "the last event of the list is never tagged by preceded_by"));

    // Thinning makes a bin-results document, which explains the same too.
    WriteText(s / "thin.yaml", "epochs: {Stim: {tmin: -0.2, tmax: 0.8}}\n"
                               "bins: {Std: {names: [standard], epoch: Stim, every: 2}}\n");
    ASSERT_EQ(Ecbin({"compile", "--rules", s / "thin.yaml", "-o", s / "thin"}).status, 0);
    EXPECT_TRUE(fs::exists(s / "thin_binresults.xml"));
    EXPECT_EQ(Ecbin({"explain", s / "thin.yaml"}).out,
              Ecbin({"explain", s / "thin_bindesc.xml"}).out + Ecbin({"explain", s / "thin_binresults.xml"}).out);
}

TEST(EcbinRules, MistakesAreOneLineAndStatusOne)
{
    Scratch s;
    const std::string events = Sample(kSampleEvents);
    WriteText(s / "misspelt.yaml", "epochs: {Stim: {tmin: -0.2, tmax: 0.8}}\n"
                                   "bins: {Dev: {names: [deviatn], epoch: Stim}}\n");
    Ran warned = Ecbin({"run", events, "--rules", s / "misspelt.yaml"});
    EXPECT_EQ(warned.status, 0) << warned.err;
    EXPECT_TRUE(Contains(warned.err, "warning:"));
    EXPECT_TRUE(Contains(warned.err, "names the event \"deviatn\" that no event of the recording carries"));
    EXPECT_EQ(Ecbin({"run", events, "--rules", s / "misspelt.yaml", "--strict"}).status, 1);

    WriteText(s / "bad.yaml", "epochs: {Stim: {tmin: -0.2, tmax: 0.8}}\nbins: {Dev: {name: [x], epoch: Stim}}\n");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"run", events, "--rules", s / "bad.yaml"}, "bad.yaml:2:14: bins.Dev.name: unknown key, did you mean names?"},
        {{"compile", "--rules", s / "bad.yaml", "-o", s / "x"}, "bins.Dev.name: unknown key"},
        {{"explain", s / "bad.yaml"}, "bins.Dev.name: unknown key"},
        {{"compile", "--rules", Sample("/oddball_rules.yaml"), "-o", s / "x"}, "looking back needs the recording's event names"},
        {{"compile", "--rules", Sample("/oddball_rules.yaml")}, "give -o BASE"},
        {{"explain", events}, "not a rules file, bin_desc, bin_list or bin_results document"},
    };
    for (const auto& c : cases) {
        Ran r = Ecbin(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(Contains(r.err, c.message));
    }
    EXPECT_FALSE(fs::exists(s / "x_bindesc.xml"));
}

TEST(EcbinRules, DemoShowsTheRulesFile)
{
    Ran r = Ecbin({"demo"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "rules:    oddball_rules.yaml"));
    EXPECT_TRUE(Contains(r.out, "the same bins from the rules file"));
}

} // namespace

namespace {

// A document with one value changed, and the line:col where it stands.
std::string Changed(const std::string& text, const std::string& from, const std::string& to, std::string& where)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    const size_t lineStart = text.rfind('\n', at) + 1;
    where = ":" + std::to_string(std::count(text.begin(), text.begin() + at, '\n') + 1) + ":" +
            std::to_string(at - lineStart + from.find('>') + 2);
    return text.substr(0, at) + to + text.substr(at + from.size());
}

TEST(EcbinDocuments, LibraryMessagesPointAtTheValue)
{
    Scratch s;
    const std::string list = ReadText(Sample("/oddball_binlist.xml"));
    const std::string results = ReadText(RulesData("faces_binresults.xml"));
    const struct {
        std::string file, text, from, to, message;
    } cases[] = {
        {"case.xml", list, "<sCase>EvtLogic</sCase>", "<sCase>EvtLogik</sCase>", "Unrecognised case = EvtLogik"},
        {"epoch.xml", list, "<sEpochName>Resp</sEpochName>", "<sEpochName>Rsp</sEpochName>", "No epoch found with ID = Rsp"},
        {"op.xml", results, "<id>Attribs</id>", "<id>Atribs</id>", "Unrecognized bin operator Atribs"},
    };
    for (const auto& c : cases) {
        std::string where;
        WriteText(s / c.file, Changed(c.text, c.from, c.to, where));
        // explain reads a bin list through the library, a bin-results
        // document without running it.
        std::vector<std::vector<std::string>> runs{{"run", Sample(kSampleEvents), "--bins", s / c.file}};
        if (c.text == list)
            runs.push_back({"explain", s / c.file});
        for (const std::vector<std::string>& args : runs) {
            Ran r = Ecbin(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(Contains(r.err, s / c.file + where + ": ")) << c.message;
            EXPECT_TRUE(Contains(r.err, c.message));
        }
    }
}

} // namespace
