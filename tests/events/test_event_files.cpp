#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <tuple>

#include "ecevents/events/ecEventLoader.h"
#include "ecevents/foundation/ecError.h"
#include "events_test_support.h"
#include "../support/single_precision_search.h"

namespace {

std::string Data(const std::string& name) { return std::string(ECEVENTS_TEST_DATA) + "/events/" + name; }

// A list that a reader must not touch when it refuses a file.
ecEventList Sentinel()
{
    ecEventList list;
    list.SetAnnotation("keep");
    list.AppendOneEvent(MakeEvent("Keep", 7));
    list.SetDirty(false);
    return list;
}

void ExpectSentinel(const ecEventList& list)
{
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_sName, "Keep");
    EXPECT_EQ(list.GetAnnotation(), "keep");
}

} // namespace

TEST(EventFileWrite, DocumentLayout)
{
    ecEventList list;
    list.SetAnnotation("line one\nline two\n");
    ecEvent e = MakeEvent("Stim", 3);
    e.m_nColor = 255;
    list.AppendOneEvent(e);
    std::ostringstream out;
    EXPECT_TRUE(list.WriteXml(out));
    const std::string expected = "<KOVA_Event_List>\n<Annotation>\nline one\nline two\n</Annotation>\n"
                                 "<Event><Name>Stim</Name><Start>3</Start><Stop>3</Stop><Status>2</Status>"
                                 "<Color>255</Color><Attribute>0</Attribute><TimeStart>0</TimeStart>"
                                 "<TimeStop>0</TimeStop><FreqStart>0</FreqStart><FreqStop>0</FreqStop>"
                                 "<FWHM_Time>0</FWHM_Time><FWHM_Freq>0</FWHM_Freq></Event>\n"
                                 "</KOVA_Event_List>\n";
    EXPECT_EQ(out.str(), expected);
    EXPECT_EQ(list.GetCurrentEventIndex(), 0) << "the walk ends on the last event";

    ecEventList bare;
    std::ostringstream empty;
    bare.WriteXml(empty);
    EXPECT_EQ(empty.str(), "<KOVA_Event_List>\n</KOVA_Event_List>\n");
}

TEST(EventFileWrite, EscapingIsOptInAndReadsBack)
{
    ecEventList list;
    list.SetAnnotation("a<b");
    // A text made only of the longest entities fills the most room.
    ecEvent e = MakeEvent("x&y" + std::string(40, '"'), 3);
    e.m_vTags = {"f:'q'", "g:>"};
    list.AppendOneEvent(e);
    std::ostringstream plain, escaped;
    list.WriteXml(plain);
    list.WriteXml(escaped, ecXmlWriter::Escaping::Text);
    for (const char* part : {"<Annotation>\na<b</Annotation>", "<Name>x&y\"", "<AttribTag>f:'q'</AttribTag>"})
        EXPECT_NE(plain.str().find(part), std::string::npos) << part;
    for (const char* part : {"<Annotation>\na&lt;b</Annotation>", "<Name>x&amp;y&quot;", "<AttribTag>f:&apos;q&apos;</AttribTag>",
                             "<AttribTag>g:&gt;</AttribTag>"})
        EXPECT_NE(escaped.str().find(part), std::string::npos) << part;

    ecXml xml;
    xml.SetText(escaped.str());
    ecEventList back;
    ASSERT_TRUE(back.ReadXml(xml, false));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].m_sName, e.m_sName);
    EXPECT_EQ(back[0].m_vTags, e.m_vTags);
    EXPECT_EQ(back.GetAnnotation(), "a<b");
}

TEST(EventFileWrite, RoundTripThroughAFile)
{
    TempDir dir;
    const std::string path = dir.File("list.xml");
    ecEventList list;
    list.SetAnnotation("\nstarts with a break\r\nand ends with one\n");
    ecEvent late = MakeEvent("Resp", 500, 510, 6);
    late.m_nColor = 0xFF00FF00u;
    late.m_iAttribute = -3;
    late.m_fTimeStart = 0.125f;
    late.m_fTimeStop = 3.5e-7f;
    late.m_fFreqStop = 1234.5f;
    late.m_fFWHMTime = 0.333333f;
    late.m_vTags = {"cond:a", "side:left"};
    late.m_sNotation = "not stored";
    late.m_iCenter = 505;
    list.AppendOneEvent(late);
    list.AppendOneEvent(MakeEvent("Stim/Std", 100, 100, 2));
    list.AppendOneEvent(MakeEvent("EXCLUDE2", 300, 400, 2));
    list.AppendOneEvent(MakeEvent("Stim/Std", 600, 600, 0)); // no tags after a tagged event
    ASSERT_TRUE(list.IsDirty());

    ASSERT_TRUE(list.Write(path.c_str()));
    EXPECT_FALSE(list.IsDirty());
    EXPECT_EQ(list[0].m_sName, "Stim/Std") << "writing sorts the list in place";

    ecEventList back;
    back.SetSamplingRate(512.0f);
    ASSERT_TRUE(back.ReadEventFile(path.c_str(), false));
    EXPECT_EQ(back.GetSamplingRate(), 512.0f) << "reading keeps the sampling rate";
    EXPECT_FALSE(back.IsDirty());
    EXPECT_EQ(back.GetAnnotation(), list.GetAnnotation());
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0].m_sName, "Stim/Std");
    EXPECT_EQ(back[1].m_nStatus, 1u) << "exclusions come back rejected";
    const ecEvent& r = back[2];
    EXPECT_TRUE(r == late) << "every written field comes back";
    EXPECT_EQ(r.m_nColor, 0xFF00FF00u);
    EXPECT_EQ(r.m_vTags, late.m_vTags);
    EXPECT_TRUE(r.m_sNotation.empty() && r.m_iCenter == 0 && r.m_nLoadCount == 1) << "not stored";
    EXPECT_TRUE(back[3].m_vTags.empty());
    EXPECT_EQ(back.GetUniqueEventNameCnt(), 3);
    ASSERT_EQ(back.GetUniqueTagNameCnt(), 2);
    EXPECT_EQ(back.GetUniqueTagName(1), "side:left");

    // The annotation survives any number of cycles.
    ASSERT_TRUE(back.Write(path.c_str()));
    ecEventList third;
    ASSERT_TRUE(third.ReadEventFileXml(path.c_str(), false));
    EXPECT_EQ(third.GetAnnotation(), list.GetAnnotation());
    EXPECT_EQ(ReadText(path).find('\r'), ReadText(path).find("\r\nand")) << "line breaks are line feeds";
}

