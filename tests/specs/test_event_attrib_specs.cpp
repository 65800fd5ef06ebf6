#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecutil/ecXml.h"

namespace {

ecXml XmlOf(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

template <class T>
std::string Written(T& spec)
{
    std::ostringstream out;
    spec.WriteXml(out);
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

} // namespace

TEST(EventSpecs, AddTargetEventCreatesNumberedTargetsBeyondTheEnd)
{
    ecEventSpecs s;
    s.AddTargetEvent("a", 0);
    ASSERT_EQ(s.GetNumTargets(), 1);
    EXPECT_EQ(s.GetTargetName(0), "T0");
    s.AddTargetEvent("b", 0);
    EXPECT_EQ(s.GetNumTargets(), 1);
    EXPECT_EQ(s.GetNumEventsInTarget(0), 2);
    s.AddTargetEvent("c", 5);
    ASSERT_EQ(s.GetNumTargets(), 2);
    EXPECT_EQ(s.GetTargetName(1), "T5");
    EXPECT_EQ(s.GetTargetEvent(0, 1), "c");
    EXPECT_EQ(s.GetTargetEvent(1, 0), "b");
}

TEST(EventSpecs, AddConditionalEventCreatesNumberedConditionals)
{
    ecEventSpecs s;
    s.AddConditionalEvent("x", 0);
    s.AddConditionalEvent("y", 3);
    s.AddConditionalEvent("z", 1);
    ASSERT_EQ(s.GetNumConditionals(), 2);
    EXPECT_EQ(s.GetConditionalName(0), "C0");
    EXPECT_EQ(s.GetConditionalName(1), "C3");
    EXPECT_EQ(s.GetConditionalEvent(1, 1), "z");
    EXPECT_EQ(s.GetpConditional(0)->GetOption(), 0);
}

TEST(EventSpecs, NameLookups)
{
    ecEventSpecs s;
    s.AppendTarget("X");
    s.AppendConditional("X");
    s.AppendConditional("C");
    s.AppendConditional("C");
    EXPECT_EQ(s.NameToTimeAnchor("X"), s.GetpTarget(0)->GetpTimeAnchor());
    EXPECT_EQ(s.NameToTimeAnchor("C"), s.GetpConditional(1)->GetpTimeAnchor());
    EXPECT_EQ(s.NameToTimeAnchor("x"), nullptr);
    EXPECT_EQ(s.NameToTarget("C"), nullptr);
    EXPECT_EQ(s.NameToConditional("X"), s.GetpConditional(0));
    EXPECT_EQ(Thrown([&] { s.NameToTimeAnchor(""); }), "[ecEventSpecs::NameToTimeAnchor] Null name string.");
}

TEST(EventSpecs, CountsAndNamesOutOfRange)
{
    ecEventSpecs s;
    EXPECT_EQ(s.GetTargetName(0), "");
    EXPECT_EQ(s.GetNumEventsInTarget(0), -1);
    EXPECT_EQ(s.GetNumEventsInConditional(0), -1);
    s.AppendTarget("T");
    EXPECT_EQ(s.GetNumEventsInTarget(0), 0);
    EXPECT_EQ(s.GetNumEventsInTarget(1), -1);
    EXPECT_EQ(s.GetNumEventsInTarget(-1), -1);
    EXPECT_THROW(s.GetTargetEvent(0, 0), std::out_of_range);
}

TEST(EventSpecs, DeletionsIgnoreIndicesOutOfRange)
{
    ecEventSpecs s;
    s.AddTargetEvent("a", 0);
    s.AddTargetEvent("b", 0);
    s.AddTargetEvent("c", 1);
    s.AddConditionalEvent("x", 0);
    s.AddConditionalEvent("y", 0);
    s.DeleteOneTarget(-1);
    s.DeleteOneTarget(2);
    s.DeleteOneTargetEvent(2, 0);
    s.DeleteOneTargetEvent(0, 2);
    s.DeleteOneConditionalEvent(-1, 0);
    s.DeleteOneConditional(1);
    EXPECT_EQ(s.GetNumTargets(), 2);
    EXPECT_EQ(s.GetNumEventsInTarget(0), 2);
    EXPECT_EQ(s.GetNumEventsInConditional(0), 2);

    // Event index first, then the target index.
    s.DeleteOneTargetEvent(0, 0);
    EXPECT_EQ(*s.GetpTarget(0)->GetpEventNames(), std::vector<std::string>{"b"});
    s.DeleteOneConditionalEvent(1, 0);
    EXPECT_EQ(*s.GetpConditional(0)->GetpEventNames(), std::vector<std::string>{"x"});
    s.DeleteOneTarget(0);
    ASSERT_EQ(s.GetNumTargets(), 1);
    EXPECT_EQ(s.GetTargetName(0), "T1");
    s.DeleteOneConditional(0);
    EXPECT_EQ(s.GetNumConditionals(), 0);
}

TEST(EventSpecs, WritesTargetsThenConditionalsOneTabDeeper)
{
    ecEventSpecs s;
    s.AddConditionalEvent("r", 0);
    s.AddTargetEvent("a", 0);
    s.SetTabDepth(1);
    EXPECT_EQ(Written(s),
              "\t<event_specs>\n"
              "\t\t<target>\n"
              "\t\t\t<name>T0</name>\n"
              "\t\t\t<event>a</event>\n"
              "\t\t</target>\n"
              "\t\t<conditional>\n"
              "\t\t\t<name>C0</name>\n"
              "\t\t\t<option>0</option>\n"
              "\t\t\t<pre>\n"
              "\t\t\t\t<logic>+</logic>\n"
              "\t\t\t\t<latency>0</latency>\n"
              "\t\t\t\t<EventSpecifier></EventSpecifier>\n"
              "\t\t\t</pre>\n"
              "\t\t\t<post>\n"
              "\t\t\t\t<logic>+</logic>\n"
              "\t\t\t\t<latency>0</latency>\n"
              "\t\t\t\t<EventSpecifier></EventSpecifier>\n"
              "\t\t\t</post>\n"
              "\t\t\t<event>r</event>\n"
              "\t\t\t<mode>impermeable</mode>\n"
              "\t\t</conditional>\n"
              "\t</event_specs>\n");
}

TEST(EventSpecs, ReadBackAppendsTargetsAndConditionals)
{
    ecEventSpecs s;
    s.AddTargetEvent("a", 0);
    s.AddTargetEvent("b", 1);
    s.AddConditionalEvent("x", 0);
    s.GetpConditional(0)->SetOption(ecConditional::kNegated | ecConditional::kPermeable);
    ecXml xml = XmlOf(Written(s));
    ecEventSpecs r;
    r.AppendTarget("existing");
    ASSERT_TRUE(r.ReadXml(xml));
    ASSERT_EQ(r.GetNumTargets(), 3);
    EXPECT_EQ(r.GetTargetName(0), "existing");
    EXPECT_EQ(r.GetTargetName(2), "T1");
    ASSERT_EQ(r.GetNumConditionals(), 1);
    EXPECT_EQ(r.GetpConditional(0)->GetOption(), ecConditional::kNegated | ecConditional::kPermeable);

    ecEventSpecs none;
    ecXml empty = XmlOf("<event_specs></event_specs>");
    EXPECT_FALSE(none.ReadXml(empty));
}

TEST(EventSpecs, KeepsAtMost9999TargetsAndConditionals)
{
    ecEventSpecs t;
    ecXml xml = XmlOf("<event_specs>" + Repeated("<target><name>T</name></target>", 10000) + "</event_specs>");
    EXPECT_EQ(Thrown([&] { t.ReadXml(xml); }), "[ecEventSpecs::ReadXml] Target limit exceeded.");
    EXPECT_EQ(t.GetNumTargets(), 9999);
    ecEventSpecs c;
    ecXml xml2 =
        XmlOf("<event_specs>" + Repeated("<conditional><name>C</name></conditional>", 10000) + "</event_specs>");
    EXPECT_EQ(Thrown([&] { c.ReadXml(xml2); }), "[ecEventSpecs::ReadXml] Conditional limit exceeded.");
    EXPECT_EQ(c.GetNumConditionals(), 9999);
}

TEST(EventSpecs, ResetAndConsistencyReachEverySpec)
{
    ecEventSpecs s;
    s.AppendTarget("T0")->GetpTimeAnchor()->SetEventListIndex(4);
    ecConditional* c = s.AppendConditional("C0");
    c->GetpTimeAnchor()->SetEventListIndex(5);
    c->GetpTimeAnchorPre()->SetName("T0");
    c->GetpTimeAnchorPre()->SetLatencyWRTSpecifier(0.9f);
    c->GetpTimeAnchorPost()->SetName("T0");
    c->GetpTimeAnchorPost()->SetLatencyWRTSpecifier(0.1f);
    c->SetOption(ecConditional::kWindow);
    s.ResetRuntimeParameters();
    EXPECT_EQ(s.GetpTarget(0)->GetpTimeAnchor()->GetEventListIndex(), -1);
    EXPECT_EQ(c->GetpTimeAnchor()->GetEventListIndex(), -1);
    s.ConsistencyCheck();
    EXPECT_EQ(c->GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.1f);
}

TEST(EventSpecs, CopiesAreDeep)
{
    ecEventSpecs s;
    s.AddTargetEvent("a", 0);
    s.AddConditionalEvent("x", 0);
    ecEventSpecs copy(s);
    EXPECT_NE(copy.GetpTarget(0), s.GetpTarget(0));
    EXPECT_NE(copy.GetpConditional(0), s.GetpConditional(0));
    s.AddTargetEvent("b", 0);
    EXPECT_EQ(copy.GetNumEventsInTarget(0), 1);
    ecEventSpecs assigned;
    assigned.AddTargetEvent("z", 3);
    assigned = s;
    EXPECT_EQ(Written(assigned), Written(s));
}

TEST(AttribSpec, PairOperations)
{
    ecAttribSpec a;
    a.AppendOneFactorValuePair("cond", "go");
    a.AppendOneFactorValuePair("side", "left");
    a.AppendOneFactorValuePair("cond", "nogo");
    EXPECT_EQ(a.GetNumFactors(), 3);
    EXPECT_EQ(a.GetNumTags(), 3);
    EXPECT_EQ(a.WhichFactor("cond"), 0);
    EXPECT_EQ(a.WhichFactor("side"), 1);
    EXPECT_EQ(a.WhichFactor("none"), -1);
    EXPECT_EQ(a.GetOneAttribTag(1), "side:left");

    a.ReplaceValue(1, "right");
    a.ReplaceValue(3, "ignored");
    a.ReplaceValue(-1, "ignored");
    EXPECT_EQ(a.GetOneValue(1), "right");

    a.DeleteOneFactor(1);
    EXPECT_EQ(a.GetNumFactors(), 2);
    EXPECT_EQ(a.GetNumTags(), 3);
    EXPECT_EQ(a.GetOneFactor(1), "cond");
    a.DeleteOneFactor(5);
    a.DeleteOneFactor(-1);
    a.DeleteOneFactor("absent");
    EXPECT_EQ(a.GetNumFactors(), 2);
    a.DeleteOneFactor("cond");
    EXPECT_EQ(a.GetNumFactors(), 1);

    a.DeleteOneTag("right");
    EXPECT_EQ(a.GetNumTags(), 2);
    EXPECT_EQ(a.GetOneValue(1), "nogo");
    a.DeleteOneTag(0);
    EXPECT_EQ(a.GetOneValue(0), "nogo");
    a.AppendOneFactor("f");
    a.AppendOneTag("v");
    EXPECT_EQ(a.GetNumFactors(), 2);
    EXPECT_EQ(a.GetOneAttribTag(1), "f:v");
    EXPECT_THROW(a.GetOneFactor(2), std::out_of_range);
}

TEST(AttribSpec, CreateTargetCountsCreateConditionalIndexes)
{
    ecAttribSpec a;
    EXPECT_EQ(a.CreateTarget("T"), 1);
    EXPECT_EQ(a.CreateTarget("U"), 2);
    EXPECT_EQ(a.CreateConditional("C"), 0);
    EXPECT_EQ(a.CreateConditional("D"), 1);
    EXPECT_EQ(a.GetpEventSpecs()->GetTargetName(1), "U");
    EXPECT_EQ(a.GetpEventSpecs()->GetpConditional(1)->GetOption(), 0);
    EXPECT_EQ(a.GetpEventSpecs()->GetNumEventsInConditional(1), 0);
    EXPECT_EQ(a.NameToTimeAnchor("D"), a.GetpEventSpecs()->GetpConditional(1)->GetpTimeAnchor());
}

TEST(AttribSpec, WritesPairsThenEventSpecs)
{
    ecAttribSpec a;
    a.AppendOneFactorValuePair("cond", "go");
    a.CreateTarget("T0");
    a.GetpEventSpecs()->AddTargetEvent("S1", 0);
    a.SetTabDepth(1);
    EXPECT_EQ(Written(a),
              "\t<attrib_spec>\n"
              "\t\t<attrib>\n"
              "\t\t\t<factor>cond</factor>\n"
              "\t\t\t<tag>go</tag>\n"
              "\t\t</attrib>\n"
              "\t\t<event_specs>\n"
              "\t\t\t<target>\n"
              "\t\t\t\t<name>T0</name>\n"
              "\t\t\t\t<event>S1</event>\n"
              "\t\t\t</target>\n"
              "\t\t</event_specs>\n"
              "\t</attrib_spec>\n");
}

TEST(AttribSpec, UnequalListsWriteTheShorterNumberOfPairs)
{
    ecAttribSpec a;
    a.AppendOneFactorValuePair("f", "v");
    a.AppendOneFactor("lonely");
    EXPECT_EQ(a.GetNumPairs(), 1);
    const std::string text = Written(a);
    EXPECT_EQ(text.find("lonely"), std::string::npos);
    a.AppendOneTag("x");
    a.AppendOneTag("y");
    EXPECT_EQ(a.GetNumPairs(), 2);
}

TEST(AttribSpec, ReadBack)
{
    ecAttribSpec a;
    a.AppendOneFactorValuePair("cond", "go");
    a.AppendOneFactorValuePair("rt", "fast");
    a.CreateTarget("T0");
    a.GetpEventSpecs()->AddTargetEvent("S1", 0);
    a.CreateConditional("C0");
    a.GetpEventSpecs()->AddConditionalEvent("R", 0);
    a.GetpTimeAnchor()->SetName("not written");
    ecXml xml = XmlOf(Written(a));
    ecAttribSpec r;
    ASSERT_TRUE(r.ReadXml(xml));
    EXPECT_EQ(r.GetNumFactors(), 2);
    EXPECT_EQ(r.GetOneAttribTag(1), "rt:fast");
    EXPECT_EQ(r.GetpEventSpecs()->GetTargetEvent(0, 0), "S1");
    EXPECT_EQ(r.GetpEventSpecs()->GetConditionalEvent(0, 0), "R");
    EXPECT_EQ(r.GetpTimeAnchor()->GetName(), "");
    EXPECT_EQ(Written(r), Written(a));
}

TEST(AttribSpec, MissingChildrenKeepTheListsParallel)
{
    ecAttribSpec a;
    ecXml xml = XmlOf("<attrib_spec><attrib><factor>f</factor></attrib><attrib><tag>t</tag></attrib>"
                      "<attrib></attrib><attrib><factor>late</factor><tag>x</tag></attrib></attrib_spec>");
    ASSERT_TRUE(a.ReadXml(xml));
    ASSERT_EQ(a.GetNumFactors(), 2);
    ASSERT_EQ(a.GetNumTags(), 2);
    EXPECT_EQ(a.GetOneAttribTag(0), "f:");
    EXPECT_EQ(a.GetOneAttribTag(1), ":t");
    EXPECT_EQ(a.GetpEventSpecs()->GetNumTargets(), 0);

    ecAttribSpec none;
    ecXml other = XmlOf("<bin_desc></bin_desc>");
    EXPECT_FALSE(none.ReadXml(other));
}

TEST(AttribSpec, KeepsAtMost9999Pairs)
{
    ecAttribSpec a;
    ecXml xml = XmlOf("<attrib_spec>" + Repeated("<attrib><factor>f</factor><tag>t</tag></attrib>", 10000) +
                      "<event_specs><target><name>T</name></target></event_specs></attrib_spec>");
    EXPECT_EQ(Thrown([&] { a.ReadXml(xml); }), "[ecAttribSpec::ReadXml] Attribute tag limit exceeded.");
    EXPECT_EQ(a.GetNumFactors(), 9999);
    EXPECT_EQ(a.GetNumTags(), 9999);
}

TEST(AttribSpec, ResetAndConsistencyGoToTheEventSpecsOnly)
{
    ecAttribSpec a;
    a.CreateTarget("T0");
    a.GetpEventSpecs()->GetpTarget(0)->GetpTimeAnchor()->SetEventListIndex(2);
    a.GetpTimeAnchor()->SetEventListIndex(3);
    a.ResetRuntimeParameters();
    EXPECT_EQ(a.GetpEventSpecs()->GetpTarget(0)->GetpTimeAnchor()->GetEventListIndex(), -1);
    EXPECT_EQ(a.GetpTimeAnchor()->GetEventListIndex(), 3);
}

TEST(AttribSpec, CopiesAreDeep)
{
    ecAttribSpec a;
    a.AppendOneFactorValuePair("f", "v");
    a.CreateTarget("T0");
    ecAttribSpec copy(a);
    EXPECT_NE(copy.GetpEventSpecs()->GetpTarget(0), a.GetpEventSpecs()->GetpTarget(0));
    a.ReplaceValue(0, "w");
    EXPECT_EQ(copy.GetOneValue(0), "v");
    ecAttribSpec assigned;
    assigned.CreateConditional("C");
    assigned = a;
    EXPECT_EQ(assigned.GetpEventSpecs()->GetNumConditionals(), 0);
    EXPECT_EQ(assigned.GetOneValue(0), "w");
}
