// Runs the built ecbin on names: exclusions in every input format, names
// the bins ask for that the recording lacks, and names holding any bytes.
#include "cli_test_support.h"

using namespace clitest;

namespace {

// One bin "Stim" of the events named name, epoch -0.1..0.4 s, exclusion on.
std::string StimBinList(const std::string& name)
{
    return "<bin_list><bExcludeON>1</bExcludeON><sName>x</sName><vBinList>\n"
           "<bin><sBinName>Stim</sBinName><sEpochName>E</sEpochName><sCase>EvtNames</sCase>"
           "<vEvtNames><name>" + name + "</name></vEvtNames></bin>\n"
           "<bin><sBinName>Tagged</sBinName><sEpochName>E</sEpochName><sCase>EvtTags</sCase>"
           "<vEvtTags><tag>Kind:Go</tag></vEvtTags></bin>\n"
           "</vBinList><vEpochList><epoch><sID>E</sID><fStart>-0.1</fStart><fStop>0.4</fStop></epoch></vEpochList>"
           "</bin_list>\n";
}

// Tags every event named target with Kind:Go.
std::string BinDesc(const std::string& target)
{
    return "<bin_desc><attrib_spec><attrib><factor>Kind</factor><tag>Go</tag></attrib><event_specs>"
           "<target><name>T</name><event>" + target + "</event></target></event_specs></attrib_spec></bin_desc>\n";
}

} // namespace