TEST(EventFileWrite, NullOrUnwritableFile)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 2));
    list.AppendOneEvent(MakeEvent("B", 1));
    EXPECT_FALSE(list.Write(nullptr));
    EXPECT_TRUE(list.IsDirty());
    EXPECT_TRUE(list.Write("/nonexistent-dir/x/list.xml"));
    EXPECT_FALSE(list.IsDirty());
    EXPECT_EQ(list[0].m_sName, "B");
}

TEST(EventFileXml, ReadsWhatOrdinaryToolsWrite)
{
    ecEventList list;
    ASSERT_TRUE(list.ReadEventFile(Data("handmade.xml").c_str(), false));
    EXPECT_EQ(list.GetAnnotation(), "Session 3 & 4");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].m_sName, "Stim/Std");
    EXPECT_EQ(list[0].m_vTags, std::vector<std::string>{"cond:std"});
    EXPECT_EQ(list[0].m_nColor, 255u);
    EXPECT_TRUE(list[1].IsRejected());
    EXPECT_EQ(list[1].m_nStatus, 1u);
    EXPECT_EQ(list[2].m_sName, "Resp<1>");
    EXPECT_EQ(list[2].m_fFreqStop, 12.0f);
    EXPECT_TRUE(list[2].IsTagged());
}

TEST(EventFileXml, CrLfEmptyTagAndRejectName)
{
    TempDir dir;
    const std::string path = WriteText(dir.File("crlf.xml"), "<KOVA_Event_List>\r\n<Annotation>\r\nnote</Annotation>\r\n" +
                                                                 EventLine("A", 1, 1, 2) + "\r\n</KOVA_Event_List>\r\n");
    ecEventList list;
    ASSERT_TRUE(list.ReadEventFile(path.c_str(), false));
    EXPECT_EQ(list.GetAnnotation(), "note");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_sName, "A");

    const std::string tags = "<AttribTag>x:1</AttribTag><AttribTag></AttribTag><AttribTag>x:2</AttribTag>";
    ASSERT_TRUE(ReadDocument(list, Document(EventLine("A", 1, 1, 2, tags) + EventLine("REJECT", 1, 5, 6) +
                                            EventLine("<SEG>", 9, 9, 2))));
    EXPECT_EQ(list[0].m_vTags, std::vector<std::string>{"x:1"}) << "an empty tag ends the tags";
    EXPECT_EQ(list.GetUniqueTagNameCnt(), 1);
    EXPECT_EQ(list[1].m_nStatus, 5u) << "the name overrides the stored status";
    EXPECT_TRUE(list[2].IsRejected());
}

TEST(EventFileXml, RefusalsLeaveTheListAlone)
{
    TempDir dir;
    ecEventList list = Sentinel();
    EXPECT_FALSE(list.ReadEventFile(dir.File("missing.xml").c_str(), false));
    ExpectSentinel(list);
    EXPECT_FALSE(list.ReadEventFile(nullptr, false));
    ExpectSentinel(list);
    const std::string garbage = WriteText(dir.File("garbage.bin"), std::string("\x00\xff<<<\x01<Event>", 13));
    EXPECT_FALSE(list.ReadEventFile(garbage.c_str(), false));
    ExpectSentinel(list);
    EXPECT_FALSE(ReadDocument(list, "<Other><Event><Name>A</Name></Event></Other>"));
    ExpectSentinel(list);
    EXPECT_FALSE(ReadDocument(list, ""));
    ExpectSentinel(list);
    // A document without events empties the list and fails.
    list.SetSamplingRate(100.0f);
    EXPECT_FALSE(ReadDocument(list, Document("<Annotation>\nnew</Annotation>\n")));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.GetAnnotation(), "new");
    EXPECT_EQ(list.GetSamplingRate(), 100.0f);
}

