// ecbin run --bids-derivatives: the dataset's events with a column per bin,
// checked against the bin files a plain run writes.
#include "cli_test_support.h"

#include <map>
#include <set>

#include "ecutil/ecSha256.h"

using namespace clitest;

namespace {

const std::string kRecording = "sub-01/meg/sub-01_task-audiovisual_run-01";

// Every file below folder, relative to it.
std::set<std::string> Files(const std::string& folder)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_directory())
            files.insert(fs::relative(entry.path(), folder).string());
    return files;
}

// The "sample name" of every event in a bin file.
std::multiset<std::string> BinFileEvents(const std::string& path)
{
    std::multiset<std::string> events;
    for (const ecEvent& e : ReadDocument(path))
        events.insert(std::to_string(e.m_iStart) + " " + e.m_sName);
    return events;
}

// The "sample name" of the rows whose cell in column is true; the table's
// header and row count in header and rows.
std::multiset<std::string> TableEvents(const std::vector<std::string>& lines, const std::string& column)
{
    const std::vector<std::string> header = Split(lines.at(0), '\t');
    const size_t at = std::find(header.begin(), header.end(), column) - header.begin();
    std::multiset<std::string> events;
    for (size_t l = 1; l < lines.size(); ++l) {
        const std::vector<std::string> cells = Split(lines[l], '\t');
        EXPECT_TRUE(cells.at(at) == "true" || cells.at(at) == "false") << lines[l];
        if (cells.at(at) == "true")
            events.insert(cells.at(2) + " " + cells.at(3));
    }
    return events;
}

std::string RulesHash(const std::string& description)
{
    const std::string key = "\"SHA256\": \"";
    const size_t at = description.find(key);
    return at == std::string::npos ? "" : description.substr(at + key.size(), 64);
}

} // namespace

TEST(EcbinDerivatives, BinColumnsAreTheBinFilesAndEveryColumnIsDescribed)
{
    const struct {
        std::vector<std::string> bins;
        std::vector<std::string> columns; // beyond the bins'
    } cases[] = {
        {{"--rules", RulesData("audiovisual_rules.yaml")}, {"tags"}},
        {{"--bins", RulesData("audiovisual_binlist.xml"), "--bindesc", RulesData("audiovisual_bindesc.xml"), "--rt",
          "Smiley:Press"},
         {"tags", "rt_Smiley"}},
    };
    for (const auto& c : cases) {
        Scratch s;
        fs::copy(Examples() + "/ds000248", s / "ds", fs::copy_options::recursive);
        const std::set<std::string> inputs = Files(s.Path());
        std::vector<std::string> plain{"run", s / "ds", "-o", s / "plain"};
        plain.insert(plain.end(), c.bins.begin(), c.bins.end());
        std::vector<std::string> derived = plain;
        derived[3] = s / "out";
        derived.push_back("--bids-derivatives");
        ASSERT_EQ(Ecbin(plain).status, 0);
        Ran r = Ecbin(derived);
        ASSERT_EQ(r.status, 0) << r.err;

        // Nothing beside the inputs but under the output folders; only the
        // dataset's files under the derivatives one.
        for (const std::string& f : Files(s.Path()))
            EXPECT_TRUE(inputs.count(f) || f.rfind("out/", 0) == 0 || f.rfind("plain/", 0) == 0) << f;
        const std::string table = kRecording + "_desc-bins_events.tsv";
        const std::string sidecar = kRecording + "_desc-bins_events.json";
        EXPECT_EQ(Files(s / "out"), (std::set<std::string>{"dataset_description.json", table, sidecar}));

        const std::vector<std::string> lines = Lines(ReadText(s / "out/" + table));
        EXPECT_EQ(lines.size(), 321u); // every event of the recording, bin or none
        std::vector<std::string> columns{"onset", "duration", "sample", "trial_type"};
        columns.insert(columns.end(), c.columns.begin(), c.columns.end());
        size_t bins = 0;
        for (const std::string& f : Files(s / "plain")) {
            const std::string bin = f.substr(f.rfind('_') + 1, f.size() - f.rfind('_') - 5);
            columns.push_back("bin_" + bin);
            ++bins;
            EXPECT_EQ(TableEvents(lines, "bin_" + bin), BinFileEvents(s / "plain/" + f)) << bin;
        }
        EXPECT_EQ(bins, 6u);
        std::vector<std::string> header = Split(lines.at(0), '\t');
        std::sort(header.begin(), header.end());
        std::sort(columns.begin(), columns.end());
        EXPECT_EQ(header, columns);

        // One entry per column, each with a description; a bin's is what
        // explain says of it.
        const std::string json = ReadText(s / "out/" + sidecar);
        EXPECT_EQ(std::count(json.begin(), json.end(), '\n') - 2, static_cast<long>(columns.size())) << json;
        for (const std::string& column : columns)
            EXPECT_TRUE(Contains(json, "\"" + column + "\": {\"Description\": \""));
        EXPECT_TRUE(Contains(json, "\"bin_Missed\": {\"Description\": \"Bin Missed: events of Smiley and not of Answered"));
    }
}

TEST(EcbinDerivatives, DescriptionFingerprintsTheRules)
{
    Scratch s;
    const std::string rules = ReadText(RulesData("audiovisual_rules.yaml"));
    std::set<std::string> hashes;
    for (const std::string& text : {rules, rules + "# a comment changes the file\n"}) {
        WriteText(s / "rules.yaml", text);
        fs::remove_all(s / "out");
        Ran r = Ecbin({"run", Examples() + "/ds000248", "--rules", s / "rules.yaml", "--bids-derivatives", "-o", s / "out"});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string description = ReadText(s / "out/dataset_description.json");
        for (const char* field : {"\"DatasetType\": \"derivative\"", "\"Name\": \"ecevents\"", "\"BIDSVersion\": \"",
                                  "\"File\": \"rules.yaml\""})
            EXPECT_TRUE(Contains(description, field));
        EXPECT_EQ(RulesHash(description), ecSha256::Of(text));
        hashes.insert(RulesHash(description));
    }
    EXPECT_EQ(hashes.size(), 2u);
}

TEST(EcbinDerivatives, RefusedWithoutADatasetOrAnOutputFolderOrOverTheDataset)
{
    Scratch s;
    const std::string dataset = s / "ds";
    fs::copy(Examples() + "/ds000248", dataset, fs::copy_options::recursive);
    const std::set<std::string> inputs = Files(s.Path());
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{dataset + "/" + kRecording + "_events.tsv", "-o", s / "out"}, "mirrors BIDS dataset folders"},
        {{dataset}, "give its folder as the output"},
        {{dataset, "-o", dataset}, "dataset_description.json: refusing to overwrite an input file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"run", "--rules", RulesData("audiovisual_rules.yaml"), "--bids-derivatives"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Ran r = Ecbin(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(Contains(r.err, c.message));
        EXPECT_EQ(Files(s.Path()), inputs);
    }
}
