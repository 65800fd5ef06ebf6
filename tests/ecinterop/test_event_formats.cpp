// Reading any event file by name, writing documents for other tools, the
// seconds-to-samples rule of the formats and the statistics of a list.
#include <cmath>
#include <functional>
#include <limits>

#include "../support/event_builders.h"
#include "../support/test_files.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/events/ecEventLoader.h"
#include "ecinterop/ecEventFormats.h"
#include "ecinterop/ecEventStats.h"
#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecNearestSample.h"

using namespace testfiles;

namespace {

// Each event as "name@start-stop", with "!" after rejected ones and "?"
// after those neither accepted nor rejected.
std::string Shown(const ecEventList& list)
{
    std::string shown;
    for (const ecEvent& e : list)
        shown += e.m_sName + "@" + std::to_string(e.m_iStart) + "-" + std::to_string(e.m_iStop) +
                 (e.IsRejected() ? "! " : e.IsAccepted() ? " " : "? ");
    return shown;
}

const char* kDocument = "<KOVA_Event_List>\n"
                        "<Event><Name>go</Name><Start>5</Start><Stop>5</Stop><Status>0</Status></Event>\n"
                        "<Event><Name>BAD_blink</Name><Start>7</Start><Stop>9</Stop><Status>0</Status></Event>\n"
                        "</KOVA_Event_List>\n";

} // namespace

TEST(ecNearestSample, HalvesAwayFromZeroOnBothSides)
{
    const struct {
        double seconds, rate, sample;
    } cases[] = {{0.25, 2.0, 1.0}, {-0.25, 2.0, -1.0}, {-0.75, 2.0, -2.0}, {0.2, 2.0, 0.0},
                 {-0.2, 2.0, 0.0}, {1.5, 1000.0, 1500.0}, {-3.0, 512.0, -1536.0}};
    for (const auto& c : cases)
        EXPECT_EQ(ecNearestSample(c.seconds, c.rate), c.sample) << c.seconds << " s at " << c.rate << " Hz";
    EXPECT_TRUE(ecFitsSample(2147483647.0));
    EXPECT_TRUE(ecFitsSample(-2147483648.0));
    EXPECT_FALSE(ecFitsSample(2147483648.0));
    EXPECT_FALSE(ecFitsSample(-2147483649.0));
    EXPECT_FALSE(ecFitsSample(std::nan("")));
}

