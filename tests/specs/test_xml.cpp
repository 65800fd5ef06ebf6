// The parts of a bin description as XML: the exact text written, what reading
// keeps or drops, the element limits, and the edits whose indices are easy to
// get wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "ecevents/specs/ecAttribSet.h"
#include "ecevents/specs/ecBinSpec.h"
#include "specs_test_support.h"

using namespace specs_test;

namespace {

TEST(SpecsXml, WritesTheExactText) {
    ecTimeAnchor a = Anchor(true, 0.25f, "T1");
    a.SetTabDepth(2);
    a.SetLatencyAbsolute(3.5f);  // run-time fields are not written
    a.SetEventListIndex(4);
    EXPECT_EQ(Written(a), "\t\t<logic>-</logic>\n\t\t<latency>0.25</latency>\n\t\t<EventSpecifier>T1</EventSpecifier>\n");

    ecCondEventFlag f;
    f.SetCode(0x80000000u);
    f.SetSetCode(1);
    f.SetClearCode(2);
    f.SetTabDepth(1);
    // Set and clear codes are written only when their bits are on.
    EXPECT_EQ(Written(f), "\t<flag>\n\t\t<code>2147483648</code>\n\t</flag>\n");

    ecTarget t;
    t.SetName("T0");
    t.AddEvent("S1");
    t.AddEvent("S2");
    AddFlag(&t, 3, ecCondEventFlag::kSet, 4);
    t.SetOption(7);
    t.SetTabDepth(1);
    EXPECT_EQ(Written(t), "\t<target>\n\t\t<name>T0</name>\n\t\t<event>S1</event>\n\t\t<event>S2</event>\n"
                          "\t\t<flag>\n\t\t\t<code>3</code>\n\t\t\t<s>4</s>\n\t\t</flag>\n\t</target>\n");

    ecConditional c;
    c.SetName("C0");
    c.SetProperties(Anchor(true, 0.2f, "T0"), Anchor(false, 1.5f, "T0"),
                    ecConditional::kWindow | ecConditional::kPermeable);
    c.AddEvent("R");
    AddFlag(&c, 1, ecCondEventFlag::kInvert | ecCondEventFlag::kSet | ecCondEventFlag::kClear, 5, 6);
    EXPECT_EQ(Written(c), "<conditional>\n\t<name>C0</name>\n\t<option>6</option>\n"
                          "\t<pre>\n\t\t<logic>-</logic>\n\t\t<latency>0.2</latency>\n"
                          "\t\t<EventSpecifier>T0</EventSpecifier>\n\t</pre>\n"
                          "\t<post>\n\t\t<logic>+</logic>\n\t\t<latency>1.5</latency>\n"
                          "\t\t<EventSpecifier>T0</EventSpecifier>\n\t</post>\n"
                          "\t<event>R</event>\n\t<mode>permeable</mode>\n"
                          "\t<flag>\n\t\t<code>1</code>\n\t\t<logic>~</logic>\n\t\t<s>5</s>\n\t\t<c>6</c>\n\t</flag>\n"
                          "</conditional>\n");

    // Targets before conditionals, whatever the order of creation; a
    // factor without a value is not written.
    ecAttribSpec spec;
    spec.AppendOneFactorValuePair("cond", "go");
    spec.AppendOneFactor("lonely");
    spec.GetpEventSpecs()->AddConditionalEvent("r", 0);
    spec.GetpEventSpecs()->AddTargetEvent("a", 0);
    EXPECT_EQ(Written(spec), "<attrib_spec>\n\t<attrib>\n\t\t<factor>cond</factor>\n\t\t<tag>go</tag>\n\t</attrib>\n"
                             "\t<event_specs>\n\t\t<target>\n\t\t\t<name>T0</name>\n\t\t\t<event>a</event>\n"
                             "\t\t</target>\n\t\t<conditional>\n\t\t\t<name>C0</name>\n\t\t\t<option>0</option>\n"
                             "\t\t\t<pre>\n\t\t\t\t<logic>+</logic>\n\t\t\t\t<latency>0</latency>\n"
                             "\t\t\t\t<EventSpecifier></EventSpecifier>\n\t\t\t</pre>\n"
                             "\t\t\t<post>\n\t\t\t\t<logic>+</logic>\n\t\t\t\t<latency>0</latency>\n"
                             "\t\t\t\t<EventSpecifier></EventSpecifier>\n\t\t\t</post>\n"
                             "\t\t\t<event>r</event>\n\t\t\t<mode>impermeable</mode>\n\t\t</conditional>\n"
                             "\t</event_specs>\n</attrib_spec>\n");

    ecBinSpec b;
    b.SetName("Rare");
    b.SetColor(0xFF000000u);
    b.SetCreateNew(true);
    b.GetpAttribSets()->push_back(new ecAttribSet);
    b.GetpAttribSets()->back()->AddAttribTag("stim:rare");
    b.GetpAttribSets()->back()->AddAttribTag("resp:hit");
    EXPECT_EQ(Written(b), "<bin_spec>\n\t<name>Rare</name>\n\t<color>4278190080</color>\n\t<create_new>1</create_new>\n"
                          "\t<attrib_set>\n\t\t<attrib_tag>stim:rare</attrib_tag>\n"
                          "\t\t<attrib_tag>resp:hit</attrib_tag>\n\t</attrib_set>\n</bin_spec>\n");
    ecBinSpec r;
    ecXml xml = XmlOf(Written(b));
    ASSERT_TRUE(r.ReadXml(xml));
    EXPECT_EQ(Written(r), Written(b));
    EXPECT_FALSE(r.ReadXml(xml));
}

TEST(SpecsXml, ConditionalsAndAttribSpecsReadBackWhole) {
    for (long option = 0; option < 8; ++option) {
        SCOPED_TRACE(option);
        ecAttribSpec spec;
        spec.AppendOneFactorValuePair("cond", "go");
        spec.AppendOneFactorValuePair("rt", "fast");
        ecEventSpecs* es = spec.GetpEventSpecs();
        es->AddTargetEvent("S1", 0);
        AddFlag(es->GetpTarget(0), 1, ecCondEventFlag::kInvert);
        ecConditional* c = es->AppendConditional("Ctx");
        c->SetProperties(Anchor(option & 1, 0.125f, "T0"), Anchor(!(option & 1), 2.5f, "C1"), option);
        c->AddEvent("x");
        c->AddEvent("y");
        AddFlag(c, 6, ecCondEventFlag::kSet | ecCondEventFlag::kClear, 1, 2);
        es->GetpTarget(0)->SetOption(5);
        spec.GetpTimeAnchor()->SetName("not written");
        ecXml xml = XmlOf(Written(spec));
        ecAttribSpec r;
        ASSERT_TRUE(r.ReadXml(xml));
        EXPECT_EQ(r.GetpEventSpecs()->GetpConditional(0)->GetOption(), option);
        EXPECT_EQ(r.GetpEventSpecs()->GetpConditional(0)->IsPermeable(), (option & ecConditional::kPermeable) != 0);
        EXPECT_EQ(r.GetpEventSpecs()->GetpTarget(0)->GetOption(), 0);  // a target's option word is not kept
        EXPECT_EQ(r.GetpTimeAnchor()->GetName(), "");
        EXPECT_EQ(Written(r), Written(spec));
    }
}

TEST(SpecsXml, ReadingQuirks) {
    // Only an exact "-" reads as minus; missing elements read as empty and 0.
    for (const char* text : {"<logic>+</logic>", "<logic> - </logic>", "<logic>--</logic>", ""}) {
        ecTimeAnchor a = Anchor(true, 4.0f, "old");
        ecXml xml = XmlOf(text);
        a.ReadXml(xml);
        EXPECT_FALSE(a.IsMinus()) << text;
        EXPECT_EQ(a.GetName(), "") << text;
        EXPECT_EQ(a.GetLatencyWRTSpecifier(), 0.0f) << text;
    }
    // Codes read as decimal, hex or octal; text that is no number keeps the
    // old code; absent set and clear elements clear their bits only.
    const struct {
        const char* text;
        unsigned int code;
    } codes[] = {{"16", 16}, {"0x10", 16}, {"010", 8}, {" 42", 42}, {"-1", 0xFFFFFFFFu}, {"7abc", 7}, {"abc", 5}};
    for (const auto& c : codes) {
        ecCondEventFlag f;
        f.SetCode(5);
        f.SetOption(ecCondEventFlag::kSet | ecCondEventFlag::kClear | ecCondEventFlag::kInvert);
        f.SetSetCode(9);
        ecXml xml = XmlOf(std::string("<flag><code>") + c.text + "</code></flag>");
        ASSERT_TRUE(f.ReadXml(xml));
        EXPECT_EQ(f.GetCode(), c.code) << c.text;
        EXPECT_EQ(f.GetOption(), 0) << c.text;
        EXPECT_EQ(f.GetSetCode(), 9u) << c.text;
    }
    ecCondEventFlag f;
    ecXml empty = XmlOf("<flag></flag><flag><code>2</code></flag>");
    EXPECT_FALSE(f.ReadXml(empty));

    // Reading appends; an empty event element ends the names.
    ecTarget t;
    t.AddEvent("old");
    AddFlag(&t, 1, 0);
    ecXml target = XmlOf("<target><name>N</name><event>a</event><event></event><event>b</event>"
                         "<flag><code>2</code></flag></target><target><name>M</name></target>");
    ASSERT_TRUE(t.ReadXml(target));
    EXPECT_EQ(*t.GetpEventNames(), (std::vector<std::string>{"old", "a"}));
    EXPECT_EQ(t.GetNumFlags(), 2);
    ASSERT_TRUE(t.ReadXml(target));
    EXPECT_EQ(t.GetName(), "M");
    EXPECT_FALSE(t.ReadXml(target));

    // The mode text alone decides permeability; absent anchors stay.
    const struct {
        const char* body;
        bool permeable;
        long option;
    } modes[] = {{"<option>2</option>", false, 0},
                 {"<option>2</option><mode>Permeable</mode>", false, 0},
                 {"<option>5</option><mode>permeable</mode>", true, 7}};
    for (const auto& m : modes) {
        ecConditional c;
        c.SetProperties(Anchor(true, 1.0f, "A"), Anchor(false, 2.0f, "B"), 0);
        ecXml xml = XmlOf(std::string("<conditional><name>C</name><pre></pre>") + m.body + "</conditional>");
        ASSERT_TRUE(c.ReadXml(xml));
        EXPECT_EQ(c.IsPermeable(), m.permeable) << m.body;
        if (m.permeable) {
            EXPECT_EQ(c.GetOption(), m.option);
        }
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetName(), "A");
        EXPECT_TRUE(c.GetpTimeAnchorPre()->IsMinus());
    }

