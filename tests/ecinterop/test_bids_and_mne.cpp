// The shared event formats: BIDS tables, MNE event files, the name/id map
// and the sidecar lookup.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>

#include "../support/event_builders.h"
#include "../support/test_files.h"
#include "ecevents/events/ecEventList.h"
#include "ecinterop/ecBidsEvents.h"
#include "ecinterop/ecBidsSidecar.h"
#include "ecinterop/ecEventIdMap.h"
#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecMneEvents.h"
#include "ecinterop/ecTextTable.h"

using namespace testfiles;

namespace {

// The message of the ecFormatError that f throws, or "" when it throws none.
std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ecFormatError& e) {
        return e.what();
    }
    return "";
}

ecEventList ReadBids(const std::string& text, float rate, const std::string& nameColumn = "")
{
    ecEventList list;
    list.SetSamplingRate(rate);
    ecFormatOptions options;
    options.nameColumn = nameColumn;
    ecBidsEvents::ReadText(text, "t_events.tsv", options, list);
    return list;
}

// Each event as "name@start-stop", with "!" after rejected ones.
std::string Shown(const ecEventList& list)
{
    std::string shown;
    for (const ecEvent& e : list)
        shown += e.m_sName + "@" + std::to_string(e.m_iStart) + "-" + std::to_string(e.m_iStop) +
                 (e.IsRejected() ? "! " : " ");
    return shown;
}

const char* kTable = "onset\tduration\ttrial_type\tvalue\tsample\n"
                     "1.0\t0\tgo\t1\t999\n"
                     "2.5\t0.5\tn/a\t7\tn/a\n"
                     "3\tn/a\tEXCLUDE\tn/a\t3000\n";

} // namespace

