// Numbers through the built ecbin: sample arithmetic at the ends of the int
// range, numeric options, and what the readers read past.
#include "cli_test_support.h"

using namespace clitest;

namespace {

std::string Numbers(const std::string& name)
{
    return std::string(ECEVENTS_TEST_DATA) + "/cli/numbers/" + name;
}

// The text with the first `from` replaced, and the line it is on.
std::string Replaced(std::string text, const std::string& from, const std::string& to, int& line)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
    return text.replace(at, from.size(), to);
}

} // namespace

TEST(EcbinNumbers, RegressionInputsAtTheEndsOfTheIntRange)
{
    Scratch dir;
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {{"info", Numbers("onset_plus_duration_events.tsv"), "--rate", "500"}, 1, "",
         "onset_plus_duration_events.tsv line 3: the end of onset 4000000 s plus duration 1000000 s is sample "
         "2499999999, beyond the 32-bit sample range"},
        {{"info", Numbers("span_int_range.evt"), "--rate", "1000"}, 0,
         "samples -2147483648 to 2147483647 (-2147483.648 s to 2147483.647 s, 4294967.295 s)", ""},
        {{"info", Numbers("int_range.eve")}, 0, "1000 Hz (estimated from the time column)", ""},
        {{"convert", Numbers("stop_int_max.evt"), dir / "whole.tsv", "--rate", "1000"}, 0, "-> ", ""},
        {{"convert", dir / "whole.tsv", dir / "back.evt", "--rate", "1000"}, 0, "1 events", ""},
        {{"info", dir / "back.evt", "--rate", "1000"}, 0, "samples 0 to 2147483647", ""},
        {{"segments", Numbers("span_int_range.evt"), "--rate", "1000", "--length", "1", "--stop", "1e7"}, 1, "",
         "--stop 10000000 s is sample 10000000000 at 1000 Hz, beyond the 32-bit sample range"},
    };
    for (const auto& c : cases) {
        const Ran ran = Ecbin(c.args);
        EXPECT_EQ(ran.status, c.status) << c.args[1] << "\n" << ran.err;
        EXPECT_TRUE(Contains(ran.out, c.out));
        EXPECT_TRUE(Contains(ran.err, c.err));
    }
    EXPECT_TRUE(Contains(ReadText(dir / "whole.tsv"), "0\t2147483.648\t0\twhole\n"));
}

TEST(EcbinNumbers, NumericOptionsRefuseWhatTheirTypeCannotHold)
{
    const std::string events = Numbers("span_int_range.evt");
    const std::vector<std::string> segments = {"segments", events, "--rate", "1000", "--length", "1"};
    auto with = [](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {with(segments, {"--min-separation", "nan"}), "--min-separation: must be a number, not nan"},
        {with(segments, {"--margin", "1e400"}), "--margin: must be a finite number, not 1e400"},
        {with(segments, {"--start", "inf"}), "--start: must be a number, not inf"},
        {with(segments, {"--count", "99999999999"}), "--count: must be a whole number from -2147483648 to 2147483647"},
        {with(segments, {"--seed", "1e3"}), "--seed: must be a whole number, not 1e3"},
        {with(segments, {"--count", "-1"}), "--count: must not be negative"},
        {{"info", events, "--rate", "1e39"}, "--rate: must be a finite number within a 32-bit float, not 1e39"},
        {{"info", events, "--rate", "1e-50"}, "--rate: must be a positive number, not 1e-50"},
        {{"run", events, "--bins", events, "-j", "1e10"}, "--jobs: must be a whole number, not 1e10"},
    };
    for (const auto& c : cases) {
        const Ran ran = Ecbin(c.args);
        EXPECT_EQ(ran.status, 2) << c.err << "\n" << ran.err;
        EXPECT_TRUE(Contains(ran.err, c.err));
    }
    EXPECT_EQ(Ecbin(with(segments, {"--seed", "-7", "--min-separation", "-1", "--count", "2"})).status, 0);
}

// Each reader's diagnostics: an error naming file and line by default, a
// warning under --lenient (before or after the command) with the run going on.
TEST(EcbinNumbers, ReadDiagnosticsAreErrorsUnlessLenient)
{
    Scratch dir;
    const std::string binResults = Ecbin({"compile", Sample("/oddball_binlist.xml")}).out;
    const std::string binDesc = ReadText(Sample("/oddball_bindesc.xml"));
    const std::string binList = ReadText(Sample("/oddball_binlist.xml"));
    const std::string events = Sample(kSampleEvents);
    int line = 0;
    const std::string document = "<KOVA_Event_List>\n<Event><Name>A</Name><Start>1</Start><Stop>1</Stop></Event>\n"
                                 "<Event><Name>B</Name><Start>99999999999</Start><Stop>2</Stop></Event>\n"
                                 "</KOVA_Event_List>\n";
    struct Case {
        std::string file, text;
        std::vector<std::string> args;
        std::string problem;
        int line;
    };
    std::vector<Case> cases = {
        {"big.evt", document, {"info", dir / "big.evt"}, "<Start> \"99999999999\" does not fit a 32-bit integer", 3},
        {"stops.txt", "4b4f5641 4 0 0\nA 1 1 2\n\nB x 2 2\nC 3 3 2\n", {"info", dir / "stops.txt"},
         "\"B x 2 2\" is not a readable event record: reading stopped here, though the file goes on", 4},
    };
    cases.push_back({"nan_bindesc.xml", Replaced(binDesc, "<latency>0.2</latency>", "<latency>nan</latency>", line),
                     {"tag", events, dir / "nan_bindesc.xml"}, "<latency> \"nan\" is not finite", line});
    cases.push_back({"inf_binlist.xml", Replaced(binList, "<fStart>-0.2</fStart>", "<fStart>-inf</fStart>", line),
                     {"compile", dir / "inf_binlist.xml"}, "<fStart> \"-inf\" is not finite", line});
    cases.push_back({"big_binresults.xml", Replaced(binResults, "<fStop>0.8</fStop>", "<fStop>1e39</fStop>", line),
                     {"run", events, "--bins", dir / "big_binresults.xml"}, "is out of the range of a 32-bit float",
                     line});
    for (const Case& c : cases) {
        WriteText(dir / c.file, c.text);
        // Documents give the column too; line-based files cannot.
        const std::string where = dir / c.file + ":" + std::to_string(c.line) + (c.file == "big.evt" ? ":29: " : ":");
        const Ran strict = Ecbin(c.args);
        EXPECT_EQ(strict.status, 1) << c.file << "\n" << strict.err;
        EXPECT_TRUE(Contains(strict.err, "ecbin: " + where));
        EXPECT_TRUE(Contains(strict.err, c.problem));
        std::vector<std::string> lenient = c.args;
        lenient.insert(c.file == "big.evt" ? lenient.begin() : lenient.end(), "--lenient");
        const Ran warned = Ecbin(lenient);
        EXPECT_EQ(warned.status, 0) << c.file << "\n" << warned.err;
        EXPECT_TRUE(Contains(warned.err, "ecbin: warning: " + where));
        EXPECT_FALSE(warned.out.empty());
    }
}