    // Factors and tags stay parallel when an attrib lacks one of them.
    ecAttribSpec a;
    ecXml attribs = XmlOf("<attrib_spec><attrib><factor>f</factor></attrib><attrib><tag>t</tag></attrib>"
                          "<attrib></attrib><attrib><factor>late</factor><tag>x</tag></attrib></attrib_spec>");
    ASSERT_TRUE(a.ReadXml(attribs));
    ASSERT_EQ(a.GetNumFactors(), 2);
    EXPECT_EQ(a.GetOneAttribTag(0), "f:");
    EXPECT_EQ(a.GetOneAttribTag(1), ":t");

    ecBinSpec bin;
    bin.SetCreateNew(true);
    ecXml binXml = XmlOf("<bin_spec><name>n</name><create_new>0</create_new></bin_spec>");
    ASSERT_TRUE(bin.ReadXml(binXml));
    EXPECT_FALSE(bin.IsCreateNew());
}

// 9999 elements are read; one more throws, with the 9999 kept.
template <class T, class Count>
void ExpectLimit(const std::string& open, const std::string& element, const std::string& close,
                 const std::string& message, Count count) {
    for (int n : {9999, 10000}) {
        SCOPED_TRACE(message + " " + std::to_string(n));
        T object;
        ecXml xml = XmlOf(open + Repeated(element, n) + close);
        EXPECT_EQ(EcErrorOf([&] { object.ReadXml(xml); }), n > 9999 ? message : "");
        EXPECT_EQ(count(object), 9999);
    }
}

