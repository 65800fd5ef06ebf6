// Unit tests of the host's plumbing: bin IDs as file names, recording
// discovery, the summary table, text made safe to show, and the worker pool.
#include <atomic>
#include <stdexcept>
#include <vector>

#include "cli_test_support.h"
#include "ecbin/BatchRunner.h"
#include "ecbin/ProgressBar.h"
#include "ecrun/RecordingSet.h"
#include "ecrun/RunSummary.h"
#include "ecrun/SafePath.h"
#include "ecinterop/SafeText.h"

using namespace clitest;

TEST(SafePath, BinIdsThatLeaveTheOutputFolder)
{
    for (const char* bad : {"", "a/b", "/abs", "a\\b", "..", "x..y", "a\nb", "tab\tbed"})
        EXPECT_FALSE(SafePath::BinIdProblem(bad).empty()) << bad;
    for (const char* good : {"DevHit", "Stim:Deviant", "a.b", "_GLOBAL_DOMAIN_", "Left Hand"})
        EXPECT_EQ(SafePath::BinIdProblem(good), "") << good;
}

TEST(RecordingSet, DatasetFoldersAndOutputBases)
{
    Scratch s;
    s.Write({{"ds/dataset_description.json", "{}"},
             {"ds/sub-02/eeg/sub-02_task-a_events.tsv", "onset\n"},
             {"ds/sub-01/eeg/sub-01_task-a_events.tsv", "onset\n"},
             {"ds/sub-01/eeg/sub-01_task-a_channels.tsv", "name\n"},
             {"ds/derivatives/x/sub-01/eeg/sub-01_task-a_events.tsv", "onset\n"},
             {"ds/sourcedata/sub-01_task-a_events.tsv", "onset\n"},
             {"ds/.git/sub-01_task-a_events.tsv", "onset\n"},
             {"other/sub-01_task-a_events.tsv", "onset\n"}});
    bool batch = false;
    std::vector<RecordingSet::Recording> r = RecordingSet::Collect({s / "ds"}, s / "out", batch);
    EXPECT_TRUE(batch);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].events, s / "ds/sub-01/eeg/sub-01_task-a_events.tsv");
    EXPECT_EQ(r[0].outBase, s / "out/sub-01/eeg/sub-01_task-a");
    EXPECT_EQ(r[1].outBase, s / "out/sub-02/eeg/sub-02_task-a");

    r = RecordingSet::Collect({s / "ds/sub-01/eeg/sub-01_task-a_events.tsv"}, s / "out/base", batch);
    EXPECT_FALSE(batch);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].outBase, s / "out/base");
    r = RecordingSet::Collect({s / "ds/sub-01/eeg/sub-01_task-a_events.tsv"}, "", batch);
    EXPECT_EQ(r[0].outBase, "");

    const std::vector<std::string> sameStem = {s / "ds/sub-01/eeg/sub-01_task-a_events.tsv",
                                               s / "other/sub-01_task-a_events.tsv"};
    EXPECT_THROW(RecordingSet::Collect(sameStem, s / "out", batch), HostError);
    // Without outputs the same stems do not collide.
    EXPECT_EQ(RecordingSet::Collect(sameStem, "", batch).size(), 2u);
    EXPECT_THROW(RecordingSet::Collect({s / "missing.evt"}, "", batch), HostError);
}

TEST(RunSummary, TableTsvAndJson)
{
    RecordingResult good;
    good.recording = "sub-1_run-2_events.tsv";
    good.entities = {{"sub", "1"}, {"run", "2"}};
    good.ok = true;
    good.bins.push_back({"Left", "Stim", 2, 10, 90, {}, {}, 3, -0.2f, 0.8f});
    good.bins.push_back({"Empty", "Stim", 0, 0, 0});
    RecordingResult bad;
    bad.recording = "b \"x\".tsv";
    bad.error = "b.tsv line 3: onset \"abc\" is not a number";
    RunSummary summary({good, bad});
    EXPECT_EQ(summary.Failed(), 1);

    std::ostringstream table;
    summary.PrintTable(table, false);
    std::vector<std::string> lines = Lines(table.str());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "bin    epoch  events  first_sample  last_sample");
    EXPECT_EQ(lines[1], "Left   Stim        2            10           90");
    EXPECT_EQ(lines[2], "Empty  Stim        0             -            -");

    // Entity columns only for the entities some recording has.
    lines = Lines(summary.Tsv());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "recording\tsub\trun\tbin\tepoch\tn_events\tn_excluded\tfirst_sample\tlast_sample\ttmin\ttmax\tstatus");
    EXPECT_EQ(lines[1], "sub-1_run-2_events.tsv\t1\t2\tLeft\tStim\t2\t3\t10\t90\t-0.2\t0.8\t");
    EXPECT_EQ(lines[2], "sub-1_run-2_events.tsv\t1\t2\tEmpty\tStim\t0\t0\tn/a\tn/a\t0\t0\t");
    EXPECT_EQ(lines[3], "b \"x\".tsv\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tb.tsv line 3: onset \"abc\" is not a number");

    const std::string json = summary.Json();
    EXPECT_TRUE(Contains(json, "\"recording\": \"b \\\"x\\\".tsv\""));
    EXPECT_TRUE(Contains(json, "\"sub\": \"1\",\n      \"run\": \"2\",\n      \"status\": \"\""));
    EXPECT_TRUE(Contains(json, "{\"bin\": \"Left\", \"epoch\": \"Stim\", \"n_events\": 2, \"n_excluded\": 3, "
                               "\"first_sample\": 10, \"last_sample\": 90, \"tmin\": -0.2, \"tmax\": 0.8}"));
    EXPECT_TRUE(Contains(json, "\"first_sample\": null"));
    EXPECT_TRUE(Contains(json, "\"failed\": 1"));
    EXPECT_TRUE(Contains(json, "\"status\": \"b.tsv line 3: onset \\\"abc\\\" is not a number\""));
    EXPECT_EQ(RunSummary::JsonString("a\\b\n\x01"), "\"a\\\\b\\n\\u0001\"");
}