TEST(BidsEventsRead, NamesPlacesAndStatus)
{
    struct Case {
        std::string text;
        float rate;
        std::string column;
        std::string expect;
    } cases[] = {
        // The onset places the event even when a sample column disagrees;
        // trial_type n/a falls back to value; 0.5 s at 100 Hz covers 50
        // samples; a duration of n/a is a point; status is left to the caller.
        {kTable, 100.0f, "", "go@100-100 7@250-299 EXCLUDE@300-300 "},
        // A name still n/a after that is no name.
        {kTable, 100.0f, "value", "1@100-100 7@250-299 @300-300 "},
        {"onset\ttrial_type\n1\tn/a\n", 10.0f, "", "@10-10 "},
        // Without trial_type the value column names the events.
        {"onset\tduration\tvalue\n0.5\t0\t13\n", 10.0f, "", "13@5-5 "},
        // Columns may come in any order.
        {"duration\tonset\ttrial_type\n0.5\t1\ta\n", 100.0f, "", "a@100-149 "},
        // Without a rate the sample column places them, rounded.
        {"onset\tduration\ttrial_type\tsample\n1.0\t0\tgo\t6052.5455\n", 0.0f, "", "go@6053-6053 "},
        {"\xEF\xBB\xBFonset\tduration\ttrial_type\r\n0.5\t0\ta b\r\n\r\n", 100.0f, "", "a b@50-50 "},
        // Onsets go to the nearest sample, halves away from zero on both
        // sides; 0.49999999999999994 samples is nearer 0 than 1.
        {"onset\tduration\ttrial_type\n-1.25\t0\ta\n1.25\t0\tb\n-0.2\t0\tc\n0.24999999999999997\t0\td\n", 2.0f, "",
         "a@-3--3 b@3-3 c@0-0 d@0-0 "},
        // The whole int range, and an event reaching its last sample.
        {"onset\tduration\ttrial_type\n-2147483.648\t0\tlo\n0\t2147483.648\thi\n", 1000.0f, "",
         "lo@-2147483648--2147483648 hi@0-2147483647 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ecEventList list = ReadBids(c.text, c.rate, c.column);
        EXPECT_EQ(Shown(list), c.expect);
        EXPECT_FLOAT_EQ(list.GetSamplingRate(), c.rate);
    }
    EXPECT_EQ(ReadBids(kTable, 100.0f).GetUniqueEventNameCnt(), 3);
}

TEST(BidsEventsRead, ProblemsNameTheLine)
{
    struct Case {
        const char* text;
        float rate;
        const char* column;
        const char* expect;
    } cases[] = {
        {"onset\tduration\ttrial_type\n1\t0\n", 100.0f, "", "line 2: expected 3"},
        {"duration\ttrial_type\n0\ta\n", 100.0f, "", "no onset column"},
        {"onset\tduration\ttrial_type\n1\t-0.5\ta\n", 100.0f, "", "negative"},
        {"onset\tduration\ttrial_type\n1\t0\ta\nabc\t0\tb\n", 100.0f, "", "line 3: onset \"abc\""},
        {"onset\tduration\ttrial_type\n1\tlong\ta\n", 100.0f, "", "duration \"long\""},
        {"onset\tduration\ttrial_type\nn/a\t0\ta\n", 100.0f, "", "n/a"},
        {"", 100.0f, "", "empty file"},
        {kTable, 100.0f, "nosuch", "nosuch"},
        {"onset\tduration\tother\n0.5\t0\t13\n", 10.0f, "", "--name-column"},
        // With neither a rate nor a sample the row cannot be placed.
        {"onset\tduration\ttrial_type\tsample\n1\t0\ta\t5\n2\t0\tb\tn/a\n", 0.0f, "", "line 3: no sampling rate"},
        {"onset\tduration\ttrial_type\n-2147483.6485\t0\ta\n", 1000.0f, "", "line 2: onset -2147483.6485 s is sample -2147483649"},
        {"onset\tduration\ttrial_type\n0\t2147483.6485\ta\n", 1000.0f, "", "is sample 2147483648, beyond"},
        {"onset\tduration\ttrial_type\tsample\n1\t0\ta\t3e9\n", 0.0f, "", "sample 3e9 is sample 3000000000"},
    };
    for (const Case& c : cases) {
        std::string m = Message([&] { ReadBids(c.text, c.rate, c.column); });
        EXPECT_TRUE(Contains(m, c.expect)) << c.text << " gave: ";
        EXPECT_EQ(m.rfind("t_events.tsv", 0), 0u) << m;
    }
}

TEST(BidsEventsWrite, SortedRowsDurationsAndTags)
{
    ecEventList list;
    list.SetSamplingRate(100.0f);
    list.push_back(MakeEvent("late", 250, 299));
    list.push_back(MakeEvent("early", 100, 100, kAccepted, {"Cond:A", "Side:L"}));
    EXPECT_EQ(ecBidsEvents::WriteText(list, "x.tsv"), "onset\tduration\tsample\ttrial_type\ttags\n"
                                                    "1\t0\t100\tearly\tCond:A;Side:L\n"
                                                    "2.5\t0.5\t250\tlate\tn/a\n");
    ecEventList noRate;
    noRate.push_back(MakeEvent("late", 250, 299));
    EXPECT_TRUE(Contains(Message([&] { ecBidsEvents::WriteText(noRate, "x.tsv"); }), "--rate"));
    ecEventList tab;
    tab.SetSamplingRate(10.0f);
    tab.push_back(MakeEvent("a\tb", 250, 299));
    EXPECT_TRUE(Contains(Message([&] { ecBidsEvents::WriteText(tab, "x.tsv"); }), "tab"));
    // Tags read back as written, and a tag the column cannot carry is refused.
    ecEventList back = ReadBids(ecBidsEvents::WriteText(list, "x.tsv"), 100.0f);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].m_vTags, (std::vector<std::string>{"Cond:A", "Side:L"}));
    EXPECT_TRUE(back[1].m_vTags.empty());
    for (const char* bad : {"a;b", "", "n/a", " a"}) {
        list[0].m_vTags = {bad};
        EXPECT_TRUE(Contains(Message([&] { ecBidsEvents::WriteText(list, "x.tsv"); }), "the tags column could not"));
    }
}

TEST(BidsEventsWrite, RoundTripKeepsSamplesAtAwkwardRates)
{
    for (float rate : {1525.9f, 600.614990234375f, 5000.0f, 250.0f}) {
        ecEventList list;
        list.SetSamplingRate(rate);
        for (int i = 0; i < 50; ++i)
            list.push_back(MakeEvent("e" + std::to_string(i % 3), 7 + i * 9973, 7 + i * 9973 + (i % 4 == 0 ? 0 : i * 13)));
        ecEventList back = ReadBids(ecBidsEvents::WriteText(list, "x.tsv"), rate);
        EXPECT_EQ(Shown(back), Shown(list)) << rate;
    }
}