TEST(EventFileXml, StimulusDelayMovesPointEvents)
{
    const std::string body = "<Annotation>\nold\n</Annotation><StimulusTimingDelay>0.05</StimulusTimingDelay>\n" +
                             EventLine("Stim", 100, 100, 2) + EventLine("Long", 100, 120, 2) +
                             EventLine("EXCLUDE2", 100, 100, 2) + EventLine("REJECT", 100, 100, 2);
    ecEventList list;
    list.SetSamplingRate(1000.0f);
    ASSERT_TRUE(ReadDocument(list, Document(body)));
    EXPECT_EQ(list[0].m_iStart + list[0].m_iStop, 300);
    EXPECT_EQ(list[1].m_iStart + list[1].m_iStop, 220);
    EXPECT_EQ(list[2].m_iStart, 100);
    EXPECT_EQ(list[3].m_iStart, 100); // exclusions of level 0 stay too
    EXPECT_EQ(list.GetAnnotation(), "old\nStimulusTimimgDelay: 0.05 s APPLIED;\n");
    EXPECT_TRUE(list.IsDirty());

    // (int)(-15.625 + 0.5) is -15, not -16.
    ASSERT_TRUE(ReadDocument(list, Document("<StimulusTimingDelay>-0.015625</StimulusTimingDelay>" +
                                            EventLine("Stim", 100, 100, 2))));
    EXPECT_EQ(list[0].m_iStart, 85);
    EXPECT_EQ(list.GetAnnotation(), "StimulusTimimgDelay: -0.015625 s APPLIED;\n");

    // The delay in samples comes from a single-precision product: 0.01 s at
    // 250 Hz is 3 samples, not 2; and so for every delay the search finds.
    auto found = singleprecision::FindDisagreements(-2.0f, 2.0f, 30);
    found.push_back({0.01f, 250.0f, 3, 2});
    for (const auto& d : found) {
        const std::string delay = singleprecision::ExactText(d.seconds);
        SCOPED_TRACE(delay + " s at " + std::to_string(d.rate));
        ecEventList shifted;
        shifted.SetSamplingRate(d.rate);
        ASSERT_TRUE(ReadDocument(shifted, Document("<StimulusTimingDelay>" + delay + "</StimulusTimingDelay>" +
                                                   EventLine("Stim", 100000, 100000, 2))));
        EXPECT_EQ(shifted[0].m_iStart, 100000 + d.single);
    }
    // Where the rules part on a half sample: -15.625 samples is -16 in exact time.
    ecEventList halves;
    halves.SetSamplingRate(1000.0f);
    halves.SetExactTime(true);
    ASSERT_TRUE(ReadDocument(halves, Document("<StimulusTimingDelay>-0.015625</StimulusTimingDelay>" +
                                              EventLine("Stim", 100, 100, 2))));
    EXPECT_EQ(halves[0].m_iStart, 84);

    // Without a sampling rate a delay is refused, and a zero delay applies nothing.
    list = Sentinel();
    EXPECT_EQ(EcErrorOf([&] {
                  ReadDocument(list, Document("<Annotation>\nmine</Annotation><StimulusTimingDelay>0.01"
                                              "</StimulusTimingDelay>" + EventLine("Stim", 100, 100, 2)));
              }),
              "[ecEventList::ReadXml] Sampling rate has not been set.");
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.GetAnnotation(), "mine");
    ecEventList zero;
    ASSERT_TRUE(ReadDocument(zero, Document("<StimulusTimingDelay>0</StimulusTimingDelay>" + EventLine("Stim", 100, 100, 2))));
    EXPECT_EQ(zero[0].m_iStart, 100);
    EXPECT_EQ(zero.GetAnnotation(), "");
    EXPECT_FALSE(zero.IsDirty());
}

TEST(EventFileMerge, ReadingTwiceRaisesLoadCounts)
{
    TempDir dir;
    const std::string path =
        WriteText(dir.File("m.xml"), Document(EventLine("A", 1, 1, 2) + EventLine("A", 1, 1, 2) +
                                              EventLine("B", 5, 5, 2, "<AttribTag>t:1</AttribTag>")));
    ecEventList list;
    ASSERT_TRUE(list.ReadEventFileXml(path.c_str(), true));
    ASSERT_EQ(list.size(), 3u) << "into an empty list repeated events are all kept";
    EXPECT_FALSE(list.IsDirty());
    ASSERT_TRUE(list.ReadEventFileXml(path.c_str(), true));
    ASSERT_EQ(list.size(), 3u);
    // Both copies of A in the file fold into the first stored A.
    EXPECT_EQ(list[0].m_nLoadCount, 3);
    EXPECT_EQ(list[1].m_nLoadCount, 1);
    EXPECT_EQ(list[2].m_nLoadCount, 2);
    EXPECT_TRUE(list.IsDirty());
    EXPECT_EQ(list.GetUniqueTagNameCnt(), 1);
}

TEST(EventFileMerge, DistinctFileFoldsExactlyLikeAppendOneEvent)
{
    TempDir dir;
    const std::string path = WriteText(dir.File("m.xml"), Document(EventLine("A", 1, 1, 2) + EventLine("C", 4, 4, 2) +
                                                                   EventLine("B", 2, 3, 6)));
    ecEventList viaReader;
    viaReader.AppendOneEvent(MakeEvent("B", 2, 3, 1));
    viaReader.AppendOneEvent(MakeEvent("A", 1, 1, 1));
    viaReader.SetAnnotation("kept");
    ecEventList viaAppend = viaReader;
    ASSERT_TRUE(viaReader.ReadEventFileXml(path.c_str(), true));
    viaAppend.AppendOneEvent(MakeEvent("A", 1, 1, 2));
    viaAppend.AppendOneEvent(MakeEvent("C", 4, 4, 2));
    viaAppend.AppendOneEvent(MakeEvent("B", 2, 3, 6));
    ASSERT_EQ(viaReader.size(), viaAppend.size());
    for (std::size_t i = 0; i < viaReader.size(); ++i) {
        EXPECT_TRUE(viaReader[i] == viaAppend[i]) << i;
        EXPECT_EQ(viaReader[i].m_nLoadCount, viaAppend[i].m_nLoadCount) << i;
    }
    EXPECT_EQ(viaReader.GetAnnotation(), "kept");
    EXPECT_EQ(viaReader.GetUniqueEventName(2), "C");
}