TEST(EcbinExclusions, RejectedWhateverTheFormat)
{
    // At 100 Hz: stim at 100, 500 and 900, and an exclusion over 450..550
    // (a point at 500 in an .eve file). The exclusion post-step drops the
    // stim at 500, and no 5.1 s segment fits beside the stretch.
    const std::string eveIds = "--event-id=stim=1";
    struct Case {
        std::string file;
        std::string text;
        std::string exclusion; // the name in the file
        bool excludes;
    } cases[] = {
        {"a.pre", "4b4f5641 4 0 0\nstim 100 100 2\nstim 500 500 2\nstim 900 900 2\nEXCLUDE 450 550 2\n", "EXCLUDE", true},
        {"b.pre", "4b4f5641 4 0 0\nstim 100 100 2\nstim 500 500 2\nBAD_muscle 450 550 2\nstim 900 900 2\n", "BAD_muscle",
         true},
        {"c.eve", "100 1.0 0 1\n500 5.0 0 1\n500 5.0 0 9\n900 9.0 0 1\n", "EXCLUDE", true},
        {"d.eve", "100 1.0 0 1\n500 5.0 0 1\n500 5.0 0 9\n900 9.0 0 1\n", "bad_blink", true},
        {"e_events.tsv", "onset\tduration\ttrial_type\n1\t0\tstim\n5\t0\tstim\n9\t0\tstim\n4.5\t1.01\tBAD_muscle\n",
         "BAD_muscle", true},
        {"f.evt",
         "<KOVA_Event_List>\n<Event><Name>stim</Name><Start>100</Start><Stop>100</Stop><Status>2</Status></Event>\n"
         "<Event><Name>stim</Name><Start>500</Start><Stop>500</Stop><Status>2</Status></Event>\n"
         "<Event><Name>BAD_</Name><Start>450</Start><Stop>550</Stop><Status>2</Status></Event>\n"
         "<Event><Name>stim</Name><Start>900</Start><Stop>900</Stop><Status>2</Status></Event>\n</KOVA_Event_List>\n",
         "BAD_", true},
        // Only the prefix with its underscore counts.
        {"g_events.tsv", "onset\tduration\ttrial_type\n1\t0\tstim\n5\t0\tstim\n9\t0\tstim\n4.5\t1.01\tBADGE\n", "BADGE",
         false},
    };
    Scratch s;
    s.Write({{"bins.xml", StimBinList("stim")}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        s.Write({{c.file, c.text}});
        std::vector<std::string> flags = {"--rate", "100", eveIds, "--event-id=" + c.exclusion + "=9"};
        auto with = [&](std::vector<std::string> args) {
            args.insert(args.end(), flags.begin(), flags.end());
            return Ecbin(args);
        };
        Ran info = with({"info", s / c.file});
        ASSERT_EQ(info.status, 0) << info.err;
        EXPECT_TRUE(Contains(info.out, c.excludes ? "events: 4 (1 rejected)" : "events: 4\n"));

        Ran run = with({"run", s / c.file, "--bins", s / "bins.xml"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Contains(Lines(run.out).at(1), c.excludes ? "  2  " : "  3  ")) << run.out;

        Ran seg = with({"segments", s / c.file, "--length", "5.1", "--count", "1", "--stop", "10", "--seed", "1"});
        ASSERT_EQ(seg.status, 0) << seg.err;
        EXPECT_EQ(Lines(seg.out).size(), c.excludes ? 1u : 2u) << seg.out;
        EXPECT_EQ(Contains(seg.err, "only 0 of 1 segments fit"), c.excludes) << seg.err;
    }
}

TEST(EcbinNames, MissingNamesWarnOrFailWithStrict)
{
    Scratch s;
    s.Write({{"sub-1_task-x_events.tsv", "onset\tduration\ttrial_type\n1\t0\tgo\n2\t0\tstop\n"},
             {"sub-1_task-x_eeg.json", "{\"SamplingFrequency\": 100}"},
             {"good.xml", StimBinList("go")},
             {"typo.xml", StimBinList("og")},
             {"desc.xml", BinDesc("go")},
             {"desctypo.xml", BinDesc("Go")}});
    const std::string rec = s / "sub-1_task-x_events.tsv";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err; // "" : stderr stays empty
    } cases[] = {
        {{"run", rec, "--bins", s / "good.xml", "--bindesc", s / "desc.xml"}, 0, ""},
        {{"run", rec, "--bins", s / "typo.xml", "--bindesc", s / "desc.xml"}, 0,
         "ecbin: warning: " + rec + ": bin list " + s / "typo.xml" +
             " names the event \"og\" that no event of the recording carries; the recording's event names are "
             "\"go\", \"stop\"\n"},
        {{"run", rec, "--bins", s / "typo.xml", "--bindesc", s / "desc.xml", "--strict"}, 1,
         "ecbin: " + rec + ": bin list " + s / "typo.xml" + " names the event \"og\""},
        // Without the description no event gets the bin list's tag.
        {{"run", rec, "--bins", s / "good.xml"}, 0,
         "asks for the tag \"Kind:Go\" that no event of the recording carries; the recording has no tags"},
        {{"run", rec, "--bins", s / "good.xml", "--bindesc", s / "desctypo.xml"}, 0,
         "bin description " + s / "desctypo.xml" + " names the event \"Go\""},
        {{"tag", rec, s / "desctypo.xml"}, 0, "warning: " + rec + ": bin description"},
        {{"tag", rec, s / "desctypo.xml", "--strict", "-o", s / "out.evt"}, 1, "names the event \"Go\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[2] + " " + c.args.back());
        Ran r = Ecbin(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.err.empty())
            EXPECT_EQ(r.err, "");
        else
            EXPECT_TRUE(Contains(r.err, c.err));
    }
    EXPECT_FALSE(fs::exists(s / "out.evt")); // a strict failure writes nothing
}

TEST(EcbinNames, AnyBytesStayOffTheTerminalAndInValidJson)
{
    // Names and paths with line breaks, tabs, escape sequences, DEL,
    // quotes, backslashes, a C1 control and bytes that are not UTF-8.
    const std::vector<std::string> names = {"a\nb", "t\tab", "esc\x1b[31mred", "del\x7f", "q\"uote",
                                            "back\\slash", "bad\xff\xc0utf", "c1\xc2\x9bx", "ok\xc3\xa9"};
    Scratch s;
    std::string events = "<KOVA_Event_List>\n", bins;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string at = std::to_string(100 * (i + 1));
        events += "<Event><Name>" + names[i] + "</Name><Start>" + at + "</Start><Stop>" + at + "</Stop></Event>\n";
        bins += "<bin><sBinName>B" + names[i] + "</sBinName><sEpochName>E</sEpochName><sCase>EvtNames</sCase>"
                "<vEvtNames><name>" + names[i] + "</name></vEvtNames></bin>\n";
    }
    const std::string rec = s / "rec\n\x1b\xff.evt";
    s.Write({{"rec\n\x1b\xff.evt", events + "</KOVA_Event_List>\n"},
             {"bins.xml", "<bin_list><bExcludeON>0</bExcludeON><sName>x</sName><vBinList>\n" + bins +
                              "</vBinList><vEpochList><epoch><sID>E</sID><fStart>0</fStart><fStop>0.1</fStop></epoch>"
                              "</vEpochList></bin_list>\n"}});

    struct Case {
        std::vector<std::string> args;
        std::string shown; // how a name or path must appear
    } cases[] = {
        {{"run", rec, "--bins", s / "bins.xml", "--rate", "100", "--summary", s / "s.json"}, "Besc\\x1b[31mred  "},
        {{"run", rec, "--bins", s / "bins.xml", "--rate", "100"}, "Bc1\\xc2\\x9bx  "},
        {{"info", rec}, "bad\\xff\\xc0utf  "},
        {{"info", rec}, "rec\\x0a\\x1b\\xff.evt"},
        {{"convert", rec, s / "o.evt"}, "rec\\x0a\\x1b\\xff.evt"},
        {{"info", s / "no\t\x7f.evt"}, "no\\x09\\x7f.evt: no such file"},
    };
    for (const Case& c : cases) {
        Ran r = Ecbin(c.args);
        for (const std::string& text : {r.out, r.err})
            for (char ch : text)
                EXPECT_TRUE(ch == '\n' || (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7f)) << text;
        EXPECT_TRUE(Contains(r.out + r.err, c.shown));
    }

    // A strict reader: the file must be UTF-8 and JSON; it prints the
    // names back as ASCII JSON to compare.
    const std::string check = "import json,sys\n"
                              "d=json.loads(open(sys.argv[1],'rb').read().decode('utf-8'))\n"
                              "r=d['recordings'][0]\n"
                              "print(json.dumps([r['recording']]+[b['bin'] for b in r['bins']]))\n";
    WriteText(s / "check.py", check);
    Ran py = RunProgram({"/usr/bin/python3", s / "check.py", s / "s.json"});
    if (py.status == 127)
        GTEST_SKIP() << "no /usr/bin/python3";
    ASSERT_EQ(py.status, 0) << py.err;
    EXPECT_EQ(py.out, "[\"" + s / "rec\\n\\u001b\\ufffd.evt" +
                          "\", \"Ba\\nb\", \"Bt\\tab\", \"Besc\\u001b[31mred\", \"Bdel\\u007f\", \"Bq\\\"uote\", "
                          "\"Bback\\\\slash\", \"Bbad\\ufffd\\ufffdutf\", \"Bc1\\u009bx\", \"Bok\\u00e9\"]\n");
}