TEST(MneEvents, ReadsBothLayoutsWithNames)
{
    ecFormatOptions options;
    options.ids.Add("Target=5");
    ecEventList list;
    double estimate = -1.0;
    ecMneEvents::ReadText("# made by hand\n  1000  1.000  0  5\n\n 2000 0 7 # three columns\n", "x.eve", options, list,
                        &estimate);
    EXPECT_EQ(Shown(list), "Target@1000-1000 7@2000-2000 ");
    EXPECT_EQ(estimate, 0.0); // a line without time: no estimate

    ecMneEvents::ReadText(" 1000 1.000 0 1\n61000 61.000 0 2\n", "x.eve", options, list, &estimate);
    EXPECT_DOUBLE_EQ(estimate, 1000.0);
    // Too short a stretch for millisecond times to tell the rate.
    ecMneEvents::ReadText(" 1000 1.000 0 1\n2000 2.000 0 2\n", "x.eve", options, list, &estimate);
    EXPECT_EQ(estimate, 0.0);
}

TEST(MneEvents, ProblemsAndWriting)
{
    ecFormatOptions options;
    ecEventList list;
    for (const auto& c : std::vector<std::pair<std::string, std::string>>{
             {"1 0.1 0 1\n12 x 0 1\n", "x.eve line 2: time \"x\""},
             {"1 2\n", "found 2 fields"},
             {"1.5 0.1 0 1\n", "sample \"1.5\""},
         }) {
        std::string m = Message([&] { ecMneEvents::ReadText(c.first, "x.eve", options, list); });
        EXPECT_TRUE(Contains(m, c.second));
    }

    ecEventList out;
    out.SetSamplingRate(100.0f);
    out.push_back(MakeEvent("Left", 250, 250));
    out.push_back(MakeEvent("32", 50, 50));
    std::string m = Message([&] { ecMneEvents::WriteText(out, options, "y.eve"); });
    EXPECT_TRUE(Contains(m, "--event-id \"Left=ID\""));
    options.ids.Add("Left=3");
    EXPECT_EQ(ecMneEvents::WriteText(out, options, "y.eve"), "    50   0.500   0  32\n   250   2.500   0   3\n");
}

TEST(EventIdMap, EntriesAndConflicts)
{
    ecEventIdMap ids;
    ids.AddAll({"Auditory/Left=1", "a=b=4", "Auditory/Left=1"});
    int id = 0;
    for (const auto& c : std::vector<std::pair<std::string, int>>{{"Auditory/Left", 1}, {"a=b", 4}, {"-12", -12}}) {
        EXPECT_TRUE(ids.IdFor(c.first, id)) << c.first;
        EXPECT_EQ(id, c.second);
    }
    EXPECT_FALSE(ids.IdFor("12a", id));
    EXPECT_FALSE(ids.IdFor("99999999999", id));
    EXPECT_EQ(ids.NameFor(4), "a=b");
    EXPECT_EQ(ids.NameFor(9), "9");
    for (const char* bad : {"Auditory/Left=2", "Other=1", "NoId", "=3", "x=three"})
        EXPECT_THROW(ids.Add(bad), ecFormatError) << bad;
}