// The loader's index against the plain scan of AppendOneEvent, on lists
// with many equal events and enough of them to make the index grow.
TEST(EventFileMerge, LoaderFoldsLikeAppendOneEventAtRandom)
{
    std::mt19937 rng(7);
    auto draw = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const char* names[] = {"A", "B", "a long name past the short string buffer", ""};
    for (int round = 0; round < 20; ++round) {
        ecEventList viaLoader;
        for (int i = draw(200); i > 0; --i)
            viaLoader.AppendOneEvent(MakeEvent(names[draw(4)], draw(30), draw(30), 1));
        viaLoader.SetDirty(false);
        ecEventList viaAppend = viaLoader;
        ecEventLoader loader(viaLoader, true);
        for (int i = draw(400); i > 0; --i) {
            const ecEvent e = MakeEvent(names[draw(4)], draw(30), draw(30), static_cast<unsigned int>(draw(8)));
            loader.Enter(ecEvent(e));
            viaAppend.AppendOneEvent(e);
        }
        ASSERT_EQ(viaLoader.size(), viaAppend.size());
        for (std::size_t i = 0; i < viaLoader.size(); ++i) {
            EXPECT_TRUE(viaLoader[i] == viaAppend[i]) << i;
            EXPECT_EQ(viaLoader[i].m_nStatus, viaAppend[i].m_nStatus) << i;
            EXPECT_EQ(viaLoader[i].m_nLoadCount, viaAppend[i].m_nLoadCount) << i;
        }
        EXPECT_EQ(viaLoader.IsDirty(), viaAppend.IsDirty());
        EXPECT_EQ(viaLoader.GetUniqueEventNameCnt(), viaAppend.GetUniqueEventNameCnt());
    }
}

TEST(EventFileMerge, MergeEventFileOnlyChecksTheMaker)
{
    ecEventList list;
    EXPECT_FALSE(list.MergeEventFile("whatever", true)) << "a fresh list has no maker code";
    EXPECT_FALSE(list.IsDirty());
    list.SetEventFileMFR(2);
    EXPECT_TRUE(list.MergeEventFile("/does/not/exist", false));
    EXPECT_TRUE(list.IsDirty());
    list.SetEventFileMFR(4);
    EXPECT_FALSE(list.MergeEventFile("x", true));
    EXPECT_TRUE(list.empty());
}

TEST(EventFilePreXml, SampleAndTimeRecords)
{
    ecEventList list = Sentinel();
    ASSERT_TRUE(list.ReadEventFile(Data("samples_crlf.evt").c_str(), false));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[1] == MakeEvent("Resp", 180, 185, 3));
    EXPECT_EQ(list[1].m_nColor, 0xFFFFu);
    EXPECT_EQ(list[2].m_nStatus, 1u) << "no exclusion marking in this format";
    EXPECT_EQ(list.GetAnnotation(), "");
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 3);

    list.Clear();
    list.SetSamplingRate(1000.0f);
    ASSERT_TRUE(list.ReadEventFilePreXml(Data("times.evt").c_str(), false));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[0] == MakeEvent("Stim", 12, 12, 2)) << "times truncate to samples";
    EXPECT_EQ(list[1].m_iStart, 150);
    EXPECT_EQ(list[2].m_iStart, 2000);
    EXPECT_FALSE(list.IsDirty());

    // Merging proper folds into a stored event and sets the dirty flag.
    list.Clear();
    list.AppendOneEvent(MakeEvent("Stim", 100, 100, 7));
    list.SetDirty(false);
    ASSERT_TRUE(list.ReadEventFilePreXml(Data("samples_crlf.evt").c_str(), true));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].m_nLoadCount, 2);
    EXPECT_EQ(list[0].m_nStatus, 2u) << "the file's event replaces the stored one";
    EXPECT_TRUE(list.IsDirty());
}

TEST(EventFilePreXml, BadHeadersAndDocumentsRefuse)
{
    TempDir dir;
    const char* headers[] = {"", "4b4f5641", "4b4f5641 4 0", "4b4f5642 4 0 0\nA 1 1 2\n", "4B4F5641 4 0 0\nA 1 1 2\n",
                             "4b4f5641 x 0 0\nA 1 1 2\n",
                             "4b4f56414b4f56414b4f56414b4f56414b4f56414b4f56414b4f56414b4f56414b4f5641 4 0 0\n"};
    int k = 0;
    for (const char* h : headers) {
        const std::string path = WriteText(dir.File("h" + std::to_string(k++)), h);
        ecEventList list = Sentinel();
        EXPECT_FALSE(list.ReadEventFilePreXml(path.c_str(), false)) << h;
        ExpectSentinel(list);
    }
    ecEventList list = Sentinel();
    EXPECT_FALSE(list.ReadEventFilePreXml(dir.File("missing").c_str(), false));
    EXPECT_FALSE(list.ReadEventFilePreXml(nullptr, false));
    const std::string doc = WriteText(dir.File("d.xml"), Document(EventLine("A", 1, 1, 2)));
    EXPECT_FALSE(list.ReadEventFilePreXml(doc.c_str(), false)) << "documents are left to the XML reader";
    ExpectSentinel(list);
    // A header without a record empties the list and fails.
    list.SetSamplingRate(10.0f);
    EXPECT_FALSE(list.ReadEventFilePreXml(WriteText(dir.File("e.evt"), "4b4f5641 4 0 0\n").c_str(), false));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.GetSamplingRate(), 10.0f);
}

TEST(EventFilePreXml, MalformedRecordEndsTheReading)
{
    TempDir dir;
    const std::string longName(64, 'n');
    const std::string cases[] = {
        "4b4f5641 4 0 0\nA 1 1 2\nB 2 x 2\nC 3 3 2\n",
        "4b4f5641 4 0 0\nA 1 1 2\n" + longName + " 2 2 2\nC 3 3 2\n",
        "4b4f5641 4 0 0\nA 1 1 2\nB 2 2\n",
        "4b4f5641 4 0 0\nA 1 1 2\nB 99999999999 2 2\nC 3 3 2\n",
    };
    for (const std::string& text : cases) {
        const std::string path = WriteText(dir.File("r.evt"), text);
        ecEventList list;
        ASSERT_TRUE(list.ReadEventFilePreXml(path.c_str(), false)) << text;
        ASSERT_EQ(list.size(), 1u) << text;
        EXPECT_EQ(list[0].m_sName, "A");
    }
    // A name of exactly 63 characters is allowed.
    const std::string name63(63, 'k');
    const std::string path = WriteText(dir.File("ok.evt"), "4b4f5641 4 0 0\n" + name63 + " 1 1 2");
    ecEventList list;
    ASSERT_TRUE(list.ReadEventFilePreXml(path.c_str(), false));
    EXPECT_EQ(list[0].m_sName, name63);
}