TEST(SpecsXml, EachListKeepsAtMost9999Elements) {
    const std::string flag = "<flag><code>1</code></flag>";
    ExpectLimit<ecAttribSet>("<attrib_set>", "<attrib_tag>a:b</attrib_tag>", "</attrib_set>",
                             "[ecAttribSet::ReadXml] Limit exceeded.",
                             [](ecAttribSet& s) { return s.GetNumAttribTags(); });
    ExpectLimit<ecBinSpec>("<bin_spec><name>n</name>", "<attrib_set><attrib_tag>a:b</attrib_tag></attrib_set>",
                           "</bin_spec>", "[ecBinSpec::ReadXml] Limit exceeded.",
                           [](ecBinSpec& b) { return static_cast<int>(b.GetpAttribSets()->size()); });
    ExpectLimit<ecEventSpecs>("<event_specs>", "<target><name>T</name></target>", "</event_specs>",
                              "[ecEventSpecs::ReadXml] Target limit exceeded.",
                              [](ecEventSpecs& s) { return s.GetNumTargets(); });
    ExpectLimit<ecEventSpecs>("<event_specs>", "<conditional><name>C</name></conditional>", "</event_specs>",
                              "[ecEventSpecs::ReadXml] Conditional limit exceeded.",
                              [](ecEventSpecs& s) { return s.GetNumConditionals(); });
    ExpectLimit<ecAttribSpec>("<attrib_spec>", "<attrib><factor>f</factor><tag>t</tag></attrib>", "</attrib_spec>",
                              "[ecAttribSpec::ReadXml] Attribute tag limit exceeded.",
                              [](ecAttribSpec& a) { return std::min(a.GetNumFactors(), a.GetNumTags()); });
    ExpectLimit<ecTarget>("<target><name>N</name>", "<event>e</event>", "</target>",
                          "[ecTarget::ReadXml] Event limit exceeded.", [](ecTarget& t) { return t.GetNumEvents(); });
    ExpectLimit<ecTarget>("<target><name>N</name>", flag, "</target>", "[ecTarget::ReadXml] Flag limit exceeded.",
                          [](ecTarget& t) { return t.GetNumFlags(); });
    ExpectLimit<ecConditional>("<conditional><name>N</name>", "<event>e</event>", "</conditional>",
                               "[ecConditional::ReadXml] Event limit exceeded.",
                               [](ecConditional& c) { return c.GetNumEvents(); });
    ExpectLimit<ecConditional>("<conditional><name>N</name>", flag, "</conditional>",
                               "[ecConditional::ReadXml] Flag limit exceeded.",
                               [](ecConditional& c) { return c.GetNumFlags(); });
}