TEST(BidsSidecar, RealDatasetsAndInheritance)
{
    float rate = 0.0f;
    std::string sidecar;
    const std::string ex = std::string(ECEVENTS_TEST_DATA) + "/cli/bids-examples";
    ASSERT_TRUE(ecBidsSidecar::FindRate(ex + "/eeg_matchingpennies/sub-05/eeg/sub-05_task-matchingpennies_events.tsv",
                                      rate, sidecar));
    EXPECT_EQ(rate, 5000.0f);
    EXPECT_TRUE(Contains(sidecar, "task-matchingpennies_eeg.json"));
    ASSERT_TRUE(ecBidsSidecar::FindRate(ex + "/ds000248/sub-01/meg/sub-01_task-audiovisual_run-01_events.tsv", rate, sidecar));
    EXPECT_EQ(rate, 600.614990234375f);

    Scratch s;
    s.Write({{"ds/dataset_description.json", "{}"},
             {"ds/task-x_eeg.json", "{\"SamplingFrequency\": 100}"},
             {"ds/sub-01/eeg/sub-01_task-x_eeg.json", "{\n\"SamplingFrequency\" :\n 200.5 }"},
             {"ds/sub-01/eeg/sub-01_task-x_events.tsv", "onset\n"},
             {"ds/sub-02/eeg/sub-02_task-x_run-1_events.tsv", "onset\n"},
             {"ds/sub-03/eeg/sub-03_task-y_events.tsv", "onset\n"},
             {"loose/a/sub-9_task-x_events.tsv", "onset\n"},
             {"loose/task-x_eeg.json", "{\"SamplingFrequency\": 100}"},
             {"bare/_events.tsv", "onset\n"},
             {"bare/_eeg.json", "{\"SamplingFrequency\": 300}"}});
    ASSERT_TRUE(ecBidsSidecar::FindRate(s / "ds/sub-01/eeg/sub-01_task-x_events.tsv", rate, sidecar));
    EXPECT_EQ(rate, 200.5f); // the nearer, more specific sidecar wins
    ASSERT_TRUE(ecBidsSidecar::FindRate(s / "ds/sub-02/eeg/sub-02_task-x_run-1_events.tsv", rate, sidecar));
    EXPECT_EQ(rate, 100.0f); // inherited from the dataset root
    EXPECT_FALSE(ecBidsSidecar::FindRate(s / "ds/sub-03/eeg/sub-03_task-y_events.tsv", rate, sidecar));
    // Without a dataset root only the events file's own folder counts.
    EXPECT_FALSE(ecBidsSidecar::FindRate(s / "loose/a/sub-9_task-x_events.tsv", rate, sidecar));
    EXPECT_FALSE(ecBidsSidecar::FindRate(s / "ds/sub-01/eeg/notevents.tsv", rate, sidecar));
    // Names with no entities at all: the suffix alone.
    ASSERT_TRUE(ecBidsSidecar::FindRate(s / "bare/_events.tsv", rate, sidecar));
    EXPECT_EQ(rate, 300.0f);

    double value = 0.0;
    for (const char* bad : {"{\"SamplingFrequency\": \"n/a\"}", "{\"SamplingFrequency\": 0}", "{\"Sampling\": 10}"})
        EXPECT_FALSE(ecBidsSidecar::ParseRate(bad, value)) << bad;
}

TEST(ecTextTable, NumbersAndFloats)
{
    double v = 0.0;
    EXPECT_TRUE(ecTextTable::ParseNumber(" 2.5e1 ", v));
    EXPECT_EQ(v, 25.0);
    for (const char* bad : {"", "nan", "inf", "0x10", "1,5", "2.5s", "1e999"})
        EXPECT_FALSE(ecTextTable::ParseNumber(bad, v)) << bad;
    EXPECT_EQ(ecTextTable::Fixed(2.0, 6), "2");
    EXPECT_EQ(ecTextTable::Fixed(-0.0000001, 6), "0");
    EXPECT_EQ(ecTextTable::Fixed(0.25, 6), "0.25");
    EXPECT_EQ(ecTextTable::ShortFloat(1525.9f), "1525.9");
    EXPECT_EQ(ecTextTable::ShortFloat(600.614990234375f), "600.615");
    EXPECT_EQ(ecTextTable::ShortFloat(0.1f), "0.1");
}

