#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecAttribSet.h"
#include "ecevents/specs/ecBinSpec.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecutil/ecXml.h"

namespace {

const std::string kOddball = std::string(ECEVENTS_TEST_DATA) + "/specs/specs_oddball.bin_desc.xml";

ecXml XmlOf(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

template <class T>
std::string Written(T& object)
{
    std::ostringstream out;
    object.WriteXml(out);
    return out.str();
}

template <class F>
std::string Thrown(F f)
{
    try {
        f();
    } catch (const ecError& e) {
        return e.what();
    }
    return std::string();
}

std::string Repeated(const std::string& element, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += element;
    return s;
}

std::string FileText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string TempFile(const std::string& stem)
{
    return ::testing::TempDir() + "specs_" + stem + ".xml";
}

ecTimeAnchor Anchor(bool minus, float latency, const std::string& name)
{
    ecTimeAnchor a;
    if (minus)
        a.SetOptionFlag(ecTimeAnchor::kMinus);
    a.SetLatencyWRTSpecifier(latency);
    a.SetName(name);
    return a;
}

// Spec 0: targets A0 (a, b), A1 (c); conditionals c00 (x), c01 (y, z), c02.
// Spec 1: target B0 (d); conditional c10 (w).
// Indices that are swapped by mistake land on a different object.
void MakeTwoSpecs(ecPar_BinDesc& d)
{
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

} // namespace

TEST(AttribSet, WritesAndReadsBack)
{
    ecAttribSet s;
    s.AddAttribTag("stim:rare");
    s.AddAttribTag("resp:hit");
    s.SetTabDepth(1);
    EXPECT_EQ(Written(s),
              "\t<attrib_set>\n"
              "\t\t<attrib_tag>stim:rare</attrib_tag>\n"
              "\t\t<attrib_tag>resp:hit</attrib_tag>\n"
              "\t</attrib_set>\n");
    ecXml xml = XmlOf(Written(s));
    ecAttribSet r;
    ASSERT_TRUE(r.ReadXml(xml));
    EXPECT_EQ(*r.GetpAttribTags(), *s.GetpAttribTags());
    EXPECT_FALSE(r.ReadXml(xml));
}

TEST(AttribSet, KeepsAtMost9999Tags)
{
    ecAttribSet s;
    ecXml xml = XmlOf("<attrib_set>" + Repeated("<attrib_tag>a:b</attrib_tag>", 10000) + "</attrib_set>");
    EXPECT_EQ(Thrown([&] { s.ReadXml(xml); }), "[ecAttribSet::ReadXml] Limit exceeded.");
    EXPECT_EQ(s.GetNumAttribTags(), 9999);
}

TEST(BinSpec, WritesAndReadsBack)
{
    ecBinSpec b;
    b.SetName("Rare");
    b.SetColor(0xFF000000u);
    b.SetCreateNew(true);
    auto* set = new ecAttribSet;
    set->AddAttribTag("stim:rare");
    b.GetpAttribSets()->push_back(set);
    b.SetTabDepth(1);
    EXPECT_EQ(Written(b),
              "\t<bin_spec>\n"
              "\t\t<name>Rare</name>\n"
              "\t\t<color>4278190080</color>\n"
              "\t\t<create_new>1</create_new>\n"
              "\t\t<attrib_set>\n"
              "\t\t\t<attrib_tag>stim:rare</attrib_tag>\n"
              "\t\t</attrib_set>\n"
              "\t</bin_spec>\n");
    ecXml xml = XmlOf(Written(b));
    ecBinSpec r;
    ASSERT_TRUE(r.ReadXml(xml));
    EXPECT_EQ(r.GetName(), "Rare");
    EXPECT_EQ(r.GetColor(), 0xFF000000u);
    EXPECT_TRUE(r.IsCreateNew());
    ASSERT_EQ(r.GetpAttribSets()->size(), 1u);
    r.SetTabDepth(1);
    EXPECT_EQ(Written(r), Written(b));

    ecBinSpec zero;
    zero.SetCreateNew(true);
    ecXml xml2 = XmlOf("<bin_spec><name>n</name><create_new>0</create_new></bin_spec>");
    ASSERT_TRUE(zero.ReadXml(xml2));
    EXPECT_FALSE(zero.IsCreateNew());
}

TEST(BinSpec, CopiesAreDeepAndSetsAreLimited)
{
    ecBinSpec b;
    b.GetpAttribSets()->push_back(new ecAttribSet);
    ecBinSpec copy(b);
    ASSERT_EQ(copy.GetpAttribSets()->size(), 1u);
    EXPECT_NE((*copy.GetpAttribSets())[0], (*b.GetpAttribSets())[0]);
    ecBinSpec assigned;
    assigned.GetpAttribSets()->push_back(new ecAttribSet);
    assigned.GetpAttribSets()->push_back(new ecAttribSet);
    assigned = b;
    EXPECT_EQ(assigned.GetpAttribSets()->size(), 1u);

    ecBinSpec over;
    ecXml xml = XmlOf("<bin_spec><name>n</name>" +
                      Repeated("<attrib_set><attrib_tag>a:b</attrib_tag></attrib_set>", 10000) + "</bin_spec>");
    EXPECT_EQ(Thrown([&] { over.ReadXml(xml); }), "[ecBinSpec::ReadXml] Limit exceeded.");
    EXPECT_EQ(over.GetpAttribSets()->size(), 9999u);
}

TEST(BinDesc, ReadsAHandWrittenDocument)
{
    ecPar_BinDesc d;
    d.Read(kOddball);
    ASSERT_EQ(d.GetNumAttribSpecs(), 2);
    EXPECT_EQ(d.GetNumTags(0), 2);
    EXPECT_EQ(d.GetOneValue(1, 0), "frequent");
    ecConditional* c0 = d.GetpConditional(0, 0);
    ASSERT_NE(c0, nullptr);
    EXPECT_TRUE(c0->IsPermeable());
    EXPECT_TRUE(c0->HasWindow());
    EXPECT_EQ(c0->GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 1.2f);
    EXPECT_EQ(*c0->GetpEventNames(), (std::vector<std::string>{"R 1", "R 2"}));
    ecTarget* t = d.GetpTarget(0, 0);
    ASSERT_EQ(t->GetNumFlags(), 1);
    EXPECT_EQ((*t->GetpvFlags())[0]->GetCode(), 4u);
    EXPECT_EQ((*t->GetpvFlags())[0]->GetOption(), ecCondEventFlag::kInvert | ecCondEventFlag::kSet);
    EXPECT_FALSE(d.GetpConditional(0, 1)->IsPermeable());
    EXPECT_EQ(d.GetpConditional(0, 1)->GetOption(), ecConditional::kNegated);
    EXPECT_EQ(*d.GetpUniqueEventNames(), (std::vector<std::string>{"S 1", "S 2", "R 1"}));
    EXPECT_EQ(d.GetUniqueEventName(2), "R 1");
    EXPECT_EQ(d.GetUniqueEventName(3), "");
    EXPECT_EQ(d.GetUniqueEventName(-1), "");
    EXPECT_EQ(d.GetUniqueFactorValueTags(),
              (std::vector<std::string>{"stim:rare", "resp:hit", "stim:frequent"}));

    // The bins of the section are offered parsed as well.
    const std::vector<ecBinSpec*>& bins = *d.GetpBinSpecList();
    ASSERT_EQ(bins.size(), 2u);
    EXPECT_EQ(bins[0]->GetName(), "Rare hits");
    EXPECT_EQ(bins[0]->GetColor(), 16711680u);
    EXPECT_TRUE(bins[0]->IsCreateNew());
    EXPECT_EQ(*(*bins[0]->GetpAttribSets())[0]->GetpAttribTags(),
              (std::vector<std::string>{"stim:rare", "resp:hit"}));
    EXPECT_FALSE(bins[1]->IsCreateNew());
    EXPECT_EQ(bins[1]->GetpAttribSets()->size(), 2u);
}

TEST(BinDesc, BinSpecsSectionIsWrittenBackVerbatim)
{
    const std::string text = FileText(kOddball);
    const std::size_t open = text.find("<bin_specs>") + std::string("<bin_specs>").size();
    const std::size_t close = text.find("</bin_specs>");
    const std::string framed = text.substr(open, close - open);
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

    // Another write/read cycle changes nothing.
    ecXml again;
    again.SetText(written);
    ecPar_BinDesc reread;
    reread.ReadXml(again, false);
    EXPECT_EQ(Written(reread), written);
}

TEST(BinDesc, WritesTheDocumentLayout)
{
    ecPar_BinDesc d;
    EXPECT_EQ(Written(d), "<bin_desc>\n</bin_desc>\n");
    d.AddOneAttribSpec();
    d.AppendOneFactorValuePair(0, "f", "v");
    d.GetpUniqueEventNames()->push_back("S 1");
    d.GetpUniqueEventNames()->push_back("S 2");
    EXPECT_EQ(Written(d),
              "<bin_desc>\n"
              "\t<attrib_spec>\n"
              "\t\t<attrib>\n"
              "\t\t\t<factor>f</factor>\n"
              "\t\t\t<tag>v</tag>\n"
              "\t\t</attrib>\n"
              "\t\t<event_specs>\n"
              "\t\t</event_specs>\n"
              "\t</attrib_spec>\n"
              "\n"
              "\t<UniqueEvents>\n"
              "\t\t<UE>S 1</UE>\n"
              "\t\t<UE>S 2</UE>\n"
              "\t</UniqueEvents>\n"
              "</bin_desc>\n");
}

TEST(BinDesc, WriteThenReadGivesTheSameDocument)
{
    ecPar_BinDesc d;
    d.Read(kOddball);
    const std::string file = TempFile("roundtrip");
    d.Write(file);
    ecPar_BinDesc r;
    r.Read(file);
    std::remove(file.c_str());
    // The specs and names come back alike; the section keeps its own text.
    std::ostringstream a, b;
    for (ecAttribSpec* s : *d.GetpAttribSpecList()) {
        s->SetTabDepth(0);
        s->WriteXml(a);
    }
    for (ecAttribSpec* s : *r.GetpAttribSpecList()) {
        s->SetTabDepth(0);
        s->WriteXml(b);
    }
    EXPECT_EQ(a.str(), b.str());
    EXPECT_EQ(*r.GetpUniqueEventNames(), *d.GetpUniqueEventNames());
    EXPECT_EQ(r.GetpBinSpecList()->size(), 2u);
    EXPECT_NE(r.GetpBinSpecsSection()->GetText().find(d.GetpBinSpecsSection()->GetText()), std::string::npos);
}

TEST(BinDesc, ReadingTwiceDoesNotDuplicate)
{
    ecPar_BinDesc d;
    d.Read(kOddball);
    d.Read(kOddball);
    EXPECT_EQ(d.GetNumAttribSpecs(), 2);
    EXPECT_EQ(d.GetpUniqueEventNames()->size(), 3u);
    EXPECT_EQ(d.GetpBinSpecList()->size(), 2u);
}

TEST(BinDesc, ADocumentWithoutBinDescChangesNothing)
{
    ecPar_BinDesc d;
    d.Read(kOddball);
    d.Read(TempFile("does_not_exist"));
    ecXml other = XmlOf("<bin_results><epoch/></bin_results>");
    d.ReadXml(other, true);
    ecXml empty = XmlOf("<bin_desc></bin_desc>");
    d.ReadXml(empty, false);
    EXPECT_EQ(d.GetNumAttribSpecs(), 2);
    EXPECT_FALSE(d.GetpBinSpecsSection()->IsEmpty());
}

TEST(BinDesc, ADocumentWithoutBinSpecsEmptiesTheSection)
{
    ecPar_BinDesc d;
    d.Read(kOddball);
    ecXml xml = XmlOf("<bin_desc><UniqueEvents><UE>a</UE><UE></UE><UE>b</UE></UniqueEvents></bin_desc>");
    d.ReadXml(xml, false);
    EXPECT_EQ(d.GetNumAttribSpecs(), 0);
    EXPECT_TRUE(d.GetpBinSpecsSection()->IsEmpty());
    EXPECT_TRUE(d.GetpBinSpecList()->empty());
    // An empty UE ends the names.
    EXPECT_EQ(*d.GetpUniqueEventNames(), std::vector<std::string>{"a"});
    EXPECT_EQ(Written(d).find("bin_specs"), std::string::npos);
}

TEST(BinDesc, ReadingLimits)
{
    ecPar_BinDesc specs;
    ecXml xml = XmlOf("<bin_desc>" + Repeated("<attrib_spec><attrib><factor>f</factor></attrib></attrib_spec>", 10000) +
                      "</bin_desc>");
    EXPECT_EQ(Thrown([&] { specs.ReadXml(xml, false); }),
              "[ecPar_BinDesc::ReadXml] Limit exceeded for attribute specs.");
    EXPECT_EQ(specs.GetNumAttribSpecs(), 9999);

    ecPar_BinDesc names;
    ecXml xml2 =
        XmlOf("<bin_desc><UniqueEvents>" + Repeated("<UE>e</UE>", 10000) + "</UniqueEvents></bin_desc>");
    EXPECT_EQ(Thrown([&] { names.ReadXml(xml2, false); }), "[ecPar_BinDesc::ReadXml] Limit exceeded.");
    EXPECT_EQ(names.GetpUniqueEventNames()->size(), 9999u);

    ecPar_BinDesc exact;
    ecXml xml3 = XmlOf("<bin_desc><UniqueEvents>" + Repeated("<UE>e</UE>", 9999) + "</UniqueEvents></bin_desc>");
    exact.ReadXml(xml3, false);
    EXPECT_EQ(exact.GetpUniqueEventNames()->size(), 9999u);
}

TEST(BinDesc, WriteReportsAFileItCannotOpen)
{
    ecPar_BinDesc d;
    const std::string file = ::testing::TempDir() + "no_such_dir/specs_x.xml";
    EXPECT_EQ(Thrown([&] { d.Write(file); }), "[ecPar_BinDesc::Write] Can't open " + file);
}

TEST(BinDesc, CopiesAreDeepAndLeaveTheSectionBehind)
{
    ecPar_BinDesc d;
    d.Read(kOddball);
    ecPar_BinDesc copy(d);
    ASSERT_EQ(copy.GetNumAttribSpecs(), 2);
    EXPECT_NE(copy.GetpAttribSpec(0), d.GetpAttribSpec(0));
    EXPECT_EQ(copy.GetpBinSpecList()->size(), 2u);
    EXPECT_NE((*copy.GetpBinSpecList())[0], (*d.GetpBinSpecList())[0]);
    EXPECT_EQ(*copy.GetpUniqueEventNames(), *d.GetpUniqueEventNames());
    EXPECT_TRUE(copy.GetpBinSpecsSection()->IsEmpty());
    EXPECT_EQ(Written(copy).find("bin_specs"), std::string::npos);

    ecPar_BinDesc assigned;
    assigned.AddOneAttribSpec();
    assigned = d;
    EXPECT_EQ(assigned.GetNumAttribSpecs(), 2);
    EXPECT_EQ(Written(assigned).find("bin_specs"), std::string::npos);
    d.ReplaceValue(0, 0, "changed");
    EXPECT_EQ(assigned.GetOneValue(0, 0), "rare");
}

TEST(BinDesc, ClearKeepsTheSection)
{
    ecPar_BinDesc d;
    d.Read(kOddball);
    d.Clear();
    EXPECT_EQ(d.GetNumAttribSpecs(), 0);
    EXPECT_TRUE(d.GetpUniqueEventNames()->empty());
    EXPECT_TRUE(d.GetpBinSpecList()->empty());
    EXPECT_FALSE(d.GetpBinSpecsSection()->IsEmpty());
}

TEST(BinDesc, SpecListEditing)
{
    ecPar_BinDesc d;
    MakeTwoSpecs(d);
    d.DeleteOneAttribSpec(2);
    d.DeleteOneAttribSpec(-1);
    EXPECT_EQ(d.GetNumAttribSpecs(), 2);
    d.DeleteOneAttribSpec(0);
    ASSERT_EQ(d.GetNumAttribSpecs(), 1);
    EXPECT_EQ(d.GetOneFactor(0, 0), "f1");
    d.ClearAllAttribSpecs();
    EXPECT_EQ(d.GetNumAttribSpecs(), 0);
}

TEST(BinDesc, SetUniqueEventsTakesTheListsNames)
{
    ecEventList events;
    for (const char* name : {"S 1", "R 1", "S 1", "S 2"}) {
        ecEvent e;
        e.m_sName = name;
        events.AppendOneEvent(e);
    }
    ecPar_BinDesc d;
    d.GetpUniqueEventNames()->push_back("old");
    d.SetUniqueEvents(&events);
    EXPECT_EQ(*d.GetpUniqueEventNames(), (std::vector<std::string>{"S 1", "R 1", "S 2"}));
}

TEST(BinDesc, UniqueTagsAreDistinctInOrderOfFirstOccurrence)
{
    ecPar_BinDesc d;
    d.AddOneAttribSpec();
    d.AddOneAttribSpec();
    d.AppendOneFactorValuePair(0, "a", "1");
    d.AppendOneFactorValuePair(0, "b", "2");
    d.AppendOneFactorValuePair(1, "b", "2");
    d.AppendOneFactorValuePair(1, "a", "3");
    d.AppendOneFactor(1, "unpaired");
    EXPECT_EQ(d.GetUniqueFactorValueTags(), (std::vector<std::string>{"a:1", "b:2", "a:3"}));
}

TEST(BinDesc, ConsistencyCheckAndResetReachEverySpec)
{
    ecPar_BinDesc d;
    MakeTwoSpecs(d);
    ecConditional* c = d.GetpConditional(0, 1);
    d.SetConditionalProperties(0, 1, Anchor(true, 0.8f, "B0"), Anchor(true, 0.3f, "B0"), ecConditional::kWindow);
    c->GetpTimeAnchor()->SetEventListIndex(6);
    d.GetpTarget(0, 1)->GetpTimeAnchor()->SetEventListIndex(2);
    d.ConsistencyCheck();
    EXPECT_EQ(c->GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.3f);
    d.ConsistencyCheck();
    EXPECT_EQ(c->GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.3f);
    d.ResetRuntimeParameters();
    EXPECT_EQ(c->GetpTimeAnchor()->GetEventListIndex(), -1);
    EXPECT_EQ(d.GetpTarget(0, 1)->GetpTimeAnchor()->GetEventListIndex(), -1);
}

TEST(BinDesc, ConditionalCountsBySideAndMode)
{
    ecPar_BinDesc d;
    int before = 77, after = 88;
    EXPECT_EQ(d.GetNumConditionalsBeforeAfterT0(0, before, after), -1);
    EXPECT_EQ(d.GetNumPermeables(0), -1);
    MakeTwoSpecs(d);
    d.GetpConditional(0, 0)->GetpTimeAnchorPre()->SetOptionFlag(ecTimeAnchor::kMinus);
    d.GetpConditional(2, 0)->GetpTimeAnchorPre()->SetOptionFlag(ecTimeAnchor::kMinus);
    d.GetpConditional(2, 0)->SetPermeable();
    EXPECT_EQ(d.GetNumConditionalsBeforeAfterT0(0, before, after), 3);
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(d.GetNumPermeables(0), 1);
    EXPECT_EQ(d.GetNumPermeables(1), 0);
    before = after = 55;
    EXPECT_EQ(d.GetNumConditionalsBeforeAfterT0(2, before, after), -1);
    EXPECT_EQ(d.GetNumConditionalsBeforeAfterT0(-1, before, after), -1);
    EXPECT_EQ(before, 55);
    EXPECT_EQ(after, 55);
    EXPECT_EQ(d.GetNumPermeables(2), -1);
}

TEST(BinDesc, ArgumentOrdersOfTheLookups)
{
    ecPar_BinDesc d;
    MakeTwoSpecs(d);
    EXPECT_EQ(d.GetOneFactor(0, 1), "g0");
    EXPECT_EQ(d.GetOneValue(1, 0), "v1");
    EXPECT_EQ(d.GetNumTags(0), 2);
    EXPECT_EQ(d.GetNumFactors(1), 1);
    EXPECT_EQ(d.GetNumTargets(0), 2);
    EXPECT_EQ(d.GetNumConditionals(0), 3);
    EXPECT_EQ(d.GetNumConditionals(1), 1);

    // iSpec, iTarget
    EXPECT_EQ(d.GetpTarget(0, 1)->GetName(), "A1");
    EXPECT_EQ(d.GetpTarget(1, 0)->GetName(), "B0");
    // iCond, iSpec
    EXPECT_EQ(d.GetpConditional(1, 0)->GetName(), "c01");
    EXPECT_EQ(d.GetpConditional(0, 1)->GetName(), "c10");
    // iTarget, iSpec
    EXPECT_EQ(d.GetTargetName(1, 0), "A1");
    EXPECT_EQ(d.GetTargetName(0, 1), "B0");
    // iCond, iSpec
    EXPECT_EQ(d.GetConditionalName(2, 0), "c02");
    EXPECT_EQ(d.GetConditionalName(0, 1), "c10");
    // event index, iSpec, iTarget / iCond
    EXPECT_EQ(d.GetTargetEvent(1, 0, 0), "b");
    EXPECT_EQ(d.GetTargetEvent(0, 1, 0), "d");
    EXPECT_EQ(d.GetTargetEvent(0, 0, 1), "c");
    EXPECT_EQ(d.GetConditionalEvent(1, 0, 1), "z");
    EXPECT_EQ(d.GetConditionalEvent(0, 1, 0), "w");
    // iSpec, iTarget / iCond
    EXPECT_EQ(d.GetNumEventsInTarget(0, 0), 2);
    EXPECT_EQ(d.GetNumEventsInTarget(1, 0), 1);
    EXPECT_EQ(d.GetNumEventsInConditional(0, 1), 2);
    EXPECT_EQ(d.GetNumEventsInConditional(0, 2), 0);
    EXPECT_EQ(d.GetNumEventsInConditional(1, 0), 1);
    EXPECT_EQ(d.GetNumEventsInConditional(0, 3), -1);
    // iSpec, string
    EXPECT_EQ(d.WhichFactor(0, "g0"), 1);
    EXPECT_EQ(d.WhichFactor(1, "g0"), -1);
}

TEST(BinDesc, ArgumentOrdersOfTheEdits)
{
    ecPar_BinDesc d;
    MakeTwoSpecs(d);
    d.ReplaceValue(0, 1, "U");
    EXPECT_EQ(d.GetOneValue(0, 1), "U");
    d.AppendOneFactor(1, "h");
    d.AppendOneTag(1, "t");
    EXPECT_EQ(d.GetOneFactor(1, 1), "h");
    EXPECT_EQ(d.GetOneValue(1, 1), "t");
    d.DeleteOneTag(0, "v0");
    EXPECT_EQ(d.GetNumTags(0), 1);
    EXPECT_EQ(d.GetOneValue(0, 0), "U");
    d.DeleteOneTag(1, 0);
    EXPECT_EQ(d.GetOneValue(1, 0), "t");

    d.AddConditionalEvent("q", 1, 0);
    EXPECT_EQ(d.GetConditionalEvent(1, 1, 0), "q");
    d.AddTargetEvent("e", 0, 1);
    EXPECT_EQ(d.GetTargetEvent(1, 0, 1), "e");

    d.SetConditionalProperties(2, 0, Anchor(true, 0.5f, "A0"), Anchor(true, 1.0f, "A0"), 5);
    EXPECT_EQ(d.GetpConditional(2, 0)->GetOption(), 5);
    EXPECT_EQ(d.GetpConditional(2, 0)->GetpTimeAnchorPre()->GetName(), "A0");
    EXPECT_EQ(d.GetpConditional(0, 1)->GetOption(), 0);

    // event index, iSpec, iTarget
    d.DeleteOneTargetEvent(0, 0, 1);
    EXPECT_EQ(*d.GetpTarget(0, 1)->GetpEventNames(), std::vector<std::string>{"e"});
    // event index, iSpec, iCond
    d.DeleteOneConditionalEvent(0, 0, 1);
    EXPECT_EQ(*d.GetpConditional(1, 0)->GetpEventNames(), std::vector<std::string>{"z"});
    // iSpec, iTarget
    d.DeleteOneTarget(0, 1);
    EXPECT_EQ(d.GetNumTargets(0), 1);
    EXPECT_EQ(d.GetNumTargets(1), 1);
    // iSpec, iCond
    d.DeleteOneConditional(0, 2);
    EXPECT_EQ(d.GetNumConditionals(0), 2);
    EXPECT_EQ(d.GetNumConditionals(1), 1);
    d.DeleteOneConditional(0, 5);
    EXPECT_EQ(d.GetNumConditionals(0), 2);
}

TEST(BinDesc, GuardedOperationsRefuseASpecIndexOutOfRange)
{
    ecPar_BinDesc d;
    EXPECT_EQ(d.WhichFactor(0, "f"), -1);
    EXPECT_EQ(d.CreateTarget(0, "T"), -1);
    EXPECT_EQ(d.CreateConditional(0, "C"), -1);
    EXPECT_EQ(d.GetNumEventsInTarget(0, 0), -1);
    EXPECT_EQ(d.GetNumEventsInConditional(0, 0), -1);
    EXPECT_EQ(d.GetpTarget(0, 0), nullptr);
    EXPECT_EQ(d.GetpConditional(0, 0), nullptr);

    MakeTwoSpecs(d);
    const std::string before = Written(d);
    for (int bad : {-1, 2}) {
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
    }
    EXPECT_EQ(Written(d), before);

    // A spec without targets has no target pointer to give.
    d.AddOneAttribSpec();
    EXPECT_EQ(d.GetpTarget(2, 0), nullptr);
    d.DeleteOneTarget(2, 0);
    d.DeleteOneTargetEvent(0, 2, 0);
    EXPECT_EQ(d.GetNumTargets(2), 0);
}

TEST(BinDesc, OpenOperationsRequireAValidSpecIndex)
{
    ecPar_BinDesc d;
    d.AddOneAttribSpec();
    EXPECT_THROW(d.GetNumTargets(1), std::out_of_range);
    EXPECT_THROW(d.AppendOneFactor(-1, "f"), std::out_of_range);
    EXPECT_THROW(d.AddTargetEvent("e", 1, 0), std::out_of_range);
    EXPECT_THROW(d.GetTargetName(0, 1), std::out_of_range);
}

TEST(BinDesc, CreateReturnsTheNewCountOrIndex)
{
    ecPar_BinDesc d;
    d.AddOneAttribSpec();
    EXPECT_EQ(d.CreateTarget(0, "T0"), 1);
    EXPECT_EQ(d.CreateTarget(0, "T1"), 2);
    EXPECT_EQ(d.CreateConditional(0, "C0"), 0);
    EXPECT_EQ(d.CreateConditional(0, "C1"), 1);
    EXPECT_EQ(d.GetTargetName(1, 0), "T1");
    EXPECT_EQ(d.GetConditionalName(1, 0), "C1");
}

TEST(BinDesc, AddTargetEventNamesNewTargetsAfterTheSpec)
{
    ecPar_BinDesc d;
    d.AddOneAttribSpec();
    d.AddOneAttribSpec();
    d.AddTargetEvent("a", 0, 0);
    ASSERT_EQ(d.GetNumTargets(0), 1);
    EXPECT_EQ(d.GetTargetName(0, 0), "1:T0");
    EXPECT_EQ(d.GetTargetEvent(0, 0, 0), "a");
    d.AddTargetEvent("b", 0, 0);
    EXPECT_EQ(d.GetNumTargets(0), 1);
    EXPECT_EQ(d.GetNumEventsInTarget(0, 0), 2);
    d.AddTargetEvent("c", 1, 0);
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