namespace {

// The pre-XML records as the stream functions read them, token by token:
// the plain reading that the buffered reader must match.
struct PreXmlReference {
    std::vector<ecEvent> events;
    bool header = false;

    static bool Token(std::FILE* f, char (&token)[64])
    {
        if (std::fscanf(f, "%63s", token) != 1)
            return false;
        const int next = std::fgetc(f);
        return next == EOF || std::isspace(next);
    }
    static bool Long(std::FILE* f, long long low, long long high, long long& value)
    {
        char token[64];
        char* end = nullptr;
        if (!Token(f, token))
            return false;
        errno = 0;
        value = std::strtoll(token, &end, 10);
        return end != token && *end == '\0' && errno != ERANGE && value >= low && value <= high;
    }
    explicit PreXmlReference(const std::string& path, float rate)
    {
        std::FILE* f = std::fopen(path.c_str(), "r");
        char magic[64];
        long long format = 0, ignored = 0, start = 0, stop = 0, status = 0;
        const long long intMin = std::numeric_limits<int>::min(), intMax = std::numeric_limits<int>::max();
        header = Token(f, magic) && Long(f, intMin, intMax, format) && Long(f, intMin, intMax, ignored) &&
                 Long(f, intMin, intMax, ignored) && std::strcmp(magic, "4b4f5641") == 0;
        for (char name[64], time[64]; header;) {
            ecEvent e;
            e.m_nColor = 0xFFFF;
            if (format == 4) {
                if (!Token(f, name) || !Long(f, intMin, intMax, start) || !Long(f, intMin, intMax, stop) ||
                    !Long(f, intMin, std::numeric_limits<unsigned int>::max(), status))
                    break;
                e.m_iStart = static_cast<int>(start);
                e.m_iStop = static_cast<int>(stop);
                e.m_nStatus = static_cast<unsigned int>(status);
            } else {
                char* end = nullptr;
                if (!Token(f, time))
                    break;
                const double sample = std::trunc(static_cast<double>(std::strtof(time, &end)) * rate);
                if (end == time || *end != '\0' || !Token(f, name) || !(sample >= intMin && sample <= intMax))
                    break;
                e.m_iStart = e.m_iStop = static_cast<int>(sample);
                e.m_nStatus = 2;
            }
            e.m_sName = name;
            events.push_back(e);
        }
        std::fclose(f);
    }
};

} // namespace

