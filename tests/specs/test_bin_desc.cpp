// The bin description document: what it reads and writes back, its limits,
// and the argument orders of its lookups and edits.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ecevents/specs/ecAttribSet.h"
#include "ecevents/specs/ecBinSpec.h"
#include "specs_test_support.h"

using namespace specs_test;

namespace {

const std::string kOddball = std::string(ECEVENTS_TEST_DATA) + "/specs/specs_oddball.bin_desc.xml";

// Spec 0: targets A0 (a, b), A1 (c); conditionals c00 (x), c01 (y, z), c02.
// Spec 1: target B0 (d); conditional c10 (w).
// Indices that are swapped by mistake land on a different object.
void MakeTwoSpecs(ecPar_BinDesc& d) {
    d.AddOneAttribSpec();
    d.AddOneAttribSpec();
    ecEventSpecs* s0 = d.GetpAttribSpec(0)->GetpEventSpecs();
    s0->AppendTarget("A0")->AddEvent("a");
    s0->GetpTarget(0)->AddEvent("b");
    s0->AppendTarget("A1")->AddEvent("c");
    s0->AppendConditional("c00")->AddEvent("x");
    s0->AppendConditional("c01")->AddEvent("y");
    s0->GetpConditional(1)->AddEvent("z");
    s0->AppendConditional("c02");
    ecEventSpecs* s1 = d.GetpAttribSpec(1)->GetpEventSpecs();
    s1->AppendTarget("B0")->AddEvent("d");
    s1->AppendConditional("c10")->AddEvent("w");
    d.AppendOneFactorValuePair(0, "f0", "v0");
    d.AppendOneFactorValuePair(0, "g0", "u0");
    d.AppendOneFactorValuePair(1, "f1", "v1");
}

TEST(BinDesc, ReadsAHandWrittenDocument) {
    ecPar_BinDesc d;
    d.Read(kOddball);
    d.Read(kOddball);  // a second read replaces, it does not add
    ASSERT_EQ(d.GetNumAttribSpecs(), 2);
    EXPECT_EQ(d.GetOneValue(1, 0), "frequent");
    ecConditional* c0 = d.GetpConditional(0, 0);
    EXPECT_TRUE(c0->IsPermeable());
    EXPECT_TRUE(c0->HasWindow());
    EXPECT_EQ(c0->GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 1.2f);
    EXPECT_EQ(*c0->GetpEventNames(), (std::vector<std::string>{"R 1", "R 2"}));
    ecTarget* t = d.GetpTarget(0, 0);
    ASSERT_EQ(t->GetNumFlags(), 1);
    EXPECT_EQ((*t->GetpvFlags())[0]->GetCode(), 4u);
    EXPECT_EQ((*t->GetpvFlags())[0]->GetOption(), ecCondEventFlag::kInvert | ecCondEventFlag::kSet);
    EXPECT_EQ(d.GetpConditional(0, 1)->GetOption(), ecConditional::kNegated);
    EXPECT_EQ(*d.GetpUniqueEventNames(), (std::vector<std::string>{"S 1", "S 2", "R 1"}));
    EXPECT_EQ(d.GetUniqueEventName(3), "");
    EXPECT_EQ(d.GetUniqueEventName(-1), "");
    EXPECT_EQ(d.GetUniqueFactorValueTags(), (std::vector<std::string>{"stim:rare", "resp:hit", "stim:frequent"}));

    const std::vector<ecBinSpec*>& bins = *d.GetpBinSpecList();
    ASSERT_EQ(bins.size(), 2u);
    EXPECT_EQ(bins[0]->GetName(), "Rare hits");
    EXPECT_EQ(bins[0]->GetColor(), 16711680u);
    EXPECT_TRUE(bins[0]->IsCreateNew());
    EXPECT_EQ(*(*bins[0]->GetpAttribSets())[0]->GetpAttribTags(), (std::vector<std::string>{"stim:rare", "resp:hit"}));
    EXPECT_FALSE(bins[1]->IsCreateNew());
    EXPECT_EQ(bins[1]->GetpAttribSets()->size(), 2u);

    // Copies are deep and leave the bin specs section behind; Clear keeps it.
    ecPar_BinDesc copy(d);
    d.ReplaceValue(0, 0, "changed");
    EXPECT_EQ(copy.GetOneValue(0, 0), "rare");
    EXPECT_EQ(copy.GetpBinSpecList()->size(), 2u);
    EXPECT_EQ(Written(copy).find("bin_specs"), std::string::npos);
    d.Clear();
    EXPECT_EQ(d.GetNumAttribSpecs(), 0);
    EXPECT_TRUE(d.GetpUniqueEventNames()->empty());
    EXPECT_TRUE(d.GetpBinSpecList()->empty());
    EXPECT_FALSE(d.GetpBinSpecsSection()->IsEmpty());
}

TEST(BinDesc, BinSpecsSectionIsWrittenBackVerbatim) {
    std::ifstream in(kOddball, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t open = text.find("<bin_specs>") + std::string("<bin_specs>").size();
    const std::string framed = text.substr(open, text.find("</bin_specs>") - open);
    // The fixture is laid out as the writer lays it out: a line end after the
    // start tag and a tab before the end tag frame the section.
    ASSERT_EQ(framed.front(), '\n');
    ASSERT_EQ(framed.back(), '\t');
    const std::string section = framed.substr(1, framed.size() - 2);

    ecPar_BinDesc d;
    d.Read(kOddball);
    EXPECT_EQ(d.GetpBinSpecsSection()->GetText(), section);
    const std::string written = Written(d);
    const std::string tail = "\n\t<bin_specs>\n" + section + "\t</bin_specs>\n</bin_desc>\n";
    ASSERT_GE(written.size(), tail.size());
    EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
    EXPECT_EQ(written.find("<bin_specs>"), written.rfind("<bin_specs>"));

    // Through a file and back, nothing changes.
    const std::string file = ::testing::TempDir() + "specs_roundtrip.xml";
    d.Write(file);
    ecPar_BinDesc reread;
    reread.Read(file);
    std::remove(file.c_str());
    EXPECT_EQ(Written(reread), written);

    // Saved with Windows line ends, the framing is "\r\n" and goes the same way.
    auto crlf = [](const std::string& lf) {
        std::string out;
        for (char ch : lf)
            out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        return out;
    };
    std::ofstream(file, std::ios::binary) << crlf(text);
    reread.Read(file);
    std::remove(file.c_str());
    EXPECT_EQ(reread.GetpBinSpecsSection()->GetText(), crlf(section));

    const std::string bad = ::testing::TempDir() + "no_such_dir/specs_x.xml";
    EXPECT_EQ(EcErrorOf([&] { d.Write(bad); }), "[ecPar_BinDesc::Write] Can't open " + bad);
}

TEST(BinDesc, WritesTheDocumentLayout) {
    ecPar_BinDesc d;
    EXPECT_EQ(Written(d), "<bin_desc>\n</bin_desc>\n");
    d.AddOneAttribSpec();
    d.AppendOneFactorValuePair(0, "f", "v");
    d.GetpUniqueEventNames()->push_back("S 1");
    d.GetpUniqueEventNames()->push_back("S 2");
    EXPECT_EQ(Written(d), "<bin_desc>\n\t<attrib_spec>\n\t\t<attrib>\n\t\t\t<factor>f</factor>\n\t\t\t<tag>v</tag>\n"
                          "\t\t</attrib>\n\t\t<event_specs>\n\t\t</event_specs>\n\t</attrib_spec>\n\n"
                          "\t<UniqueEvents>\n\t\t<UE>S 1</UE>\n\t\t<UE>S 2</UE>\n\t</UniqueEvents>\n</bin_desc>\n");
}

TEST(BinDesc, DocumentsWithoutPartsAndOverTheLimits) {
    ecPar_BinDesc d;
    d.Read(kOddball);
    // No bin_desc element, or a missing file: nothing changes.
    d.Read(::testing::TempDir() + "specs_does_not_exist.xml");
    ecXml other = XmlOf("<bin_results><epoch/></bin_results>");
    d.ReadXml(other, true);
    EXPECT_EQ(d.GetNumAttribSpecs(), 2);
    EXPECT_FALSE(d.GetpBinSpecsSection()->IsEmpty());
    // A bin_desc without bin specs empties the section; an empty UE ends the names.
    ecXml xml = XmlOf("<bin_desc><UniqueEvents><UE>a</UE><UE></UE><UE>b</UE></UniqueEvents></bin_desc>");
    d.ReadXml(xml, false);
    EXPECT_EQ(d.GetNumAttribSpecs(), 0);
    EXPECT_TRUE(d.GetpBinSpecsSection()->IsEmpty());
    EXPECT_TRUE(d.GetpBinSpecList()->empty());
    EXPECT_EQ(*d.GetpUniqueEventNames(), std::vector<std::string>{"a"});

    const struct {
        std::string element, message;
        bool specs;
    } limits[] = {{"<attrib_spec><attrib><factor>f</factor></attrib></attrib_spec>",
                   "[ecPar_BinDesc::ReadXml] Limit exceeded for attribute specs.", true},
                  {"<UniqueEvents>" + Repeated("<UE>e</UE>", 10000) + "</UniqueEvents>",
                   "[ecPar_BinDesc::ReadXml] Limit exceeded.", false}};
    for (const auto& l : limits) {
        ecPar_BinDesc over;
        ecXml x = XmlOf("<bin_desc>" + (l.specs ? Repeated(l.element, 10000) : l.element) + "</bin_desc>");
        EXPECT_EQ(EcErrorOf([&] { over.ReadXml(x, false); }), l.message);
        EXPECT_EQ(l.specs ? over.GetNumAttribSpecs() : static_cast<int>(over.GetpUniqueEventNames()->size()), 9999);
    }
}

TEST(BinDesc, ArgumentOrdersOfTheLookupsAndEdits) {
    ecPar_BinDesc d;
    MakeTwoSpecs(d);
    EXPECT_EQ(d.GetOneFactor(0, 1), "g0");
    EXPECT_EQ(d.GetpTarget(0, 1)->GetName(), "A1");          // iSpec, iTarget
    EXPECT_EQ(d.GetpConditional(1, 0)->GetName(), "c01");    // iCond, iSpec
    EXPECT_EQ(d.GetTargetName(0, 1), "B0");                  // iTarget, iSpec
    EXPECT_EQ(d.GetConditionalName(2, 0), "c02");            // iCond, iSpec
    EXPECT_EQ(d.GetTargetEvent(1, 0, 0), "b");               // event, iSpec, iTarget
    EXPECT_EQ(d.GetTargetEvent(0, 0, 1), "c");
    EXPECT_EQ(d.GetConditionalEvent(1, 0, 1), "z");          // event, iSpec, iCond
    EXPECT_EQ(d.GetConditionalEvent(0, 1, 0), "w");
    EXPECT_EQ(d.GetNumEventsInTarget(0, 0), 2);              // iSpec, iTarget
    EXPECT_EQ(d.GetNumEventsInConditional(0, 1), 2);         // iSpec, iCond
    EXPECT_EQ(d.GetNumEventsInConditional(0, 3), -1);
    EXPECT_EQ(d.WhichFactor(0, "g0"), 1);
    EXPECT_EQ(d.WhichFactor(1, "g0"), -1);

    d.AddConditionalEvent("q", 1, 0);
    EXPECT_EQ(d.GetConditionalEvent(1, 1, 0), "q");
    d.AddTargetEvent("e", 0, 1);
    EXPECT_EQ(d.GetTargetEvent(1, 0, 1), "e");
    d.SetConditionalProperties(2, 0, Anchor(true, 0.5f, "A0"), Anchor(true, 1.0f, "A0"), 5);
    EXPECT_EQ(d.GetpConditional(2, 0)->GetOption(), 5);
    EXPECT_EQ(d.GetpConditional(0, 1)->GetOption(), 0);
    d.DeleteOneTargetEvent(0, 0, 1);
    EXPECT_EQ(*d.GetpTarget(0, 1)->GetpEventNames(), std::vector<std::string>{"e"});
    d.DeleteOneConditionalEvent(0, 0, 1);
    EXPECT_EQ(*d.GetpConditional(1, 0)->GetpEventNames(), std::vector<std::string>{"z"});
    d.DeleteOneTarget(0, 1);
    d.DeleteOneConditional(0, 2);
    EXPECT_EQ(d.GetNumTargets(0), 1);
    EXPECT_EQ(d.GetNumConditionals(0), 2);
    EXPECT_EQ(d.GetNumConditionals(1), 1);
    d.DeleteOneTag(0, "v0");
    EXPECT_EQ(d.GetOneValue(0, 0), "u0");

    int before = 77, after = 88;
    d.GetpConditional(0, 0)->GetpTimeAnchorPre()->SetOptionFlag(ecTimeAnchor::kMinus);
    d.GetpConditional(1, 0)->SetPermeable();
    EXPECT_EQ(d.GetNumConditionalsBeforeAfterT0(0, before, after), 2);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(d.GetNumPermeables(0), 1);
    EXPECT_EQ(d.GetNumConditionalsBeforeAfterT0(2, before, after), -1);
    EXPECT_EQ(d.GetNumPermeables(-1), -1);
}

TEST(BinDesc, GuardedOperationsRefuseASpecIndexOutOfRange) {
    ecPar_BinDesc d;
    MakeTwoSpecs(d);
    const std::string before = Written(d);
    for (int bad : {-1, 2}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(d.WhichFactor(bad, "f0"), -1);
        EXPECT_EQ(d.CreateTarget(bad, "T"), -1);
        EXPECT_EQ(d.CreateConditional(bad, "C"), -1);
        EXPECT_EQ(d.GetNumEventsInTarget(bad, 0), -1);
        EXPECT_EQ(d.GetNumEventsInConditional(bad, 0), -1);
        EXPECT_EQ(d.GetpTarget(bad, 0), nullptr);
        EXPECT_EQ(d.GetpConditional(0, bad), nullptr);
        d.ReplaceValue(bad, 0, "x");
        d.SetConditionalProperties(0, bad, Anchor(true, 1, "x"), Anchor(true, 1, "x"), 7);
        d.DeleteOneTarget(bad, 0);
        d.DeleteOneTargetEvent(0, bad, 0);
        d.DeleteOneConditional(bad, 0);
        d.DeleteOneConditionalEvent(0, bad, 0);
        d.DeleteOneAttribSpec(bad);
    }
    EXPECT_EQ(Written(d), before);
    EXPECT_THROW(d.GetNumTargets(2), std::out_of_range);
    EXPECT_THROW(d.AppendOneFactor(-1, "f"), std::out_of_range);
    EXPECT_THROW(d.AddTargetEvent("e", 2, 0), std::out_of_range);

    // A spec without targets has no target pointer to give.
    d.AddOneAttribSpec();
    EXPECT_EQ(d.GetpTarget(2, 0), nullptr);
    d.DeleteOneTargetEvent(0, 2, 0);
    EXPECT_EQ(d.GetNumTargets(2), 0);
    d.DeleteOneAttribSpec(0);
    EXPECT_EQ(d.GetOneFactor(0, 0), "f1");
}

TEST(BinDesc, AddTargetEventNamesNewTargetsAfterTheSpec) {
    ecPar_BinDesc d;
    d.AddOneAttribSpec();
    d.AddOneAttribSpec();
    d.AddTargetEvent("a", 0, 0);
    d.AddTargetEvent("b", 0, 0);
    d.AddTargetEvent("c", 1, 0);
    EXPECT_EQ(d.GetTargetName(0, 0), "1:T0");
    EXPECT_EQ(d.GetNumEventsInTarget(0, 0), 2);
    EXPECT_EQ(d.GetTargetName(0, 1), "2:T0");
    // Two beyond the end: the numbered target stays empty and the event
    // specs' own "T" target takes the name.
    d.AddTargetEvent("d", 0, 3);
    ASSERT_EQ(d.GetNumTargets(0), 3);
    EXPECT_EQ(d.GetTargetName(1, 0), "1:T3");
    EXPECT_EQ(d.GetNumEventsInTarget(0, 1), 0);
    EXPECT_EQ(d.GetTargetName(2, 0), "T3");
    EXPECT_EQ(d.GetTargetEvent(0, 0, 2), "d");
}

TEST(BinDesc, UniqueNamesAndTags) {
    ecEventList events;
    for (const char* name : {"S 1", "R 1", "S 1", "S 2"})
        events.AppendOneEvent(MakeEvent(name, 0));
    ecPar_BinDesc d;
    d.GetpUniqueEventNames()->push_back("old");
    d.SetUniqueEvents(&events);
    EXPECT_EQ(*d.GetpUniqueEventNames(), (std::vector<std::string>{"S 1", "R 1", "S 2"}));

    d.AddOneAttribSpec();
    d.AddOneAttribSpec();
    d.AppendOneFactorValuePair(0, "a", "1");
    d.AppendOneFactorValuePair(0, "b", "2");
    d.AppendOneFactorValuePair(1, "b", "2");
    d.AppendOneFactorValuePair(1, "a", "3");
    d.AppendOneFactor(1, "unpaired");
    EXPECT_EQ(d.GetUniqueFactorValueTags(), (std::vector<std::string>{"a:1", "b:2", "a:3"}));
}

}  // namespace