TEST(ecEventFormats, ReadAnyFileByNameAndFirstBytes)
{
    Scratch s;
    struct Case {
        std::string name, text;
        float rate;
        std::string from;
        ecEventFormats::Format format;
        std::string expect; // the events, or part of the error
    } cases[] = {
        {"a.evt", kDocument, 0.0f, "", ecEventFormats::Document, "go@5-5? BAD_blink@7-9! "},
        // The name does not decide for documents: their first bytes do.
        {"a.txt", kDocument, 0.0f, "", ecEventFormats::Document, "go@5-5? BAD_blink@7-9! "},
        {"b_events.tsv", "onset\tduration\ttrial_type\n1\t0\tbad_x\n-0.05\t0\tgo\n", 10.0f, "", ecEventFormats::Bids,
         "bad_x@10-10! go@-1--1 "},
        {"b.txt", "onset\ttrial_type\n1\tEXCLUDE\n", 10.0f, "bids", ecEventFormats::Bids, "EXCLUDE@10-10! "},
        {"c.eve", "100 1.0 0 1\n200 2.0 0 2\n", 100.0f, "", ecEventFormats::Mne, "1@100-100 2@200-200 "},
        {"d.evt", "4b4f5641 1 0 0\n", 0.0f, "", ecEventFormats::PreXml, "holds times in seconds: give --rate"},
        {"e.evt", "hello\n", 0.0f, "", ecEventFormats::Document, "e.evt: not an event file"},
        {"f.evt", "<KOVA_Event_List>\n<Event><Name>x</Name\n", 0.0f, "", ecEventFormats::Document, "no readable <Event>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.Write({{c.name, c.text}});
        ecFormatOptions options;
        options.rate = c.rate;
        options.inputFormat = c.from;
        EXPECT_EQ(ecEventFormats::InputFormat(s / c.name, ecEventFormats::ParseFormat(c.from)), c.format);
        ecEventList list;
        try {
            const ecEventFormats::Loaded loaded = ecEventFormats::Read(s / c.name, options, list);
            EXPECT_EQ(loaded.format, c.format);
            EXPECT_EQ(Shown(list), c.expect);
            EXPECT_EQ(list.GetSamplingRate(), c.rate);
        } catch (const ecFormatError& e) {
            EXPECT_TRUE(Contains(e.what(), c.expect));
        }
    }
    ecEventList list;
    ecFormatOptions options;
    options.ids.Add("BAD_blink=2");
    s.Write({{"g.eve", "100 1.0 0 1\n200 2.0 0 2\n"}});
    ecEventFormats::Read(s / "g.eve", options, list);
    EXPECT_EQ(Shown(list), "1@100-100 BAD_blink@200-200! ");
    EXPECT_THROW(ecEventFormats::Read(s / "missing.evt", ecFormatOptions(), list), ecFormatError);
    EXPECT_THROW(ecEventFormats::ParseFormat("csv"), ecFormatError);
}

TEST(ecEventFormats, WhatAReadReadPastIsAnErrorUnlessLenient)
{
    Scratch s;
    s.Write({{"n.evt", "<KOVA_Event_List>\n<Event><Name>a</Name><Start>99999999999</Start><Stop>1</Stop></Event>\n"
                       "<Event><Name>b</Name><Start>2</Start><Stop>2</Stop></Event>\n</KOVA_Event_List>\n"}});
    ecFormatOptions options;
    ecEventList list;
    try {
        ecEventFormats::Read(s / "n.evt", options, list);
        ADD_FAILURE() << "read past a number without a word";
    } catch (const ecFormatError& e) {
        ASSERT_EQ(e.Lines().size(), 1u);
        EXPECT_TRUE(Contains(e.Lines()[0], s / "n.evt:2: <Start> \"99999999999\""));
    }
    options.lenient = true;
    const ecEventFormats::Loaded loaded = ecEventFormats::Read(s / "n.evt", options, list);
    ASSERT_EQ(loaded.warnings.size(), 1u);
    EXPECT_TRUE(Contains(loaded.warnings[0], "99999999999"));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(list.GetReadDiagnostics(), nullptr); // the list reports to no one after the read
}

TEST(ecEventFormats, DocumentsForOtherToolsAreEscapedAndReadBack)
{
    Scratch s;
    ecEventList list;
    list.push_back(MakeEvent("late \"q\"", 20, 20));
    list.push_back(MakeEvent("a<b & c>'d'", 10, 12, kAccepted, {"Tag:<x>", "plain"}));
    list.SetAnnotation("made by <me> & co");
    ecEventFormats::WriteDocument(list, s / "out.evt");
    const std::string text = ReadText(s / "out.evt");
    EXPECT_TRUE(Contains(text, "<Name>a&lt;b &amp; c&gt;&apos;d&apos;</Name>"));
    EXPECT_TRUE(Contains(text, "<Annotation>\nmade by &lt;me&gt; &amp; co</Annotation>"));

    ecEventList back;
    ecEventFormats::Read(s / "out.evt", ecFormatOptions(), back);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].m_sName, "a<b & c>'d'"); // in time order
    EXPECT_EQ(back[0].m_vTags, (std::vector<std::string>{"Tag:<x>", "plain"}));
    EXPECT_EQ(back[1].m_sName, "late \"q\"");
    EXPECT_TRUE(Contains(back.GetAnnotation(), "made by <me> & co"));
}

TEST(ecEventStats, CountsSpanNamesExclusionsAndTags)
{
    ecEventList list;
    ecEventLoader loader(list, false);
    for (ecEvent& e : MakeList("go@100+A+B @3 x@10..19! x@15..29! go@50!+B stop@40..400"))
        loader.Enter(std::move(e));
    const ecEventStats stats = ecEventStats::Of(list);
    EXPECT_EQ(stats.events, 6);
    EXPECT_EQ(stats.rejected, 3);
    EXPECT_EQ(stats.first, 3);
    EXPECT_EQ(stats.last, 400);
    EXPECT_EQ(stats.names, (std::vector<std::pair<std::string, int>>{{"go", 2}, {"x", 2}, {"stop", 1}}));
    EXPECT_EQ(stats.unnamed, 1);
    EXPECT_EQ(stats.exclusions, 3);
    EXPECT_EQ(stats.excludedSamples, 20); // 10..29 once, the point adds nothing
    EXPECT_EQ(stats.tags, (std::vector<std::pair<std::string, int>>{{"A", 1}, {"B", 2}}));
}
