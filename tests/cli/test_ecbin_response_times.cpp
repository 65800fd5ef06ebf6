// Response times through ecbin on the bundled sample: rt_<factor> columns in
// the .tsv outputs, per-bin means and medians in the summary, and the
// mistakes a user can make with --rt.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "cli_test_support.h"
#include "ecinterop/ecTextTable.h"

using namespace clitest;

namespace {

const double kSampleRate = 500.0;

// A BIDS table as rows of named cells.
std::vector<std::map<std::string, std::string>> Table(const std::string& path)
{
    const std::vector<std::string> lines = Lines(ReadText(path));
    const std::vector<std::string> head = Split(lines.at(0), '\t');
    std::vector<std::map<std::string, std::string>> rows;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Split(lines[i], '\t');
        std::map<std::string, std::string>& row = *rows.emplace(rows.end());
        for (size_t c = 0; c < head.size() && c < cells.size(); ++c)
            row[head[c]] = cells[c];
    }
    return rows;
}

bool HasTag(const std::map<std::string, std::string>& row, const std::string& tag)
{
    return static_cast<bool>(Contains(";" + row.at("tags") + ";", ";" + tag + ";"));
}

// The latency that the sample's description means, from the table's own
// samples: a hit's response is the next event, a standard's predecessor the
// one before.
double Expected(const std::vector<std::map<std::string, std::string>>& rows, size_t i, int step)
{
    return (std::stol(rows[i + step].at("sample")) - std::stol(rows[i].at("sample"))) / kSampleRate;
}

double Number(const std::string& cell)
{
    return cell == "n/a" ? NAN : std::strtod(cell.c_str(), nullptr);
}

} // namespace

TEST(EcbinResponseTimes, TagWritesALatencyColumnPerFactor)
{
    Scratch s;
    Ran r = Ecbin({"tag", Sample(kSampleEvents), Sample("/oddball_bindesc.xml"), "--rt", "Resp:R", "--rt", "Prev:P",
                   "-o", s / "tagged.tsv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = Table(s / "tagged.tsv");
    int hits = 0;
    double sum = 0.0;
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const bool hit = HasTag(rows[i], "Resp:Hit"), after = HasTag(rows[i], "Prev:Standard");
        EXPECT_EQ(rows[i].at("rt_Resp") == "n/a", !hit);
        EXPECT_EQ(rows[i].at("rt_Prev") == "n/a", !after);
        if (hit) {
            EXPECT_NEAR(Number(rows[i].at("rt_Resp")), Expected(rows, i, 1), 1e-9);
            sum += Expected(rows, i, 1);
            ++hits;
        }
        if (after) {
            EXPECT_NEAR(Number(rows[i].at("rt_Prev")), Expected(rows, i, -1), 1e-9);
        }
    }
    ASSERT_GT(hits, 0);
    EXPECT_TRUE(Contains(r.out, "rt_Resp: " + std::to_string(hits) + " events, mean ")) << r.out;
    EXPECT_TRUE(Contains(r.out, "mean " + ecTextTable::Fixed(sum / hits, 3) + " s")) << r.out;

    // The count reads in the singular for one event only.
    const struct {
        const char* rows;
        const char* line;
    } counts[] = {
        {"1\t0\tdeviant\n1.5\t0\tresponse\n", "rt_Resp: 1 event, mean 0.5 s"},
        {"1\t0\tstandard\n", "rt_Resp: 0 events\n"},
    };
    for (const auto& c : counts) {
        WriteText(s / "few_events.tsv", std::string("onset\tduration\ttrial_type\n") + c.rows);
        Ran few = Ecbin({"tag", s / "few_events.tsv", Sample("/oddball_bindesc.xml"), "--rt", "Resp:R", "--rate", "500"});
        ASSERT_EQ(few.status, 0) << few.err;
        EXPECT_TRUE(Contains(few.out, c.line)) << few.out;
    }
}

TEST(EcbinResponseTimes, RunSummaryAndTablesPerBin)
{
    Scratch s;
    Ran r = Ecbin({"run", Sample(kSampleEvents), "--bins", Sample("/oddball_binlist.xml"), "--bindesc",
                   Sample("/oddball_bindesc.xml"), "--rt", "Resp:R", "-o", s / "out/rec.tsv", "--summary",
                   s / "summary.tsv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto hits = Table(s / "out/rec_DevHit.tsv");
    ASSERT_FALSE(hits.empty());
    std::vector<double> rt;
    for (const auto& row : hits)
        rt.push_back(Number(row.at("rt_Resp")));
    std::sort(rt.begin(), rt.end());
    double mean = 0.0;
    for (double v : rt)
        mean += v / rt.size();
    const double median = rt.size() % 2 ? rt[rt.size() / 2] : (rt[rt.size() / 2 - 1] + rt[rt.size() / 2]) / 2;

    std::map<std::string, std::map<std::string, std::string>> bins;
    for (const auto& row : Table(s / "summary.tsv"))
        bins[row.at("bin")] = row;
    ASSERT_EQ(bins.size(), 6u);
    EXPECT_NEAR(Number(bins["DevHit"].at("rt_mean")), mean, 1e-6);
    EXPECT_NEAR(Number(bins["DevHit"].at("rt_median")), median, 1e-6);
    // Deviants that are no hits have no response time; the bin's values
    // come from its hits alone.
    EXPECT_EQ(bins["DevMiss"].at("rt_mean"), "n/a");
    EXPECT_EQ(bins["Deviant"].at("rt_mean"), bins["DevHit"].at("rt_mean"));
    EXPECT_EQ(bins["Standard"].at("rt_median"), "n/a");
    EXPECT_TRUE(Contains(Lines(r.out).at(0), "rt_mean  rt_median")) << r.out;
    EXPECT_TRUE(fs::exists(s / "out/rec_Standard.tsv"));
    EXPECT_TRUE(Contains(r.out, "rec_<bin>.tsv")) << r.out;

    r = Ecbin({"run", Sample(kSampleEvents), "--bins", Sample("/oddball_binlist.xml"), "--bindesc",
               Sample("/oddball_bindesc.xml"), "--rt", "Resp:R", "--rt", "Prev:P", "--summary", s / "summary.json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(ReadText(s / "summary.json"), "\"rt_mean_Prev\": -"));
}

TEST(EcbinResponseTimes, MistakesAreOneLineErrors)
{
    Scratch s;
    const std::string events = Sample(kSampleEvents), desc = Sample("/oddball_bindesc.xml");
    const std::string bins = Sample("/oddball_binlist.xml");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"tag", events, desc, "--rt", "Resp"}, "--rt Resp: expected FACTOR:CONDITIONAL"},
        {{"tag", events, desc, "--rt", ":R"}, "--rt :R: expected FACTOR:CONDITIONAL"},
        {{"tag", events, desc, "--rt", "Resp:R", "--rt", "Resp:R"}, "the factor Resp is given twice"},
        {{"tag", events, desc, "--rt", "Mood:R"}, "No attribute spec carries the factor \"Mood\""},
        {{"tag", events, desc, "--rt", "Resp:Q"}, "has a conditional named \"Q\""},
        {{"tag", events, desc, "--rt", "Resp:R", "-o", s / "x.evt"}, "written as rt_<factor> columns"},
        {{"run", events, "--bins", bins, "--rt", "Resp:R"}, "give --bindesc"},
    };
    for (const auto& c : cases) {
        Ran r = Ecbin(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    }
    EXPECT_FALSE(fs::exists(s / "x.evt"));
}