TEST(SpecsXml, CopiesAreDeep) {
    ecAttribSpec a;
    a.AppendOneFactorValuePair("f", "v");
    a.GetpEventSpecs()->AddTargetEvent("a", 0);
    AddFlag(a.GetpEventSpecs()->GetpTarget(0), 4, 0);
    a.GetpEventSpecs()->AddConditionalEvent("x", 0);
    AddFlag(a.GetpEventSpecs()->GetpConditional(0), 2, 0);
    ecAttribSpec copy(a);
    ecTarget target;
    ecConditional conditional;
    target = *a.GetpEventSpecs()->GetpTarget(0);
    conditional = *a.GetpEventSpecs()->GetpConditional(0);
    ecAttribSpec assigned;
    EXPECT_EQ(assigned.CreateConditional("C"), 0);
    EXPECT_EQ(assigned.GetpEventSpecs()->GetpConditional(0)->GetOption(), 0) << "made plain: not negated";
    assigned = a;
    (*a.GetpEventSpecs()->GetpTarget(0)->GetpvFlags())[0]->SetCode(9);
    (*a.GetpEventSpecs()->GetpConditional(0)->GetpvFlags())[0]->SetCode(9);
    a.GetpEventSpecs()->AddTargetEvent("b", 0);
    a.ReplaceValue(0, "w");
    for (ecAttribSpec* c : {&copy, &assigned}) {
        EXPECT_EQ(c->GetOneValue(0), "v");
        EXPECT_EQ(c->GetpEventSpecs()->GetNumEventsInTarget(0), 1);
        EXPECT_EQ(c->GetpEventSpecs()->GetNumConditionals(), 1);
        EXPECT_EQ((*c->GetpEventSpecs()->GetpTarget(0)->GetpvFlags())[0]->GetCode(), 4u);
        EXPECT_EQ((*c->GetpEventSpecs()->GetpConditional(0)->GetpvFlags())[0]->GetCode(), 2u);
    }
    ASSERT_EQ(target.GetNumFlags(), 1);
    ASSERT_EQ(conditional.GetNumFlags(), 1);
    EXPECT_EQ((*target.GetpvFlags())[0]->GetCode(), 4u);
    EXPECT_EQ((*conditional.GetpvFlags())[0]->GetCode(), 2u);
}