TEST(SafeText, TerminalAndJsonForms)
{
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string text, printable, json;
    } cases[] = {
        {"plain \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "plain \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         "\"plain \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
        {"a\nb\tc\r", "a\\x0ab\\x09c\\x0d", "\"a\\nb\\tc\\r\""},
        {std::string("\x1b[2J\x00\x7f", 6), "\\x1b[2J\\x00\\x7f", "\"\\u001b[2J\\u0000\\u007f\""},
        {"q\"b\\", "q\"b\\", "\"q\\\"b\\\\\""},
        // C1 controls are valid UTF-8: kept in JSON, escaped on a terminal.
        {"\xC2\x9B\xC2\xA0", "\\xc2\\x9b\xC2\xA0", "\"\xC2\x9B\xC2\xA0\""},
        // Stray, truncated, overlong, surrogate and past U+10FFFF.
        {"\x80\xFF", "\\x80\\xff", "\"" + fffd + fffd + "\""},
        {"\xE2\x82", "\\xe2\\x82", "\"" + fffd + fffd + "\""},
        // A lead byte whose third byte is no continuation byte.
        {"\xE2\x82" "A", "\\xe2\\x82" "A", "\"" + fffd + fffd + "A\""},
        {"\xC0\xAF\xE0\x80\xAF", "\\xc0\\xaf\\xe0\\x80\\xaf", "\"" + fffd + fffd + fffd + fffd + fffd + "\""},
        {"\xED\xA0\x80", "\\xed\\xa0\\x80", "\"" + fffd + fffd + fffd + "\""},
        {"\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80", "\"" + fffd + fffd + fffd + fffd + "\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SafeText::Printable(c.text), c.printable);
        EXPECT_EQ(SafeText::Printable(c.printable), c.printable); // escaping twice changes nothing
        EXPECT_EQ(SafeText::Json(c.text), c.json);
    }
    EXPECT_EQ(SafeText::Columns("\xC3\xA9t\xE2\x82\xAC"), 3u);
}

TEST(BatchRunner, EveryItemOnceAndFailuresPassedOn)
{
    std::vector<std::atomic<int>> seen(200);
    BatchRunner::ForEach(seen.size(), 4, [&](size_t i) { seen[i]++; });
    for (const auto& s : seen)
        EXPECT_EQ(s.load(), 1);

    std::atomic<int> done{0};
    EXPECT_THROW(BatchRunner::ForEach(50, 3,
                                      [&](size_t i) {
                                          if (i == 7)
                                              throw std::runtime_error("seven");
                                          done++;
                                      }),
                 std::runtime_error);
    EXPECT_EQ(done.load(), 49); // the others still ran
    EXPECT_EQ(BatchRunner::ThreadCount(3, 8), 3);
    EXPECT_EQ(BatchRunner::ThreadCount(10, 2), 2);
    EXPECT_GE(BatchRunner::ThreadCount(10, 0), 1);
    EXPECT_EQ(BatchRunner::ThreadCount(0, 4), 1); // never no thread at all
    BatchRunner::ForEach(0, 4, [](size_t) { FAIL(); });
}

TEST(ProgressBar, DrawsInPlaceOnlyWhenEnabled)
{
    std::ostringstream quiet;
    {
        ProgressBar bar(quiet, false, 4);
        bar.Step("a");
        bar.Finish();
    }
    EXPECT_EQ(quiet.str(), "");

    std::ostringstream drawn;
    ProgressBar bar(drawn, true, 4);
    bar.Step("first");
    bar.Step(std::string(200, 'x') + "_events.tsv");
    const std::string text = drawn.str();
    EXPECT_EQ(text.find('\n'), std::string::npos); // redrawn in place, never scrolling
    EXPECT_TRUE(Contains(text, "\r[#######                       ] 1/4 first"));
    EXPECT_TRUE(Contains(text, "2/4 ...x")); // long names keep their end
    bar.Finish();
    const std::string after = drawn.str().substr(text.size());
    EXPECT_EQ(after.front(), '\r');
    EXPECT_EQ(after.back(), '\r');
    EXPECT_EQ(after.find_first_not_of(" \r"), std::string::npos); // erased
}

TEST(BundledSample, GeneratorReproducesTheCheckedInFiles)
{
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    const std::string command = "python3 " + Quote(std::string(ECEVENTS_SOURCE_DIR) + "/tools/make_sample.py") + " --check";
    EXPECT_EQ(std::system(command.c_str()), 0) << "data/sample differs from what tools/make_sample.py writes";
}