// The in-place readings against the plain ones they replace: numbers and
// fixed notation on random texts, and whole tables against a reading
// through lines, tokens and ParseNumber.
TEST(ecTextTable, InPlaceReadingsMatchThePlainOnesAtRandom)
{
    std::mt19937 rng(5);
    const std::string alphabet = "0123456789.-+eE x";
    for (int i = 0; i < 20000; ++i) {
        std::string t;
        for (int n = std::uniform_int_distribution<int>(0, 8)(rng); n > 0; --n)
            t += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
        if (i % 10 == 0)
            t = std::to_string(std::uniform_real_distribution<double>(-1e6, 1e6)(rng)) + (i % 20 ? "" : "e-320");
        if (t.find(' ') != std::string::npos)
            continue;
        double plain = -1.0, inPlace = -1.0;
        ASSERT_EQ(ecTextTable::ParseToken(t, inPlace), ecTextTable::ParseNumber(t, plain)) << t;
        EXPECT_TRUE(plain == inPlace || (plain != plain && inPlace != inPlace)) << t;
        int a = -1;
        long long b = 0;
        char* end = nullptr;
        errno = 0;
        if (!t.empty() && t[0] != ' ' && t.size() <= 20 && t.find_first_not_of("0123456789", t[0] == '-' || t[0] == '+') == std::string::npos)
            b = std::strtoll(t.c_str(), &end, 10);
        const bool fits = end && *end == '\0' && end != t.c_str() && errno == 0 && b >= INT_MIN && b <= INT_MAX;
        ASSERT_EQ(ecEventIdMap::ParseInt(t, a), fits) << t;
        if (fits) {
            EXPECT_EQ(a, b) << t;
        }
    }
    const double specials[] = {0.0, -0.0, 1e300, -1e-300, 5e-10, 4.9999999995e-7, 1.0 / 3.0, NAN, -INFINITY};
    for (int i = 0; i < 20000; ++i) {
        const double v = i < 9 ? specials[i] : std::uniform_real_distribution<double>(-1e5, 1e5)(rng) / (i % 7 + 1);
        for (int decimals : {0, 3, 9}) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
            std::string expected = buffer;
            if (expected.find('.') != std::string::npos) {
                expected.erase(expected.find_last_not_of('0') + 1);
                if (expected.back() == '.')
                    expected.pop_back();
            }
            EXPECT_EQ(ecTextTable::Fixed(v, decimals), expected == "-0" ? "0" : expected) << v;
        }
    }
}

TEST(MneEvents, ReadsAsThroughLinesAndTokensAtRandom)
{
    std::mt19937 rng(9);
    auto pick = [&rng](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    const std::vector<std::string> fields = {"100", "-5", "+7", "0.5", "1.000", "x", "99999999999", "", "1e3", "3"};
    const std::vector<std::string> gaps = {" ", "\t", "  ", "\v"};
    const std::vector<std::string> ends = {"\n", "\r\n", "\r", "\n\n", " # note\n"};
    ecFormatOptions options;
    options.ids.Add("Target=3");
    for (int round = 0; round < 300; ++round) {
        std::string text = round % 5 ? "" : "\xEF\xBB\xBF";
        for (int l = std::uniform_int_distribution<int>(0, 6)(rng); l > 0; --l) {
            const int count = std::uniform_int_distribution<int>(0, 9)(rng) < 8 ? 4 : std::uniform_int_distribution<int>(0, 5)(rng);
            for (int f = 0; f < count; ++f)
                text += pick(gaps) + (std::uniform_int_distribution<int>(0, 9)(rng) ? std::to_string(f + 1) : pick(fields));
            text += pick(ends);
        }
        // The plain reading: lines, tokens, then the parsers one by one.
        std::string expected, message;
        const std::vector<std::string> lines = ecTextTable::Lines(text);
        for (std::size_t l = 0; l < lines.size() && message.empty(); ++l) {
            const std::vector<std::string> t = ecTextTable::Tokens(lines[l].substr(0, lines[l].find('#')));
            int sample = 0, previous = 0, id = 0;
            double time = 0.0;
            const std::size_t at = t.size() == 4 ? 1 : 0;
            if (t.empty())
                continue;
            if ((t.size() != 3 && t.size() != 4) || !ecEventIdMap::ParseInt(t[0], sample) ||
                (at && !ecTextTable::ParseNumber(t[1], time)) || !ecEventIdMap::ParseInt(t[1 + at], previous) ||
                !ecEventIdMap::ParseInt(t[2 + at], id))
                message = "x.eve line " + std::to_string(l + 1) + ":";
            else
                expected += options.ids.NameFor(id) + "@" + std::to_string(sample) + "-" + std::to_string(sample) + " ";
        }
        SCOPED_TRACE(text);
        ecEventList list;
        const std::string m = Message([&] { ecMneEvents::ReadText(text, "x.eve", options, list); });
        if (message.empty()) {
            EXPECT_EQ(Shown(list), expected);
        } else {
            EXPECT_EQ(m.rfind(message, 0), 0u) << m;
        }
    }
}