TEST(SpecsXml, AnchorsAreSwappedOnlyForASameSignSameSpecifierWindow) {
    for (bool minus : {false, true}) {
        ecConditional c;
        c.SetProperties(Anchor(minus, 0.5f, "T0"), Anchor(minus, 0.2f, "T0"), ecConditional::kWindow);
        c.GetpTimeAnchorPre()->SetEventListIndex(1);
        c.ConsistencyCheck();
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.2f);
        EXPECT_EQ(c.GetpTimeAnchorPost()->GetLatencyWRTSpecifier(), 0.5f);
        EXPECT_EQ(c.GetpTimeAnchorPost()->GetEventListIndex(), 1);
        c.ConsistencyCheck();
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.2f);
    }
    const struct {
        ecTimeAnchor pre, post;
        long option;
    } unchanged[] = {
        {Anchor(false, 0.5f, "T0"), Anchor(false, 0.2f, "T0"), 0},                       // no window
        {Anchor(false, 0.5f, "T0"), Anchor(true, 0.2f, "T0"), ecConditional::kWindow},   // mixed signs
        {Anchor(false, 0.5f, "T0"), Anchor(false, 0.2f, "C0"), ecConditional::kWindow},  // other specifier
    };
    for (const auto& u : unchanged) {
        ecConditional c;
        c.SetProperties(u.pre, u.post, u.option);
        c.ConsistencyCheck();
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.5f);
    }
}

TEST(SpecsXml, EventSpecsNumberNewEntriesAndLookUpNames) {
    ecEventSpecs s;
    s.AddTargetEvent("a", 0);
    s.AddTargetEvent("b", 0);
    s.AddTargetEvent("c", 5);
    s.AddConditionalEvent("x", 0);
    s.AddConditionalEvent("y", 3);
    s.AddConditionalEvent("z", 1);
    EXPECT_EQ(s.GetNumEventsInTarget(0), 2);
    ASSERT_EQ(s.GetNumTargets(), 2);
    EXPECT_EQ(s.GetTargetName(1), "T5");
    EXPECT_EQ(s.GetTargetEvent(1, 0), "b");  // event index first
    ASSERT_EQ(s.GetNumConditionals(), 2);
    EXPECT_EQ(s.GetConditionalName(1), "C3");
    EXPECT_EQ(s.GetConditionalEvent(1, 1), "z");

    // Out-of-range deletions change nothing.
    const std::string before = Written(s);
    s.DeleteOneTarget(-1);
    s.DeleteOneTarget(2);
    s.DeleteOneTargetEvent(2, 0);
    s.DeleteOneTargetEvent(0, 2);
    s.DeleteOneConditionalEvent(-1, 0);
    s.DeleteOneConditional(2);
    EXPECT_EQ(Written(s), before);
    s.DeleteOneTargetEvent(0, 0);
    EXPECT_EQ(*s.GetpTarget(0)->GetpEventNames(), std::vector<std::string>{"b"});
    EXPECT_EQ(s.GetNumEventsInTarget(2), -1);
    EXPECT_THROW(s.GetTargetEvent(0, 2), std::out_of_range);

    // The first entry of a name, targets before conditionals.
    s.AppendTarget("X");
    s.AppendConditional("X");
    s.AppendConditional("C3");
    EXPECT_EQ(s.NameToTimeAnchor("X"), s.GetpTarget(2)->GetpTimeAnchor());
    EXPECT_EQ(s.NameToTimeAnchor("C3"), s.GetpConditional(1)->GetpTimeAnchor());
    EXPECT_EQ(s.NameToTimeAnchor("x"), nullptr);
    EXPECT_EQ(s.NameToTarget("C3"), nullptr);
    EXPECT_EQ(s.NameToConditional("X"), s.GetpConditional(2));
    EXPECT_EQ(EcErrorOf([&] { s.NameToTimeAnchor(""); }), "[ecEventSpecs::NameToTimeAnchor] Null name string.");
}

}  // namespace