// Random files of well-formed and broken records, long tokens, zero bytes
// and every kind of blank, read by the reader and by the stream functions.
TEST(EventFilePreXml, ReadsAsTheStreamFunctionsDoAtRandom)
{
    TempDir dir;
    std::mt19937 rng(11);
    auto pick = [&rng](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    const std::vector<std::string> blanks = {" ", "\n", "\r\n", "\t", "\v\f", "  \n  "};
    const std::vector<std::string> tokens = {"Stim", "12", "-3", "+4", "0", "4294967295", "-2147483648", "2147483648",
                                             "1.5", "0.0125", "1e3", "-", "+", "+-1", "x", std::string(63, 'n'),
                                             std::string(64, 'n'), std::string("a\0b", 3), "9999999999999999999999",
                                             "nan", "0x10", "4b4f5641"};
    const std::vector<std::string> headers = {"4b4f5641 4 0 0", "4b4f5641 0 1 2", " \n4b4f5641\t4 +0 -0",
                                              "4b4f5641 4 0", "4b4f5642 4 0 0", "4b4f5641 x 0 0"};
    for (int round = 0; round < 200; ++round) {
        std::string text = pick(headers);
        const bool samples = text.find(" 4 ") != std::string::npos || text.find("\t4 ") != std::string::npos;
        for (int r = std::uniform_int_distribution<int>(0, 30)(rng); r > 0; --r) {
            const bool broken = std::uniform_int_distribution<int>(0, 19)(rng) == 0;
            const std::vector<std::string> record =
                samples ? std::vector<std::string>{pick({"Stim", "Resp", std::string(63, 'k')}), "12", "-3", "2"}
                        : std::vector<std::string>{pick({"0.0125", "1", "-2.5", "1e2"}), "Stim"};
            for (const std::string& t : record)
                text += pick(blanks) + (broken ? pick(tokens) : t);
        }
        if (std::uniform_int_distribution<int>(0, 1)(rng))
            text += pick(blanks);
        const std::string path = WriteText(dir.File("r.evt"), text);
        const PreXmlReference expected(path, 1000.0f);
        ecEventList list;
        list.SetSamplingRate(1000.0f);
        SCOPED_TRACE(text);
        ASSERT_EQ(list.ReadEventFilePreXml(path.c_str(), false), expected.header && !expected.events.empty());
        if (!expected.header)
            continue;
        ASSERT_EQ(list.size(), expected.events.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_TRUE(list[i] == expected.events[i]) << i;
            EXPECT_EQ(list[i].m_nStatus, expected.events[i].m_nStatus) << i;
            EXPECT_EQ(list[i].m_nColor, expected.events[i].m_nColor) << i;
        }
    }
}

namespace {

void ExpectSameList(const ecEventList& fromFile, const ecEventList& fromXml)
{
    EXPECT_EQ(fromFile.GetAnnotation(), fromXml.GetAnnotation());
    EXPECT_EQ(fromFile.IsDirty(), fromXml.IsDirty());
    EXPECT_EQ(fromFile.GetState(), fromXml.GetState());
    ASSERT_EQ(fromFile.size(), fromXml.size());
    for (std::size_t i = 0; i < fromFile.size(); ++i) {
        const ecEvent& a = fromFile[i];
        const ecEvent& b = fromXml[i];
        EXPECT_TRUE(std::tie(a.m_sName, a.m_iStart, a.m_iStop, a.m_nStatus, a.m_nColor, a.m_iAttribute, a.m_vTags,
                             a.m_nLoadCount) == std::tie(b.m_sName, b.m_iStart, b.m_iStop, b.m_nStatus, b.m_nColor,
                                                         b.m_iAttribute, b.m_vTags, b.m_nLoadCount))
            << i << ": " << a.m_sName << " vs " << b.m_sName;
        for (auto field : {&ecEvent::m_fTimeStart, &ecEvent::m_fTimeStop, &ecEvent::m_fFreqStart,
                           &ecEvent::m_fFreqStop, &ecEvent::m_fFWHMTime, &ecEvent::m_fFWHMFreq}) {
            const float x = a.*field;
            const float y = b.*field;
            EXPECT_TRUE((std::isnan(x) && std::isnan(y)) || x == y) << i << ": " << x << " vs " << y;
        }
    }
    ASSERT_EQ(fromFile.GetUniqueEventNameCnt(), fromXml.GetUniqueEventNameCnt());
    ASSERT_EQ(fromFile.GetUniqueTagNameCnt(), fromXml.GetUniqueTagNameCnt());
    for (int i = 0; i < std::max(fromFile.GetUniqueEventNameCnt(), fromFile.GetUniqueTagNameCnt()); ++i) {
        EXPECT_EQ(fromFile.GetUniqueEventName(i), fromXml.GetUniqueEventName(i));
        EXPECT_EQ(fromFile.GetUniqueTagName(i), fromXml.GetUniqueTagName(i));
    }
}

// The text with a comment right inside its root, which no fast reader
// takes: the general reader alone reads it, as it would read the text.
std::string ForGeneralReader(std::string text)
{
    const std::size_t root = text.find("<KOVA_Event_List>");
    if (root != std::string::npos)
        text.insert(root + 17, "<!---->");
    return text;
}

// Reads a document from a file (where documents in the writer's own layout
// take a direct route), through an ecXml holding the same text (where
// documents of a plain structure take another) and through the general
// reader alone; all must give the same list, and with diagnostics on the
// same records.
void ExpectSameThroughBothRoutes(const std::string& text, bool merge, const ecEventList& start, bool diagnose)
{
    TempDir dir;
    const std::string path = WriteText(dir.File("both.xml"), text);
    ecEventList fromFile(start);
    ecEventList fromXml(start);
    ecEventList general(start);
    std::vector<ecReadDiagnostic> found[3];
    for (ecEventList* list : {&fromFile, &fromXml, &general})
        list->SetSamplingRate(100.0f);
    // A file's reader reports to the list's sink, an ecXml to its own.
    fromFile.SetReadDiagnostics(diagnose ? &found[0] : nullptr);
    const bool fileResult = fromFile.ReadEventFileXml(path.c_str(), merge);
    ecXml xml;
    xml.SetText(text);
    xml.SetDiagnostics(diagnose ? &found[1] : nullptr);
    const bool xmlResult = fromXml.ReadXml(xml, merge);
    ecXml generalXml;
    generalXml.SetText(ForGeneralReader(text));
    generalXml.SetDiagnostics(diagnose ? &found[2] : nullptr);
    const bool generalResult = general.ReadXml(generalXml, merge);
    EXPECT_EQ(fileResult, xmlResult);
    EXPECT_EQ(generalResult, xmlResult);
    ExpectSameList(fromFile, fromXml);
    ExpectSameList(general, fromXml);
    for (int i = 1; i < 3; ++i) {
        ASSERT_EQ(found[i].size(), found[0].size());
        for (std::size_t d = 0; d < found[0].size(); ++d)
            EXPECT_TRUE(std::tie(found[i][d].line, found[i][d].element, found[i][d].text, found[i][d].problem) ==
                        std::tie(found[0][d].line, found[0][d].element, found[0][d].text, found[0][d].problem));
    }
}

void ExpectSameThroughBothRoutes(const std::string& text, bool merge, const ecEventList& start)
{
    for (bool diagnose : {false, true}) {
        SCOPED_TRACE(diagnose ? "with diagnostics" : "without diagnostics");
        ExpectSameThroughBothRoutes(text, merge, start, diagnose);
    }
}

// Without merging, merging into an empty list that has names already, and
// merging proper into a list that holds some of the document's events.
void ExpectSameThroughBothRoutes(const std::string& text)
{
    ExpectSameThroughBothRoutes(text, false, Sentinel());
    ecEventList named;
    named.AddUniqueEventName("A");
    named.AddUniqueEventName("Listed");
    named.SetAnnotation("before");
    ExpectSameThroughBothRoutes(text, true, named);
    ecEventList holding = Sentinel();
    holding.AppendOneEvent(MakeEvent("A", 1, 1, 0));
    holding.AppendOneEvent(MakeEvent("Stim/Std", -50, -50, 0));
    holding.AppendOneEvent(MakeEvent("A", 1, 1, 0));
    holding.SetDirty(false);
    ExpectSameThroughBothRoutes(text, true, holding);
}

} // namespace

TEST(EventFileRoutes, WrittenListsReadTheSameBothWays)
{
    ecEventList list;
    list.SetAnnotation("\n\nfirst line\nsecond\n");
    const char* names[] = {"Stim/Std", "", "EXCLUDE3", "[ex]", "reject", "Resp", "Stim/Std", "a\"b'c]"};
    for (int i = 0; i < 40; ++i) {
        ecEvent e = MakeEvent(names[i % 8], i * 7 - 50, i * 7 - 50 + (i % 3), static_cast<unsigned int>(i * 0x1111111));
        e.m_nColor = 0xFFFFFFFFu - static_cast<unsigned int>(i);
        e.m_iAttribute = i % 2 ? -i : i << 20;
        e.m_fTimeStart = static_cast<float>(i) / 3.0f;
        e.m_fTimeStop = i % 5 == 0 ? std::numeric_limits<float>::quiet_NaN() : 1e-7f * static_cast<float>(i);
        e.m_fFreqStart = i % 7 == 0 ? std::numeric_limits<float>::infinity() : -1e30f;
        e.m_fFWHMFreq = i % 4 == 0 ? -0.0f : 123456789.0f;
        if (i % 3 == 0)
            e.m_vTags = {"f:" + std::to_string(i % 4), "g:x"};
        list.AppendOneEvent(e);
    }
    std::ostringstream out;
    list.WriteXml(out);
    ExpectSameThroughBothRoutes(out.str());

    list.SetAnnotation("");
    std::ostringstream bare;
    list.WriteXml(bare);
    ExpectSameThroughBothRoutes(bare.str());
}

TEST(EventFileRoutes, EdgeDocumentsReadTheSameBothWays)
{
    const std::string line = EventLine("A", 1, 1, 2);
    const std::string full = "<Event><Name>B</Name><Start>99999999999</Start><Stop>-0</Stop><Status>4294967295</Status>"
                             "<Color>-1</Color><Attribute>0</Attribute><TimeStart>1e-40</TimeStart><TimeStop>-nan"
                             "</TimeStop><FreqStart>1e39</FreqStart><FreqStop>+1</FreqStop><FWHM_Time>0x10</FWHM_Time>"
                             "<FWHM_Freq> 2</FWHM_Freq><AttribTag>t:1</AttribTag><AttribTag></AttribTag>"
                             "<AttribTag>t:2</AttribTag></Event>\n";
    const std::string docs[] = {
        Document(""),
        Document("<Annotation>\nonly</Annotation>\n"),
        Document(full),
        Document(full + line),
        Document(line + "<StimulusTimingDelay>0.01</StimulusTimingDelay>\n" + line),
        Document("<Annotation>\na &lt; b</Annotation>\n" + line),
        Document("<Annotation>\r\nx</Annotation>\r\n" + line),
        Document(line + line + "\n \n" + line),
        Document(line + "<Event><Name>X</Name></Event>\n"),
        Document(line + "<Event><Name>X</Name><Start>1</Start><Stop>1</Stop><Status>2</Status><Color>0</Color>"
                        "<Attribute>0</Attribute><TimeStart>1</TimeStart></Event>\n"),
        "<?xml version=\"1.0\"?>\n" + Document(line),
        Document(line) + "<!-- trailing -->\n",
        Document(line).substr(0, Document(line).size() - 2),
        "<KOVA_Event_List>\n" + line + "<Event><Name>unclosed</Name>" + "</KOVA_Event_List>\n",
        Document(line) + "<KOVA_Event_List>\n" + line + "</KOVA_Event_List>\n",
        Document("<Annotation>\nfirst\n\nthird\n</Annotation>\n" + line + "\n" + line),
        Document("<Annotation>\nx</Annotation> \n" + line),
        Document(line + "<Annotation>\nlate</Annotation>\n"),
        // Lines longer than any read buffer.
        Document(EventLine(std::string(3 << 20, 'n'), 1, 1, 2) + line),
        Document("<Annotation>\n" + std::string(3 << 20, 'a') + "\n" + std::string(5, 'b') + "</Annotation>\n" + line),
    };
    for (const std::string& doc : docs) {
        SCOPED_TRACE(doc);
        ExpectSameThroughBothRoutes(doc);
    }
}

// Documents in random layouts and of random content: indentation, line
// breaks, field order, missing, repeated and malformed fields, empty tags,
// and now and then something only the general reader takes.
TEST(EventFileRoutes, RandomLayoutsReadTheSameEveryWay)
{
    std::mt19937 rng(20261206);
    auto pick = [&rng](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    auto chance = [&rng](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    const std::vector<std::string> spaces = {"", "", "\n", "\r\n", "\n\t\t", "  ", "\r\n    "};
    const std::vector<std::string> names = {"Stim", "EXCLUDE", " padded ", "", "[ex]", "a b", "REJECT", "Resp"};
    const std::vector<std::string> numbers = {"0", "12", "-7", "+3", " 42 ", "4294967295", "99999999999", "x",
                                              "", "1e3", "2147483648", "-2147483649", "++1", "\n5\n"};
    const std::vector<std::string> reals = {"0", "0.5", "-1e-3", "+2", " 1.5 ", "1e39", "1e-45", "nan", "inf",
                                            "x", "", "3.", ".25", "-0"};
    const std::vector<std::string> tags = {"f:1", "g:x", "", " s "};
    const std::vector<std::string> general = {"<!-- c -->", "<Extra>1</Extra>", "<Name>&amp;</Name>",
                                              "<Start a=\"1\">3</Start>", "<StimulusTimingDelay>0</StimulusTimingDelay>"};
    const std::vector<std::string> fields = {"Name", "Start", "Stop", "Status", "Color", "Attribute", "TimeStart",
                                             "TimeStop", "FreqStart", "FreqStop", "FWHM_Time", "FWHM_Freq"};
    for (int round = 0; round < 150; ++round) {
        std::string body;
        if (chance(30))
            body += "<Annotation>" + pick({"\nnote", "x\r\ny", ""}) + "</Annotation>" + pick(spaces);
        const int events = std::uniform_int_distribution<int>(0, 12)(rng);
        for (int i = 0; i < events; ++i) {
            std::vector<std::string> parts;
            for (std::size_t f = 0; f < fields.size(); ++f) {
                if (chance(15))
                    continue;
                const std::string& value = f == 0 ? pick(names) : f < 6 ? pick(numbers) : pick(reals);
                for (int copies = chance(10) ? 2 : 1; copies > 0; --copies)
                    parts.push_back("<" + fields[f] + ">" + value + "</" + fields[f] + ">");
            }
            std::shuffle(parts.begin(), parts.end() - (chance(50) ? static_cast<std::ptrdiff_t>(parts.size()) : 0), rng);
            for (int t = std::uniform_int_distribution<int>(0, 3)(rng); t > 0; --t)
                parts.push_back("<AttribTag>" + pick(tags) + "</AttribTag>");
            if (chance(3))
                parts.push_back(pick(general));
            const std::string gap = pick(spaces);
            body += "<Event>";
            for (const std::string& part : parts)
                body += gap + part;
            body += gap + "</Event>" + pick(spaces);
        }
        SCOPED_TRACE(body);
        ExpectSameThroughBothRoutes(Document(body));
    }
}

// Diagnostics on: the same events, plus a record for each number that does
// not fit its field, whichever reader (the writer's layout or the general
// one) takes the document.
TEST(EventFileDiagnostics, NumbersThatDoNotFitTheirField)
{
    TempDir dir;
    ecEventList written;
    written.AppendOneEvent(MakeEvent("A", 5, 5, 4000000000u));
    written.AppendOneEvent(MakeEvent("B", 6));
    std::ostringstream out;
    written.WriteXml(out);
    const std::string layout = out.str();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = layout;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        std::string text;
        std::string element, value, problem; // problem "" when none
    } cases[] = {
        {layout, "", "", ""},
        {replaced("<Start>6</Start>", "<Start>99999999999</Start>"), "Start", "99999999999",
         "does not fit a 32-bit integer"},
        {replaced("<Start>6</Start>", "<Start>12abc</Start>"), "Start", "12abc", "is not a whole number"},
        {replaced("<Stop>6</Stop>", "<Stop>-2147483649</Stop>"), "Stop", "-2147483649", "does not fit a 32-bit integer"},
        {replaced("<TimeStart>0</TimeStart><TimeStop>0</TimeStop><FreqStart>0</FreqStart><FreqStop>0</FreqStop>"
                  "<FWHM_Time>0</FWHM_Time><FWHM_Freq>0</FWHM_Freq></Event>\n</KOVA",
                  "<TimeStart>nan</TimeStart></Event>\n</KOVA"),
         "TimeStart", "nan", "is not finite"},
    };
    for (const auto& c : cases) {
        const std::string path = WriteText(dir.File("doc.evt"), c.text);
        ecEventList plain, checked;
        std::vector<ecReadDiagnostic> found;
        checked.SetReadDiagnostics(&found);
        ASSERT_TRUE(plain.ReadEventFile(path.c_str(), false)) << c.text;
        ASSERT_TRUE(checked.ReadEventFile(path.c_str(), false));
        ASSERT_EQ(checked.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i) {
            EXPECT_EQ(checked[i].m_iStart, plain[i].m_iStart);
            EXPECT_EQ(checked[i].m_iStop, plain[i].m_iStop);
            EXPECT_EQ(checked[i].m_nStatus, plain[i].m_nStatus);
        }
        if (c.problem.empty()) {
            EXPECT_TRUE(found.empty()) << "an unsigned status word above the int range fits";
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << c.text;
        EXPECT_EQ(found[0].line, 3);
        EXPECT_EQ(found[0].element, c.element);
        EXPECT_EQ(found[0].text, c.value);
        EXPECT_EQ(found[0].problem, c.problem);
    }

    // Not one whole number of the event fits: each is still reported.
    ecEvent e = MakeEvent("A", 7, 7, 7);
    e.m_nColor = 7;
    e.m_iAttribute = 7;
    ecEventList one;
    one.AppendOneEvent(e);
    std::ostringstream text;
    one.WriteXml(text);
    std::string huge = text.str();
    for (std::size_t at; (at = huge.find(">7<")) != std::string::npos;)
        huge.replace(at, 3, ">99999999999<");
    ecEventList checked;
    std::vector<ecReadDiagnostic> found;
    checked.SetReadDiagnostics(&found);
    ASSERT_TRUE(checked.ReadEventFile(WriteText(dir.File("huge.evt"), huge).c_str(), false));
    EXPECT_EQ(found.size(), 5u);
}

TEST(EventFileDiagnostics, WherePreXmlReadingStopped)
{
    TempDir dir;
    const struct {
        std::string text;
        size_t events;
        int line; // 0: no record
        std::string record;
    } cases[] = {
        {"4b4f5641 4 0 0\nA 1 1 2\nB 2 2 2\n\n  \n", 2, 0, ""},
        {"4b4f5641 4 0 0\nA 1 1 2\n\n  C x 3 2  \nD 4 4 2\n", 1, 4, "C x 3 2"},
        {"4b4f5641 4 0 0\nA 1 1 2 B 2 2\n", 1, 2, "B 2 2"},
        {"4b4f5641 4 0 0\nA 1 99999999999 2\n", 0, 2, "A 1 99999999999 2"},
    };
    for (const auto& c : cases) {
        const std::string path = WriteText(dir.File("pre.evt"), c.text);
        ecEventList plain, checked;
        std::vector<ecReadDiagnostic> found;
        checked.SetReadDiagnostics(&found);
        EXPECT_EQ(plain.ReadEventFilePreXml(path.c_str(), false), c.events > 0);
        EXPECT_EQ(checked.ReadEventFilePreXml(path.c_str(), false), c.events > 0);
        EXPECT_EQ(checked.size(), c.events);
        EXPECT_EQ(plain.size(), c.events);
        if (c.line == 0) {
            EXPECT_TRUE(found.empty()) << c.text;
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << c.text;
        EXPECT_EQ(found[0].line, c.line);
        EXPECT_EQ(found[0].text, c.record);
        EXPECT_NE(found[0].problem.find("the file goes on"), std::string::npos);
    }
}
